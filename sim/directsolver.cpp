#include "sim/directsolver.h"

#include <Eigen/Dense>
#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>
#include <Eigen/SparseLU>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "sim/pairrunner.h"
#include "sim/simulator.h"

namespace {

// Volumes are numbered by nested dissection: each half of the grid first, then the grid line
// that separates them. Nine-point neighbours never reach across a whole grid line, so the
// halves' unknowns do not mix and the factors fill in far less than in any row-by-row order.
// Each leaf and each separating line is one block of consecutive unknowns, which the
// factor stores densely.
struct Dissection {
  std::vector<int> position;    // of volume (I, J) at J * ni + I
  std::vector<int> blockStart;  // first unknown of each block, in order
  // The first split: unknowns [0, leftEnd) and [leftEnd, separatorStart) are the two halves,
  // the rest the line between them. Without a split, the left half is everything.
  int leftEnd = 0;
  int separatorStart = 0;
};

// Below this many unknowns a solve runs on one thread.
constexpr int parallelUnknowns = 64 * 64;
std::atomic<int> threadLimit{2};

// Four volumes a leaf: larger leaves fill in more than their denser storage saves.
constexpr int leafSize = 4;

void Dissect(int ni, int i0, int i1, int j0, int j1, Dissection& d, int& next, bool top) {
  const int w = i1 - i0;
  const int h = j1 - j0;
  if (w <= 0 || h <= 0)
    return;
  if (w * h <= leafSize) {
    d.blockStart.push_back(next);
    for (int j = j0; j < j1; ++j) {
      for (int i = i0; i < i1; ++i)
        d.position[j * ni + i] = next++;
    }
    if (top)
      d.leftEnd = d.separatorStart = next;
    return;
  }
  const bool acrossI = w >= h;
  const int m = acrossI ? i0 + w / 2 : j0 + h / 2;
  if (acrossI)
    Dissect(ni, i0, m, j0, j1, d, next, false);
  else
    Dissect(ni, i0, i1, j0, m, d, next, false);
  if (top)
    d.leftEnd = next;
  if (acrossI)
    Dissect(ni, m + 1, i1, j0, j1, d, next, false);
  else
    Dissect(ni, i0, i1, m + 1, j1, d, next, false);
  if (top)
    d.separatorStart = next;
  d.blockStart.push_back(next);
  if (acrossI) {
    for (int j = j0; j < j1; ++j)
      d.position[j * ni + m] = next++;
  } else {
    for (int i = i0; i < i1; ++i)
      d.position[m * ni + i] = next++;
  }
}

using ColumnMatrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;

// L D L^T with L's columns packed block by block: for the block of unknowns [a, b), a dense
// unit lower triangle over the block and a dense panel over the rows below it that any of
// its columns reaches. Dense columns are swept without an index per entry, which is what
// makes a solve cheap: it is bound by reading the factor once forwards and once backwards.
//
// The factor is made block by block as well (multifrontal): each block gathers its columns
// of the matrix and the updates its children in the elimination tree left for it into one
// dense front, factors the front's leading block and hands the rest, less the block's own
// contribution, on to its parent. The two halves of the grid are independent subtrees and
// are factored at once.
class BlockFactor {
 public:
  // False when the matrix (lower triangle read) is not positive definite.
  bool Factor(const ColumnMatrix& lower, const Dissection& d, PairRunner& pair) {
    const int n = static_cast<int>(lower.cols());
    separatorStart = d.separatorStart;
    leftEnd = d.leftEnd;
    Symbolic(lower, d);
    leftBlocks = BlockOf(d.leftEnd);
    rightBlocks = BlockOf(d.separatorStart);
    inverseD.assign(static_cast<std::size_t>(n), 0);
    updates.assign(blocks.size(), {});
    for (Workspace& w : work)
      w.local.assign(static_cast<std::size_t>(n), 0);
    bool left = true, right = true;
    pair.Run([&] { left = Numeric(lower, 0, leftBlocks, work[0]); },
             [&] { right = Numeric(lower, leftBlocks, rightBlocks, work[1]); });
    const bool factored =
        left && right && Numeric(lower, rightBlocks, static_cast<int>(blocks.size()), work[0]);
    updates.clear();
    for (Workspace& w : work)
      w = Workspace{};
    if (!factored)
      return false;
    separatorSum[0].assign(static_cast<std::size_t>(n - separatorStart), 0);
    separatorSum[1].assign(static_cast<std::size_t>(n - separatorStart), 0);
    // Room for the tallest panel in each half, so that a solve allocates nothing.
    int tallest = 0;
    for (const Block& b : blocks)
      tallest = std::max(tallest, b.height);
    scratch[0].assign(static_cast<std::size_t>(tallest), 0);
    scratch[1].assign(static_cast<std::size_t>(tallest), 0);
    return true;
  }

  // Overwrites x (in dissection order) with the solution for right-hand side x. The parts
  // of x, unknowns [from, to) of the left half (part 0), the right half (1) and the line
  // between them (2), are laid out by fill(part, from, to) just before the forward pass
  // reads them, and handed to done(part, from, to) once final, on the thread that solved
  // them: so a time step hands work over twice, not once for each pass over the unknowns.
  template <class Fill, class Done>
  void Solve(double* x, PairRunner& pair, const Fill& fill, const Done& done) {
    const int n = separatorStart + static_cast<int>(separatorSum[0].size());
    // Forward, L y = x: each half on its own, its updates of the separating line gathered
    // apart and added after both.
    pair.Run(
        [&] {
          fill(0, 0, leftEnd);
          Forward(x, 0, leftBlocks, 0, scratch[0]);
        },
        [&] {
          fill(1, leftEnd, separatorStart);
          Forward(x, leftBlocks, rightBlocks, 1, scratch[1]);
        });
    fill(2, separatorStart, n);
    for (std::size_t k = 0; k < separatorSum[0].size(); ++k)
      x[separatorStart + static_cast<int>(k)] -= separatorSum[0][k] + separatorSum[1][k];
    Forward(x, rightBlocks, static_cast<int>(blocks.size()), -1, scratch[0]);
    // Backward, L^T x = D^-1 y: the line first, then each half reading it. A half's
    // unknowns are final when its pass ends: the other half never reaches them.
    Backward(x, rightBlocks, static_cast<int>(blocks.size()), scratch[0]);
    pair.Run(
        [&] {
          Backward(x, 0, leftBlocks, scratch[0]);
          done(0, 0, leftEnd);
        },
        [&] {
          Backward(x, leftBlocks, rightBlocks, scratch[1]);
          done(1, leftEnd, separatorStart);
        });
    done(2, separatorStart, n);
  }

  std::size_t StoredValues() const { return valueCount; }

 private:
  struct Block {
    int first;  // unknowns [first, first + width)
    int width;
    std::size_t row;  // its panel's rows at rows[row, row + height)
    int height;
    int ownRows;           // panel rows before the separating line (the rest lie on it)
    std::size_t triangle;  // width x width, column-major, in values
    std::size_t panel;     // height x width, column-major, in values
  };

  int BlockOf(int unknown) const {
    int k = 0;
    while (k < static_cast<int>(blocks.size()) &&
           blocks[static_cast<std::size_t>(k)].first < unknown)
      ++k;
    return k;
  }

  // Which rows each block's panel holds, and the elimination tree of the blocks: a block's
  // panel rows are those its own columns of the matrix reach below it, and those of its
  // children's panels below it; its parent is the block holding its first panel row. The
  // dissection lists every child before its parent.
  void Symbolic(const ColumnMatrix& a, const Dissection& d) {
    const int n = static_cast<int>(a.cols());
    blocks.clear();
    rows.clear();
    parent.clear();
    children.assign(d.blockStart.size(), {});
    std::vector<int> blockOf(static_cast<std::size_t>(n), 0);
    for (std::size_t s = 0; s < d.blockStart.size(); ++s) {
      const int end = s + 1 < d.blockStart.size() ? d.blockStart[s + 1] : n;
      for (int k = d.blockStart[s]; k < end; ++k)
        blockOf[static_cast<std::size_t>(k)] = static_cast<int>(s);
    }
    // The block that last listed each row, so that a row reached twice is listed once.
    std::vector<std::size_t> listedBy(static_cast<std::size_t>(n), d.blockStart.size());
    std::size_t size = 0;
    for (std::size_t s = 0; s < d.blockStart.size(); ++s) {
      Block b{};
      b.first = d.blockStart[s];
      b.width = (s + 1 < d.blockStart.size() ? d.blockStart[s + 1] : n) - b.first;
      const int end = b.first + b.width;
      b.row = rows.size();
      const auto list = [&](int row) {
        if (row >= end && listedBy[static_cast<std::size_t>(row)] != s) {
          listedBy[static_cast<std::size_t>(row)] = s;
          rows.push_back(row);
        }
      };
      for (int j = b.first; j < end; ++j) {
        for (ColumnMatrix::InnerIterator it(a, j); it; ++it)
          list(static_cast<int>(it.row()));
      }
      for (int child : children[s]) {
        const Block& c = blocks[static_cast<std::size_t>(child)];
        for (int r = 0; r < c.height; ++r)
          list(rows[c.row + static_cast<std::size_t>(r)]);
      }
      std::sort(rows.begin() + static_cast<std::ptrdiff_t>(b.row), rows.end());
      b.height = static_cast<int>(rows.size() - b.row);
      b.ownRows = 0;
      for (int r = 0; r < b.height; ++r) {
        if (rows[b.row + static_cast<std::size_t>(r)] < d.separatorStart)
          b.ownRows = r + 1;
      }
      b.triangle = size;
      b.panel = b.triangle + static_cast<std::size_t>(b.width) * b.width;
      size = b.panel + static_cast<std::size_t>(b.height) * b.width;
      const int up = b.height > 0 ? blockOf[static_cast<std::size_t>(rows[b.row])] : -1;
      parent.push_back(up);
      if (up >= 0)
        children[static_cast<std::size_t>(up)].push_back(static_cast<int>(s));
      blocks.push_back(b);
    }
    // Every value a solve reads is written by the factor; zeroing them first would only
    // touch the memory twice, once on one thread.
    values.reset(new double[size]);
    valueCount = size;
  }

  // What one thread needs to factor its blocks: where each row lies in the current front,
  // and the front itself.
  struct Workspace {
    std::vector<int> local;
    std::vector<double> front;
  };

  // Factors blocks [from, to), whose children are either among them or already factored.
  bool Numeric(const ColumnMatrix& a, int from, int to, Workspace& ws) {
    for (int s = from; s < to; ++s) {
      const Block& b = blocks[static_cast<std::size_t>(s)];
      const int w = b.width;
      const int h = b.height;
      const int m = w + h;
      const int end = b.first + w;
      const int* panelRows = rows.data() + b.row;
      for (int r = 0; r < h; ++r)
        ws.local[static_cast<std::size_t>(panelRows[r])] = w + r;
      const auto at = [&](int row) {
        return row < end ? row - b.first : ws.local[static_cast<std::size_t>(row)];
      };
      ws.front.assign(static_cast<std::size_t>(m) * m, 0);
      double* f = ws.front.data();
      const auto entry = [f, m](int r, int c) -> double& {
        return f[static_cast<std::size_t>(c) * m + static_cast<std::size_t>(r)];
      };
      // The block's columns of the matrix (its lower triangle).
      for (int c = 0; c < w; ++c) {
        for (ColumnMatrix::InnerIterator it(a, b.first + c); it; ++it)
          entry(at(static_cast<int>(it.row())), c) += it.value();
      }
      // The children's updates, added where their rows lie in this front. Rows keep their
      // order, so the lower triangle stays lower.
      for (int child : children[static_cast<std::size_t>(s)]) {
        const Block& cb = blocks[static_cast<std::size_t>(child)];
        std::vector<double>& u = updates[static_cast<std::size_t>(child)];
        const int* childRows = rows.data() + cb.row;
        for (int j = 0; j < cb.height; ++j) {
          const int cj = at(childRows[j]);
          const double* column = u.data() + static_cast<std::size_t>(j) * cb.height;
          for (int i = j; i < cb.height; ++i)
            entry(at(childRows[i]), cj) += column[i];
        }
        std::vector<double>().swap(u);
      }
      if (!FactorFront(f, w, h))
        return false;
      // C, the Cholesky factor of the leading block, is L D^1/2: its columns divided by
      // their diagonals give L, and the squares of the diagonals D.
      double* triangle = values.get() + b.triangle;
      double* panel = values.get() + b.panel;
      for (int c = 0; c < w; ++c) {
        const double diagonal = entry(c, c);
        inverseD[static_cast<std::size_t>(b.first + c)] = 1 / (diagonal * diagonal);
        for (int r = c + 1; r < w; ++r)
          triangle[static_cast<std::size_t>(c) * w + static_cast<std::size_t>(r)] =
              entry(r, c) / diagonal;
        for (int r = 0; r < h; ++r)
          panel[static_cast<std::size_t>(c) * h + static_cast<std::size_t>(r)] =
              entry(w + r, c) / diagonal;
      }
      if (parent[static_cast<std::size_t>(s)] >= 0) {
        std::vector<double>& u = updates[static_cast<std::size_t>(s)];
        u.resize(static_cast<std::size_t>(h) * h);
        for (int j = 0; j < h; ++j) {
          for (int i = j; i < h; ++i)
            u[static_cast<std::size_t>(j) * h + static_cast<std::size_t>(i)] = entry(w + i, w + j);
        }
      }
    }
    return true;
  }

  // The front [F11 .; F21 F22] (w + h square, column-major, lower triangle read) becomes
  // [C .; P F22 - P P^T] with F11 = C C^T and P = F21 C^-T. False when F11 is not positive
  // definite. Small blocks, the many leaves, in plain loops; large ones with Eigen's dense
  // kernels. Either way the arithmetic depends only on the block, never on the thread.
  static bool FactorFront(double* f, int w, int h) {
    const int m = w + h;
    if (w >= 16) {
      Eigen::Map<Eigen::MatrixXd> front(f, m, m);
      // Decomposed in place: the LLT is handed a reference, not a copy.
      Eigen::Ref<Eigen::MatrixXd> leading = front.topLeftCorner(w, w);
      Eigen::LLT<Eigen::Ref<Eigen::MatrixXd>> llt(leading);
      if (llt.info() != Eigen::Success)
        return false;
      for (int c = 0; c < w; ++c) {
        if (!(front(c, c) > 0) || !std::isfinite(front(c, c)))
          return false;
      }
      if (h > 0) {
        auto p = front.bottomLeftCorner(h, w);
        front.topLeftCorner(w, w)
            .triangularView<Eigen::Lower>()
            .transpose()
            .solveInPlace<Eigen::OnTheRight>(p);
        front.bottomRightCorner(h, h).selfadjointView<Eigen::Lower>().rankUpdate(p, -1.0);
      }
      return true;
    }
    const auto entry = [f, m](int r, int c) -> double& {
      return f[static_cast<std::size_t>(c) * m + static_cast<std::size_t>(r)];
    };
    // Column by column: each column first takes the updates of the columns before it.
    for (int c = 0; c < w; ++c) {
      double d = entry(c, c);
      for (int k = 0; k < c; ++k)
        d -= entry(c, k) * entry(c, k);
      if (!(d > 0) || !std::isfinite(d))
        return false;
      const double diagonal = std::sqrt(d);
      entry(c, c) = diagonal;
      for (int r = c + 1; r < m; ++r) {
        double v = entry(r, c);
        for (int k = 0; k < c; ++k)
          v -= entry(r, k) * entry(c, k);
        entry(r, c) = v / diagonal;
      }
    }
    for (int j = 0; j < h; ++j) {
      for (int i = j; i < h; ++i) {
        double v = 0;
        for (int k = 0; k < w; ++k)
          v += entry(w + i, k) * entry(w + j, k);
        entry(w + i, w + j) -= v;
      }
    }
    return true;
  }

  // Blocks [from, to); updates of the separating line go to separatorSum[half] instead of x
  // (half -1: straight to x). Each unknown is scaled by 1/D once its column is final.
  void Forward(double* x, int from, int to, int half, std::vector<double>& sum) {
    std::vector<double>* gathered =
        half < 0 ? nullptr : &separatorSum[static_cast<std::size_t>(half)];
    if (gathered != nullptr)
      std::fill(gathered->begin(), gathered->end(), 0.0);
    for (int s = from; s < to; ++s) {
      const Block& b = blocks[static_cast<std::size_t>(s)];
      double* own = x + b.first;
      const double* t = values.get() + b.triangle;
      for (int c = 0; c < b.width; ++c) {
        const double v = own[c];
        const double* column = t + static_cast<std::ptrdiff_t>(c) * b.width;
        for (int r = c + 1; r < b.width; ++r)
          own[r] -= column[r] * v;
      }
      std::fill(sum.begin(), sum.begin() + b.height, 0.0);
      const double* p = values.get() + b.panel;
      for (int c = 0; c < b.width; ++c) {
        const double v = own[c];
        const double* column = p + static_cast<std::ptrdiff_t>(c) * b.height;
        for (int r = 0; r < b.height; ++r)
          sum[static_cast<std::size_t>(r)] += column[r] * v;
      }
      const int* row = rows.data() + b.row;
      const int direct = gathered != nullptr ? b.ownRows : b.height;
      for (int r = 0; r < direct; ++r)
        x[row[r]] -= sum[static_cast<std::size_t>(r)];
      for (int r = direct; r < b.height; ++r)
        (*gathered)[static_cast<std::size_t>(row[r] - separatorStart)] +=
            sum[static_cast<std::size_t>(r)];
      for (int c = 0; c < b.width; ++c)
        own[c] *= inverseD[static_cast<std::size_t>(b.first + c)];
    }
  }

  // Blocks [from, to) in reverse order.
  void Backward(double* x, int from, int to, std::vector<double>& below) {
    for (int s = to - 1; s >= from; --s) {
      const Block& b = blocks[static_cast<std::size_t>(s)];
      double* own = x + b.first;
      const int* row = rows.data() + b.row;
      for (int r = 0; r < b.height; ++r)
        below[static_cast<std::size_t>(r)] = x[row[r]];
      const double* p = values.get() + b.panel;
      for (int c = 0; c < b.width; ++c)
        own[c] -= Dot(p + static_cast<std::ptrdiff_t>(c) * b.height, below.data(), b.height);
      const double* t = values.get() + b.triangle;
      for (int c = b.width - 1; c >= 0; --c) {
        const double* column = t + static_cast<std::ptrdiff_t>(c) * b.width;
        own[c] -= Dot(column + c + 1, own + c + 1, b.width - c - 1);
      }
    }
  }

  // Four partial sums, two to a vector register: one running sum would wait on each
  // addition in turn. The order of the additions is fixed, so every solve rounds alike.
  static double Dot(const double* a, const double* b, int n) {
    typedef double Pair __attribute__((vector_size(16)));
    Pair low = {0, 0};
    Pair high = {0, 0};
    int k = 0;
    for (; k + 3 < n; k += 4) {
      Pair a0, a1, b0, b1;
      std::memcpy(&a0, a + k, sizeof a0);
      std::memcpy(&a1, a + k + 2, sizeof a1);
      std::memcpy(&b0, b + k, sizeof b0);
      std::memcpy(&b1, b + k + 2, sizeof b1);
      low += a0 * b0;
      high += a1 * b1;
    }
    double sum = (low[0] + high[0]) + (low[1] + high[1]);
    for (; k < n; ++k)
      sum += a[k] * b[k];
    return sum;
  }

  std::vector<Block> blocks;
  std::vector<int> parent;                   // of each block in the elimination tree; -1 for a root
  std::vector<std::vector<int>> children;    // of each block, in order
  std::vector<std::vector<double>> updates;  // left by each block for its parent while factoring
  Workspace work[2];
  std::vector<int> rows;
  std::unique_ptr<double[]> values;
  std::size_t valueCount = 0;
  std::vector<double> inverseD;
  int leftEnd = 0;
  int leftBlocks = 0;
  int rightBlocks = 0;
  int separatorStart = 0;
  std::vector<double> separatorSum[2];
  std::vector<double> scratch[2];
};

}  // namespace

namespace {

// What the residual of rows [from, to) says: the largest change one sweep would make there
// and the range of the solution over them.
struct ResidualSpan {
  double maxChange = 0;
  double lo = std::numeric_limits<double>::max();
  double hi = -std::numeric_limits<double>::max();
  bool finite = true;
};

ResidualSpan ResidualOver(const Eigen::SparseMatrix<double, Eigen::RowMajor, int>& a,
                          const Eigen::VectorXd& x, const Eigen::VectorXd& rhs,
                          const Eigen::VectorXd& diagonal, int from, int to) {
  const int* start = a.outerIndexPtr();
  const int* column = a.innerIndexPtr();
  const double* value = a.valuePtr();
  ResidualSpan span;
  for (int p = from; p < to; ++p) {
    double product = 0;
    for (int k = start[p]; k < start[p + 1]; ++k)
      product += value[k] * x[column[k]];
    const double change = std::fabs((rhs[p] - product) / diagonal[p]);
    // Plain comparisons, not fmax: this loop runs every time step over every volume.
    span.finite = span.finite && std::isfinite(x[p]) && std::isfinite(change);
    span.maxChange = change > span.maxChange ? change : span.maxChange;
    span.lo = x[p] < span.lo ? x[p] : span.lo;
    span.hi = x[p] > span.hi ? x[p] : span.hi;
  }
  return span;
}

// The relative change of the residual's parts taken together: largest and smallest values
// do not depend on the order they are taken in, so the answer is that of one pass.
double Combined(const ResidualSpan* spans, int count) {
  ResidualSpan all;
  for (int k = 0; k < count; ++k) {
    if (!spans[k].finite)
      return std::numeric_limits<double>::infinity();
    all.maxChange = std::fmax(all.maxChange, spans[k].maxChange);
    all.lo = std::fmin(all.lo, spans[k].lo);
    all.hi = std::fmax(all.hi, spans[k].hi);
  }
  return Simulator::RelativeChange(all.maxChange, all.lo, all.hi);
}

}  // namespace

// The system as assembled, aP T_P - sum a_nb T_nb = b, each row divided by its volume's
// specific heat. Multiplied back by it, the rows of an orthogonal grid form a symmetric
// positive definite matrix, factored as L D L^T; the cross terms of a skewed grid make it
// unsymmetric, and then a sparse LU with row pivoting is used instead.
struct DirectSolver::Impl {
  using RowMatrix = Eigen::SparseMatrix<double, Eigen::RowMajor, int>;
  int ni = 0;
  int nj = 0;
  Dissection dissection;
  RowMatrix a;  // for residuals
  bool symmetric = false;
  BlockFactor blocks;
  std::unique_ptr<PairRunner> pair;
  Eigen::SparseLU<ColumnMatrix, Eigen::NaturalOrdering<int>> lu;
  Eigen::VectorXd heat;  // specific heat of each unknown's volume
  Eigen::VectorXd rhs;
  Eigen::VectorXd x;
  Eigen::VectorXd work;  // residuals, kept to avoid an allocation per step
  Eigen::VectorXd diagonal;
  std::vector<int> volumeI, volumeJ;  // the volume of each unknown
  double change = 0;                  // of the solution as it stands
  bool factored = false;

  int Index(int i, int j) const {
    return dissection.position[static_cast<std::size_t>(j * ni + i)];
  }

  // x = A^-1 y.
  void SolveInto(const Eigen::VectorXd& y, Eigen::VectorXd& out) {
    if (symmetric) {
      out = y.cwiseProduct(heat);
      const auto nothing = [](int, int, int) {};
      blocks.Solve(out.data(), *pair, nothing, nothing);
    } else {
      out = lu.solve(y);
    }
  }

  // The change of the solution as it stands, two halves of the rows at once.
  double ResidualChange() const {
    const int n = static_cast<int>(x.size());
    ResidualSpan spans[2];
    pair->Run([&] { spans[0] = ResidualOver(a, x, rhs, diagonal, 0, n / 2); },
              [&] { spans[1] = ResidualOver(a, x, rhs, diagonal, n / 2, n); });
    return Combined(spans, 2);
  }
};

DirectSolver::DirectSolver() : impl(std::make_unique<Impl>()) {}
DirectSolver::~DirectSolver() = default;

void DirectSolver::SetThreadLimit(int threads) {
  threadLimit.store(threads < 2 ? 1 : 2);
}

bool DirectSolver::Parallel() const {
  return impl->factored && impl->pair && impl->pair->Parallel();
}

bool DirectSolver::Factored() const {
  return impl->factored;
}

bool DirectSolver::Symmetric() const {
  return impl->factored && impl->symmetric;
}

namespace {

// Whether the rows, each multiplied by its volume's specific heat, are symmetric to within
// rounding: then the factor of their lower triangle solves the system as exactly as any.
// Each coefficient is compared with its mirror in the neighbour's row, against the smaller
// of the two centre coefficients. Two materials meeting at a face make it fail: the face's
// conductance is computed from each side, and the two agree only to single precision.
bool SymmetricOnceScaled(const Simulator& sim) {
  const Media& grid = *sim.media;
  const auto heat = [&grid](int i, int j) { return grid.volume(i, j).specificHeat; };
  const auto mirrored = [&](int i, int j, double a, int i2, int j2, double a2) {
    const double scale = std::fmin(sim.aP[i][j] * heat(i, j), sim.aP[i2][j2] * heat(i2, j2));
    return std::fabs(a * heat(i, j) - a2 * heat(i2, j2)) <= 1e-12 * scale;
  };
  for (int j = 0; j < grid.nj; ++j) {
    for (int i = 0; i < grid.ni; ++i) {
      if (!(heat(i, j) > 0))
        return false;
      const bool east = i + 1 < grid.ni;
      const bool north = j + 1 < grid.nj;
      if (east && !mirrored(i, j, sim.aE[i][j], i + 1, j, sim.aW[i + 1][j]))
        return false;
      if (north && !mirrored(i, j, sim.aN[i][j], i, j + 1, sim.aS[i][j + 1]))
        return false;
      if (east && north && !mirrored(i, j, sim.aNE[i][j], i + 1, j + 1, sim.aSW[i + 1][j + 1]))
        return false;
      if (i > 0 && north && !mirrored(i, j, sim.aNW[i][j], i - 1, j + 1, sim.aSE[i - 1][j + 1]))
        return false;
    }
  }
  return true;
}

}  // namespace

bool DirectSolver::Factor(const Simulator& sim) {
  Impl& m = *impl;
  m.factored = false;
  m.ni = sim.media->ni;
  m.nj = sim.media->nj;
  const int n = m.ni * m.nj;
  m.dissection = Dissection{};
  m.dissection.position.assign(static_cast<std::size_t>(n), 0);
  int next = 0;
  Dissect(m.ni, 0, m.ni, 0, m.nj, m.dissection, next, true);

  // aP T_P - sum a_nb T_nb = b: the neighbour coefficients enter with a minus sign, and a
  // neighbour outside the grid is absent, as in the sweeps.
  std::vector<Eigen::Triplet<double, int>> entries;
  entries.reserve(static_cast<std::size_t>(n) * 9);
  m.diagonal.resize(n);
  m.heat.resize(n);
  for (int j = 0; j < m.nj; ++j) {
    for (int i = 0; i < m.ni; ++i) {
      const int p = m.Index(i, j);
      m.diagonal[p] = sim.aP[i][j];
      m.heat[p] = sim.media->volume(i, j).specificHeat;
      entries.emplace_back(p, p, sim.aP[i][j]);
      const auto add = [&](int ni2, int nj2, double coefficient) {
        if (ni2 < 0 || ni2 >= m.ni || nj2 < 0 || nj2 >= m.nj || coefficient == 0)
          return;
        entries.emplace_back(p, m.Index(ni2, nj2), -coefficient);
      };
      add(i, j + 1, sim.aN[i][j]);
      add(i, j - 1, sim.aS[i][j]);
      add(i - 1, j, sim.aW[i][j]);
      add(i + 1, j, sim.aE[i][j]);
      add(i - 1, j + 1, sim.aNW[i][j]);
      add(i + 1, j + 1, sim.aNE[i][j]);
      add(i - 1, j - 1, sim.aSW[i][j]);
      add(i + 1, j - 1, sim.aSE[i][j]);
    }
  }
  // A coefficient that is not finite (a degenerate grid) cannot be factored meaningfully.
  for (const auto& e : entries) {
    if (!std::isfinite(e.value()))
      return false;
  }
  m.a.resize(n, n);
  m.a.setFromTriplets(entries.begin(), entries.end());
  m.a.makeCompressed();

  // A hand-over costs a wake-up of the worker; on a small grid that is more than the half
  // it would take off the caller.
  const bool parallel = threadLimit.load() >= 2 && n >= parallelUnknowns;
  if (!m.pair || m.pair->Parallel() != parallel)
    m.pair = std::make_unique<PairRunner>(parallel);
  m.symmetric = false;
  if (SymmetricOnceScaled(sim)) {
    ColumnMatrix lower(n, n);
    {
      std::vector<Eigen::Triplet<double, int>> below;
      below.reserve(entries.size() / 2 + static_cast<std::size_t>(n));
      for (const auto& e : entries) {
        if (e.row() >= e.col())
          below.emplace_back(e.row(), e.col(), e.value() * m.heat[e.row()]);
      }
      lower.setFromTriplets(below.begin(), below.end());
    }
    m.symmetric = m.blocks.Factor(lower, m.dissection, *m.pair);
  }
  if (!m.symmetric) {
    const ColumnMatrix columns(m.a);
    m.lu.isSymmetric(true);
    m.lu.compute(columns);
    if (m.lu.info() != Eigen::Success)
      return false;
  }
  m.rhs.resize(n);
  m.x.resize(n);
  m.work.resize(n);
  m.volumeI.resize(static_cast<std::size_t>(n));
  m.volumeJ.resize(static_cast<std::size_t>(n));
  for (int j = 0; j < m.nj; ++j) {
    for (int i = 0; i < m.ni; ++i) {
      m.volumeI[static_cast<std::size_t>(m.Index(i, j))] = i;
      m.volumeJ[static_cast<std::size_t>(m.Index(i, j))] = j;
    }
  }
  m.change = std::numeric_limits<double>::infinity();
  m.factored = true;
  return true;
}

void DirectSolver::Solve(const NumMatrix<double>& b) {
  Impl& m = *impl;
  if (m.symmetric) {
    // Each part of the right-hand side into the factor's order, multiplied by the specific
    // heats, as its forward pass starts; each part's residual as soon as it is solved.
    ResidualSpan spans[3];
    m.blocks.Solve(
        m.x.data(), *m.pair,
        [&m, &b](int, int from, int to) {
          for (int p = from; p < to; ++p) {
            const double value =
                b[m.volumeI[static_cast<std::size_t>(p)]][m.volumeJ[static_cast<std::size_t>(p)]];
            m.rhs[p] = value;
            m.x[p] = value * m.heat[p];
          }
        },
        [&m, &spans](int part, int from, int to) {
          spans[part] = ResidualOver(m.a, m.x, m.rhs, m.diagonal, from, to);
        });
    m.change = Combined(spans, 3);
    return;
  }
  const auto gather = [&m, &b](int j0, int j1) {
    for (int j = j0; j < j1; ++j) {
      for (int i = 0; i < m.ni; ++i)
        m.rhs[m.Index(i, j)] = b[i][j];
    }
  };
  m.pair->Run([&] { gather(0, m.nj / 2); }, [&] { gather(m.nj / 2, m.nj); });
  m.x = m.lu.solve(m.rhs);
  m.change = m.ResidualChange();
}

void DirectSolver::Refine() {
  Impl& m = *impl;
  m.work = m.rhs - m.a * m.x;
  Eigen::VectorXd correction;
  m.SolveInto(m.work, correction);
  m.x += correction;
  m.change = m.ResidualChange();
}

double DirectSolver::Change() const {
  return impl->change;
}

void DirectSolver::CopyTo(NumMatrix<double>& T) const {
  const Impl& m = *impl;
  const auto scatter = [&m, &T](int j0, int j1) {
    for (int j = j0; j < j1; ++j) {
      for (int i = 0; i < m.ni; ++i)
        T[i][j] = m.x[m.Index(i, j)];
    }
  };
  m.pair->Run([&] { scatter(0, m.nj / 2); }, [&] { scatter(m.nj / 2, m.nj); });
}
