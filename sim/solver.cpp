// Time stepping: Gauss-Seidel sweeps (or the direct solver) for each implicit step, the
// steady-state test, and the heat rates derived from a solved field.

#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "sim/directsolver.h"
#include "sim/geometry.h"
#include "sim/simulator.h"

namespace {

constexpr double largest = std::numeric_limits<double>::max();
// Derived values are kept below this, leaving room for the rounding of sums.
constexpr double safeMagnitude = largest / 4;

// One Gauss-Seidel update of volume (I, J). The neighbours present are fixed at compile
// time so the inner loop carries no tests; the terms are added in the same order in every
// case: b, the North row, the South row, then West and East.
template <bool hasN, bool hasS, bool hasW, bool hasE>
inline double Relax(const Simulator& s, int32_t I, int32_t J, NumMatrix<double>& T) {
  double sum = s.b[I][J];
  if (hasN) {
    sum += s.aN[I][J] * T[I][J + 1];
    if (hasW)
      sum += s.aNW[I][J] * T[I - 1][J + 1];
    if (hasE)
      sum += s.aNE[I][J] * T[I + 1][J + 1];
  }
  if (hasS) {
    sum += s.aS[I][J] * T[I][J - 1];
    if (hasW)
      sum += s.aSW[I][J] * T[I - 1][J - 1];
    if (hasE)
      sum += s.aSE[I][J] * T[I + 1][J - 1];
  }
  if (hasW)
    sum += s.aW[I][J] * T[I - 1][J];
  if (hasE)
    sum += s.aE[I][J] * T[I + 1][J];
  return sum / s.aP[I][J];
}

struct SweepStats {
  double maxChange = 0;
  double lo = largest;
  double hi = -largest;
  // Stays 0 while every new value is finite: x - x is NaN for an infinity or a NaN.
  double finiteProbe = 0;

  void Take(double old, double value) {
    const double change = std::fabs(old - value);
    if (change > maxChange)
      maxChange = change;
    if (value < lo)
      lo = value;
    if (value > hi)
      hi = value;
    finiteProbe += value - value;
  }
};

template <bool hasN, bool hasS>
inline void SweepRow(const Simulator& s, int32_t J, int32_t ni, NumMatrix<double>& T,
                     SweepStats& stats) {
  double value = Relax<hasN, hasS, false, true>(s, 0, J, T);
  stats.Take(T[0][J], value);
  T[0][J] = value;
  for (int32_t I = 1; I < ni - 1; ++I) {
    value = Relax<hasN, hasS, true, true>(s, I, J, T);
    stats.Take(T[I][J], value);
    T[I][J] = value;
  }
  value = Relax<hasN, hasS, true, false>(s, ni - 1, J, T);
  stats.Take(T[ni - 1][J], value);
  T[ni - 1][J] = value;
}

}  // namespace

double Simulator::RelativeChange(double maxChange, double lo, double hi) {
  if (maxChange == 0)
    return 0;
  const double magnitude = std::fmax(std::fabs(lo), std::fabs(hi));
  double range = hi - lo;
  const double floor = 1e-6 * magnitude;
  if (range < floor)
    range = floor;
  // Everything changed to exactly zero: as large a change as there can be.
  if (!(range > 0))
    return 1;
  const double ratio = maxChange / range;
  return ratio < largest ? ratio : largest;
}

bool Simulator::Solve() {
  failure = StepFailure::None;
  if (solver != SolverKind::Direct)
    return SolveGaussSeidel();
  // The factor is the one large allocation a run makes after it starts; without the memory
  // for it the step fails like any other, and the run can stop cleanly.
  try {
    return SolveDirect();
  } catch (const std::bad_alloc&) {
    direct.reset();
    failure = StepFailure::OutOfMemory;
    return false;
  }
}

bool Simulator::SolveGaussSeidel() {
  const int32_t ni = media->ni;
  const int32_t nj = media->nj;
  NumMatrix<double>& field = T;
  for (int32_t k = 1;; ++k) {
    if (k > maxIterSpace) {
      failure = StepFailure::SweepLimit;
      return false;
    }
    SweepStats stats;
    // Visit with I fastest inside J; new values are used at once by later volumes.
    SweepRow<true, false>(*this, 0, ni, field, stats);
    for (int32_t J = 1; J < nj - 1; ++J)
      SweepRow<true, true>(*this, J, ni, field, stats);
    SweepRow<false, true>(*this, nj - 1, ni, field, stats);

    // An overflowing or undefined temperature can never converge to anything a student
    // should see; the step is undone instead.
    if (stats.finiteProbe != 0 || std::isnan(stats.finiteProbe)) {
      failure = StepFailure::NotFinite;
      return false;
    }

    const double error = RelativeChange(stats.maxChange, stats.lo, stats.hi);
    if (!Report(k, error))
      return false;
    if (error < tolSpace) {
      Report(progress::Converged(k), error);
      return true;
    }
  }
}

// The same equations solved exactly. The progress codes are those of the sweeps, so the
// run dialog and the steady-state test work unchanged: pass k is the solve (k = 1) or a
// refinement of it, and its value is the change one more sweep would make. Refinement
// stops at the tolerance, or after two passes: by then the answer is as exact as the
// arithmetic allows, and a tolerance below rounding cannot ask for more.
bool Simulator::SolveDirect() {
  if (!direct) {
    direct = std::make_unique<DirectSolver>();
    if (!direct->Factor(*this)) {
      direct.reset();
      failure = StepFailure::Singular;
      return false;
    }
  }
  constexpr int32_t passes = 3;
  direct->Solve(b);
  for (int32_t k = 1;; ++k) {
    const double error = direct->Change();
    if (!(error < largest)) {
      failure = StepFailure::NotFinite;
      return false;
    }
    if (!Report(k, error))
      return false;
    if (error < tolSpace || k == passes) {
      direct->CopyTo(T);
      Report(progress::Converged(k), error);
      return true;
    }
    direct->Refine();
  }
}

bool Simulator::DerivedValuesFinite() const {
  double biggest = 0;
  for (int32_t i = 0; i < T.N(); ++i) {
    for (int32_t j = 0; j < T.M(); ++j) {
      const double magnitude = std::fabs(T[i][j]);
      // Written so that a NaN, which compares false with everything, fails at once.
      if (!(magnitude <= biggest)) {
        if (!(magnitude > biggest))
          return false;
        biggest = magnitude;
      }
    }
  }
  return biggest * derivedGrowth + derivedOffset < safeMagnitude;
}

double Simulator::StepChange(const NumMatrix<double>& before) const {
  double maxChange = 0;
  double lo = largest;
  double hi = -largest;
  for (int32_t i = 0; i < T.N(); ++i) {
    for (int32_t j = 0; j < T.M(); ++j) {
      const double value = T[i][j];
      const double change = std::fabs(before[i][j] - value);
      if (change > maxChange)
        maxChange = change;
      if (value < lo)
        lo = value;
      if (value > hi)
        hi = value;
    }
  }
  return RelativeChange(maxChange, lo, hi);
}

int8_t Simulator::Advance(int32_t target) {
  const int32_t n = target - iteration;
  // A steady field has no storage term left to step with.
  if (n < 1 || steady)
    return NothingToDo;
  for (int32_t step = 0; step < n; ++step) {
    previous.CopyValuesFrom(T);
    const double timeBefore = time;
    time += dt;
    iteration += 1;
    bool solved = Solve();
    if (solved && !DerivedValuesFinite()) {
      failure = StepFailure::NotFinite;
      solved = false;
    }
    if (!solved) {
      T.CopyValuesFrom(previous);
      time = timeBefore;
      iteration -= 1;
      UpdateSource();
      // The heat rates may date from before earlier accepted steps of this call; a snapshot
      // taken now must not pair this field with them.
      ComputeFluxes();
      Report(progress::StepUndone, 0);
      return StepFailed;
    }
    // The right-hand side of the next step.
    UpdateSource();
    timeError = StepChange(previous);
    stepStart.Swap(previous);
    if (!Report(progress::StepAccepted, 0)) {
      ComputeFluxes();
      return StoppedByUser;
    }
    if (timeError < tolTime || iteration == maxIterTime) {
      ComputeFluxes();
      Report(progress::RunComplete, 0);
      return Complete;
    }
  }
  ComputeFluxes();
  Report(progress::TargetReached, 0);
  return ReachedTarget;
}

bool Simulator::EveryPartHeld() const {
  const int32_t ni = media->ni;
  const int32_t nj = media->nj;
  // Volumes joined by a non-zero coefficient in either's row form one group (union-find).
  std::vector<int32_t> parent(static_cast<std::size_t>(ni) * nj);
  for (std::size_t k = 0; k < parent.size(); ++k)
    parent[k] = static_cast<int32_t>(k);
  const auto root = [&parent](int32_t k) {
    while (parent[static_cast<std::size_t>(k)] != k) {
      const int32_t up = parent[static_cast<std::size_t>(k)];
      parent[static_cast<std::size_t>(k)] = parent[static_cast<std::size_t>(up)];
      k = up;
    }
    return k;
  };
  const auto join = [&](int32_t a, int32_t b) {
    parent[static_cast<std::size_t>(root(a))] = root(b);
  };
  for (int32_t j = 0; j < nj; ++j) {
    for (int32_t i = 0; i < ni; ++i) {
      const int32_t p = j * ni + i;
      const auto couple = [&](int32_t i2, int32_t j2, double coefficient) {
        if (coefficient != 0 && i2 >= 0 && i2 < ni && j2 >= 0 && j2 < nj)
          join(p, j2 * ni + i2);
      };
      couple(i, j + 1, aN[i][j]);
      couple(i, j - 1, aS[i][j]);
      couple(i - 1, j, aW[i][j]);
      couple(i + 1, j, aE[i][j]);
      couple(i - 1, j + 1, aNW[i][j]);
      couple(i + 1, j + 1, aNE[i][j]);
      couple(i - 1, j - 1, aSW[i][j]);
      couple(i + 1, j - 1, aSE[i][j]);
    }
  }
  std::vector<char> held(parent.size(), 0);
  const auto hold = [&](int32_t i, int32_t j, const SimTerm& term) {
    if (term.first > 0)
      held[static_cast<std::size_t>(root(j * ni + i))] = 1;
  };
  for (int32_t i = 0; i < ni; ++i) {
    hold(i, 0, termSN[i][0]);
    hold(i, nj - 1, termSN[i][nj]);
  }
  for (int32_t j = 0; j < nj; ++j) {
    hold(0, j, termWE[0][j]);
    hold(ni - 1, j, termWE[ni][j]);
  }
  for (std::size_t k = 0; k < parent.size(); ++k) {
    if (!held[static_cast<std::size_t>(root(static_cast<int32_t>(k)))])
      return false;
  }
  return true;
}

int8_t Simulator::SolveSteady() {
  if (iteration != 0 || steady)
    return NothingToDo;
  failure = StepFailure::None;
  if (!EveryPartHeld()) {
    failure = StepFailure::NoSteadyState;
    Report(progress::StepUndone, 0);
    return StepFailed;
  }
  // The storage term leaves both sides: rho A / dt from aP, rho A T(old) / dt from b. The
  // factor of the transient, if any, belongs to another matrix.
  previous.CopyValuesFrom(T);
  aP.CopyValuesFrom(aPs);
  b.CopyValuesFrom(bs);
  steady = true;
  direct.reset();
  time = std::numeric_limits<double>::infinity();
  iteration = 1;
  bool solved;
  // As in a time step: the factor may find no memory, and a field may be too large for the
  // heat rates derived from it.
  try {
    solved = SolveDirect();
  } catch (const std::bad_alloc&) {
    failure = StepFailure::OutOfMemory;
    solved = false;
  }
  if (solved && !DerivedValuesFinite()) {
    failure = StepFailure::NotFinite;
    solved = false;
  }
  if (!solved) {
    direct.reset();
    steady = false;
    T.CopyValuesFrom(previous);
    time = 0;
    iteration = 0;
    InitTransient();
    ComputeFluxes();
    Report(progress::StepUndone, 0);
    return StepFailed;
  }
  // Another step from the steady field would not change it.
  timeError = 0;
  stepStart.Swap(previous);
  ComputeFluxes();
  Report(progress::StepAccepted, 0);
  Report(progress::RunComplete, 0);
  return Complete;
}

void Simulator::ComputeFluxes() {
  const int32_t ni = media->ni;
  const int32_t nj = media->nj;

  for (int32_t J = 0; J < nj; ++J) {
    for (int32_t I = 0; I < ni; ++I) {
      const double cp = media->volume(I, J).specificHeat;
      const double tP = T[I][J];

      // North face.
      const SimTerm& n = termSN[I][J + 1];
      if (J == nj - 1) {
        heatSN[I][J + 1] = (n.second - n.first * tP) * cp;
      } else {
        double d;
        if (I == 0) {
          d = ((T[I + 1][J + 1] + T[I + 1][J]) - (T[I][J + 1] + T[I][J])) * 0.5;
        } else if (I == ni - 1) {
          d = ((T[I][J + 1] + T[I][J]) - (T[I - 1][J + 1] + T[I - 1][J])) * 0.5;
        } else {
          d = (T[I + 1][J + 1] + T[I + 1][J] - T[I - 1][J + 1] - T[I - 1][J]) * 0.25;
        }
        heatSN[I][J + 1] = (T[I][J + 1] - T[I][J]) * n.first - d * n.second;
      }

      // East face.
      const SimTerm& e = termWE[I + 1][J];
      if (I == ni - 1) {
        heatWE[I + 1][J] = (e.second - e.first * tP) * cp;
      } else {
        double d;
        if (J == 0) {
          d = ((T[I + 1][J + 1] + T[I][J + 1]) - (T[I + 1][J] + T[I][J])) * 0.5;
        } else if (J == nj - 1) {
          d = ((T[I + 1][J] + T[I][J]) - (T[I + 1][J - 1] + T[I][J - 1])) * 0.5;
        } else {
          d = (T[I + 1][J + 1] + T[I][J + 1] - T[I + 1][J - 1] - T[I][J - 1]) * 0.25;
        }
        heatWE[I + 1][J] = (T[I + 1][J] - T[I][J]) * e.first - d * e.second;
      }

      if (J == 0) {
        const SimTerm& s = termSN[I][0];
        heatSN[I][0] = (s.first * tP - s.second) * cp;
      }
      if (I == 0) {
        const SimTerm& w = termWE[0][J];
        heatWE[0][J] = (w.first * tP - w.second) * cp;
      }
    }
  }

  for (int32_t I = 0; I < ni; ++I) {
    for (int32_t J = 0; J < nj; ++J) {
      const VolumeGeometry g = GeometryOf(*media, I, J);
      const double wBar = (heatWE[I][J] + heatWE[I + 1][J]) / 2;
      const double sBar = (heatSN[I][J] + heatSN[I][J + 1]) / 2;
      qx[I][J] = -((g.me.x - g.mw.x) * wBar + (g.mn.x - g.ms.x) * sBar) / g.area;
      qy[I][J] = -((g.me.y - g.mw.y) * wBar + (g.mn.y - g.ms.y) * sBar) / g.area;
    }
  }
}
