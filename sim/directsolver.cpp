#include "sim/directsolver.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>
#include <Eigen/SparseLU>
#include <cmath>
#include <limits>
#include <vector>

#include "sim/simulator.h"

namespace {

// Nested dissection of the volumes [i0, i1) x [j0, j1): each half first, then the grid line
// that separates them. Nine-point neighbours never reach across a whole grid line, so the
// halves' unknowns do not mix and the factors fill in far less than in any row-by-row
// order (a third of what the general column ordering gives at 200 x 200).
void Dissect(int ni, int i0, int i1, int j0, int j1, std::vector<int>& position, int& next) {
  const int w = i1 - i0;
  const int h = j1 - j0;
  if (w <= 0 || h <= 0)
    return;
  if (w * h <= 16) {
    for (int j = j0; j < j1; ++j) {
      for (int i = i0; i < i1; ++i)
        position[j * ni + i] = next++;
    }
    return;
  }
  if (w >= h) {
    const int m = i0 + w / 2;
    Dissect(ni, i0, m, j0, j1, position, next);
    Dissect(ni, m + 1, i1, j0, j1, position, next);
    for (int j = j0; j < j1; ++j)
      position[j * ni + m] = next++;
  } else {
    const int m = j0 + h / 2;
    Dissect(ni, i0, i1, j0, m, position, next);
    Dissect(ni, i0, i1, m + 1, j1, position, next);
    for (int i = i0; i < i1; ++i)
      position[m * ni + i] = next++;
  }
}

}  // namespace

// Unknowns are numbered in nested-dissection order; the factorisation keeps that order for
// its columns and pivots rows only where the diagonal is too small.
struct DirectSolver::Impl {
  using Matrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
  int ni = 0;
  int nj = 0;
  std::vector<int> position;  // of volume (I, J) at J * ni + I
  Matrix a;
  Eigen::SparseLU<Matrix, Eigen::NaturalOrdering<int>> lu;
  Eigen::VectorXd rhs;
  Eigen::VectorXd x;
  mutable Eigen::VectorXd work;  // residuals, kept to avoid an allocation per step
  Eigen::VectorXd diagonal;
  bool factored = false;

  int Index(int i, int j) const { return position[static_cast<std::size_t>(j * ni + i)]; }
};

DirectSolver::DirectSolver() : impl(std::make_unique<Impl>()) {}
DirectSolver::~DirectSolver() = default;

bool DirectSolver::Factored() const {
  return impl->factored;
}

bool DirectSolver::Factor(const Simulator& sim) {
  Impl& m = *impl;
  m.factored = false;
  m.ni = sim.media->ni;
  m.nj = sim.media->nj;
  const int n = m.ni * m.nj;
  m.position.assign(static_cast<std::size_t>(n), 0);
  int next = 0;
  Dissect(m.ni, 0, m.ni, 0, m.nj, m.position, next);

  // aP T_P - sum a_nb T_nb = b: the neighbour coefficients enter with a minus sign, and a
  // neighbour outside the grid is absent, as in the sweeps.
  std::vector<Eigen::Triplet<double, int>> entries;
  entries.reserve(static_cast<std::size_t>(n) * 9);
  m.diagonal.resize(n);
  for (int j = 0; j < m.nj; ++j) {
    for (int i = 0; i < m.ni; ++i) {
      const int p = m.Index(i, j);
      m.diagonal[p] = sim.aP[i][j];
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
  m.lu.isSymmetric(true);
  m.lu.compute(m.a);
  if (m.lu.info() != Eigen::Success)
    return false;
  m.rhs.resize(n);
  m.x.resize(n);
  m.work.resize(n);
  m.factored = true;
  return true;
}

void DirectSolver::Solve(const NumMatrix<double>& b) {
  Impl& m = *impl;
  for (int j = 0; j < m.nj; ++j) {
    for (int i = 0; i < m.ni; ++i)
      m.rhs[m.Index(i, j)] = b[i][j];
  }
  m.x = m.lu.solve(m.rhs);
}

void DirectSolver::Refine() {
  Impl& m = *impl;
  m.work = m.rhs - m.a * m.x;
  m.x += m.lu.solve(m.work);
}

double DirectSolver::Change() const {
  const Impl& m = *impl;
  m.work = m.rhs - m.a * m.x;
  double maxChange = 0;
  double lo = std::numeric_limits<double>::max();
  double hi = -lo;
  for (Eigen::Index p = 0; p < m.x.size(); ++p) {
    const double value = m.x[p];
    if (!std::isfinite(value))
      return std::numeric_limits<double>::infinity();
    maxChange = std::fmax(maxChange, std::fabs(m.work[p] / m.diagonal[p]));
    lo = std::fmin(lo, value);
    hi = std::fmax(hi, value);
  }
  if (!std::isfinite(maxChange))
    return std::numeric_limits<double>::infinity();
  return Simulator::RelativeChange(maxChange, lo, hi);
}

void DirectSolver::CopyTo(NumMatrix<double>& T) const {
  const Impl& m = *impl;
  for (int j = 0; j < m.nj; ++j) {
    for (int i = 0; i < m.ni; ++i)
      T[i][j] = m.x[m.Index(i, j)];
  }
}
