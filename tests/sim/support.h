#ifndef CALORIVECTRIX_TESTS_SIM_SUPPORT_H
#define CALORIVECTRIX_TESTS_SIM_SUPPORT_H

// A problem assembled from code, owning its grid, functions and four sides, and what tests
// of runs compare.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "sim/face.h"
#include "sim/fheat.h"
#include "sim/manager.h"
#include "sim/media.h"
#include "sim/simulator.h"
#include "sim/streammedia.h"

constexpr double kPi = 3.141592653589793;

struct TestProblem {
  std::unique_ptr<Media> media;
  std::vector<std::unique_ptr<Function1D>> functions;
  Face north, south, east, west;
  double tolTime = 1e-12;
  double tolSpace = 1e-12;
  int maxIterTime = 1000;
  int maxIterSpace = 100000;
  double dt = 1e9;
  double initial = 0;
  SolverKind solver = SolverKind::GaussSeidel;
  RunMode mode = RunMode::Transient;

  explicit TestProblem(std::unique_ptr<Media> grid) : media(std::move(grid)) {}

  const Function1D* Constant(double value) {
    functions.push_back(std::make_unique<FConstant>(value));
    return functions.back().get();
  }
  template <class F>
  const F* Add(std::unique_ptr<F> function) {
    const F* raw = function.get();
    functions.push_back(std::move(function));
    return raw;
  }

  static void Lay(Face& face, FHeat* condition, double lower = 0, double upper = 1) {
    face.Insert(Segment{lower, upper, condition});
  }
  void Temperature(Face& face, double value, double lower = 0, double upper = 1) {
    Lay(face, new FTemperature(Constant(value)), lower, upper);
  }
  void Insulate(Face& face) { Lay(face, new FFlux(Constant(0))); }

  NumMatrix<double> Start() const {
    NumMatrix<double> start(media->ni, media->nj);
    start.SetAll(initial);
    return start;
  }

  std::unique_ptr<Simulator> MakeSimulator(SimCallback callback = nullptr, void* data = nullptr) {
    return std::make_unique<Simulator>(media.get(), &north, &south, &east, &west, tolTime, tolSpace,
                                       maxIterTime, maxIterSpace, dt, Start(), callback, data,
                                       solver);
  }

  std::unique_ptr<SimManager> MakeManager(const NumVector<int>* marks,
                                          SimCallback callback = nullptr, void* data = nullptr) {
    return std::make_unique<SimManager>(media.get(), &north, &south, &east, &west, tolTime,
                                        tolSpace, maxIterTime, maxIterSpace, dt, Start(), callback,
                                        data, marks, solver, mode);
  }
};

// Volumes widen from West to East and shrink from South to North: a uniform grid would hide
// a coefficient taken from the wrong side.
inline std::unique_ptr<Media> StretchedCartesian(int ni, int nj, const VolumeProperties& record) {
  auto grid = std::make_unique<CartesianMedia>(1.0, 0.6, ni, nj, record);
  for (int i = 0; i <= ni; ++i) {
    for (int j = 0; j <= nj; ++j) {
      const double s = static_cast<double>(i) / ni;
      const double t = static_cast<double>(j) / nj;
      grid->node(i, j) = Point{s * (0.5 + 0.5 * s), 0.6 * t * (1.6 - 0.6 * t)};
    }
  }
  return grid;
}

// A skewed grid as a grid file holds it: every volume a different parallelogram-like shape.
inline std::unique_ptr<Media> ShearedFileGrid(int ni, int nj, const VolumeProperties& record) {
  std::ostringstream out;
  out.precision(17);
  out << "xiso\nsheared\n\nNI " << ni << " NJ " << nj << " NODES\n";
  for (int j = 0; j <= nj; ++j) {
    for (int i = 0; i <= ni; ++i)
      out << 0.1 * (i + 0.3 * j) << ' ' << 0.1 * (j + 0.15 * i + 0.02 * i * i) << '\n';
  }
  std::istringstream in(out.str());
  GridFileResult result = ReadGridFile(in, record);
  EXPECT_EQ(result.message, "");
  return std::move(result.media);
}

// Every kind of condition, some varying along their side.
inline void LayMixedConditions(TestProblem& p) {
  p.Lay(p.west, new FTemperature(p.Add(std::make_unique<FSin>(80, 20, kPi))));
  p.Lay(p.east, new FConvection(p.Constant(25), p.Constant(15)));
  p.Lay(p.north, new FFlux(p.Add(std::make_unique<FLinear>(-300, 100))));
  p.Insulate(p.south);
  p.Temperature(p.south, 40, 0.25, 0.5);
}

inline NumVector<int> Marks(std::initializer_list<int> values) {
  NumVector<int> marks(static_cast<int>(values.size()));
  int k = 0;
  for (int v : values)
    marks[k++] = v;
  return marks;
}

// Two fields equal to the bit, in shape and in every value.
inline void ExpectSameField(const NumMatrix<double>& a, const NumMatrix<double>& b) {
  ASSERT_EQ(a.N(), b.N());
  ASSERT_EQ(a.M(), b.M());
  for (int i = 0; i < a.N(); ++i) {
    for (int j = 0; j < a.M(); ++j)
      ASSERT_EQ(a[i][j], b[i][j]) << "at " << i << ", " << j;
  }
}

// Net heat rate into the domain through its four sides (W/m).
inline double NetInflow(const NumMatrix<double>& heatSN, const NumMatrix<double>& heatWE) {
  const int ni = heatSN.N();
  const int nj = heatWE.M();
  double in = 0;
  for (int i = 0; i < ni; ++i)
    in += heatSN[i][nj] - heatSN[i][0];
  for (int j = 0; j < nj; ++j)
    in += heatWE[ni][j] - heatWE[0][j];
  return in;
}

// Total heat rate crossing the boundary in either direction, a scale for balances.
inline double BoundaryTraffic(const NumMatrix<double>& heatSN, const NumMatrix<double>& heatWE) {
  const int ni = heatSN.N();
  const int nj = heatWE.M();
  double sum = 0;
  for (int i = 0; i < ni; ++i)
    sum += std::abs(heatSN[i][nj]) + std::abs(heatSN[i][0]);
  for (int j = 0; j < nj; ++j)
    sum += std::abs(heatWE[ni][j]) + std::abs(heatWE[0][j]);
  return sum;
}

#endif
