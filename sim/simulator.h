#ifndef CALORIVECTRIX_SIM_SIMULATOR_H
#define CALORIVECTRIX_SIM_SIMULATOR_H

// Cell-centred finite volumes for two-dimensional transient conduction on a structured,
// possibly non-orthogonal quadrilateral grid, with fully implicit (backward Euler) steps.
//
// One unknown temperature per volume P = (I, J); a nine-point stencil (four face and four
// diagonal neighbours) carries the non-orthogonal cross-diffusion terms. Face
// conductivities are harmonic means. Every equation is divided by the specific heat of its
// own volume, so the transient term carries density only and conductances carry k / cp:
//
//   aP T_P = aN T_N + aS T_S + aW T_W + aE T_E
//          + aNW T_NW + aNE T_NE + aSW T_SW + aSE T_SE + b,
//   aP = rho A / dt + aPs,   b = rho A T_P(old) / dt + bs,
//
// where aPs and bs hold the steady conductances, the source q A / cp and the boundary
// conditions' (ap, b). Each step is solved by point Gauss-Seidel sweeps, or, when chosen,
// exactly by a sparse LU factorisation of the same system made once per run.
//
// The steady field is the same system without its storage term, solved once by the
// direct solver:
//
//   aPs T_P = aN T_N + ... + aSE T_SE + bs.
//
// It exists when every part of the domain that conducts to the rest is held somewhere by a
// boundary term with ap > 0 (a temperature, or convection with h > 0); otherwise heat put
// into that part has nowhere to go, or its level is not fixed, and the matrix is singular.
//
// Results are heat rates per unit depth (W/m): heatSN[I][j] through the South/North face
// at column j, positive towards decreasing J; heatWE[i][J] the same towards decreasing I.
// So at North and East a positive value enters the domain, at South and West it leaves.
// qx, qy are the heat-flux density of each volume (W/m^2) along +x and +y.

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/containers.h"
#include "sim/face.h"
#include "sim/media.h"

class Simulator;
class DirectSolver;

// How each time step's equations are solved. Gauss-Seidel is the program's own and the
// default; the direct solver solves the same nine-point system exactly.
enum class SolverKind : int8_t { GaussSeidel = 0, Direct = 1 };

// What a run computes: the field step by step from the starting field, or straight away
// the steady field it tends to (the conditions do not change in time).
enum class RunMode : int8_t { Transient = 0, Steady = 1 };

// Why the last attempted step was undone, for the user interface to explain it.
enum class StepFailure : int8_t {
  None = 0,       // no step failed, or the callback asked to stop
  SweepLimit,     // the sweeps did not converge within maxIterSpace
  NotFinite,      // a temperature, or a heat rate derived from it, overflowed or became undefined
  Singular,       // the direct solver could not factor the system
  OutOfMemory,    // the computer had no memory left for the solver or the run's snapshots
  NoSteadyState,  // part of the domain is held by no fixed temperature or convection
};

// Progress report from the solver; answer true to continue. Codes:
//   k >= 1   after sweep k of the current step (value: its relative change); false stops
//   <= -6    the sweeps converged after k = -code - 5 sweeps (answer ignored)
//   -1       a time step was accepted; false stops the run after it
//   -2       the target animation time was reached (answer ignored)
//   -3       a step was undone: no convergence, a stop during the sweeps, or a
//            non-finite temperature (answer ignored)
//   -4       the run is complete: steady state or the last time step (answer ignored)
using SimCallback = bool (*)(Simulator* sim, int32_t code, double value, void* data);

namespace progress {
constexpr int32_t StepAccepted = -1;
constexpr int32_t TargetReached = -2;
constexpr int32_t StepUndone = -3;
constexpr int32_t RunComplete = -4;
// The code sent when the sweeps converged after k sweeps.
constexpr int32_t Converged(int32_t k) {
  return -(k + 5);
}
// The sweep count a sweep code (k) or a converged code (-(k + 5)) carries.
constexpr int32_t Sweeps(int32_t code) {
  return code >= 0 ? code : -code - 5;
}
}  // namespace progress

class Simulator {
 public:
  // For a face between two volumes: (k_f |s|^2 / D, k_f (s.r) / D), conductivity not
  // divided by cp. For a boundary face: the condition's (ap, b).
  struct SimTerm {
    double first;
    double second;
  };

  // What the condition of one boundary face gave the assembly, for showing the equation of
  // its volume: the condition's own values at the face's position x (normalised along the
  // side), and the normal distance delta from the volume's centre to the face.
  struct BoundaryUse {
    ConditionValues condition;
    double x;
    double delta;
  };

  // Outcomes of Advance.
  enum : int8_t {
    ReachedTarget = 0,
    Complete = 1,
    StepFailed = -1,
    NothingToDo = -2,
    StoppedByUser = -3,
  };

  // The grid must outlive the simulator and stay unchanged; the faces are read only here.
  // The simulator keeps its own copy of the starting field and always starts at time 0.
  Simulator(const Media* media, Face* northFace, Face* southFace, Face* eastFace, Face* westFace,
            double tolTime, double tolSpace, int32_t maxIterTime, int32_t maxIterSpace, double dt,
            const NumMatrix<double>& start, SimCallback callback, void* callbackData,
            SolverKind solver = SolverKind::GaussSeidel);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  double Time() const { return time; }
  int32_t Iteration() const { return iteration; }

  // Advances to the target iteration; see the result codes above.
  int8_t Advance(int32_t target);
  // The steady field in one solve, from the starting field (iteration 0 only; NothingToDo
  // otherwise). Whatever solver was chosen, the direct solver solves it. The field becomes
  // step 1 at time +infinity, the limit the transient tends to, and the step's storage term
  // is zero from then on (for the ledger and the residual). Complete, or StepFailed with
  // Failure() saying why (NoSteadyState, Singular, NotFinite) and the starting field kept.
  int8_t SolveSteady();
  // Whether the field is the steady one.
  bool Steady() const { return steady; }
  // The equations of one time step: Gauss-Seidel sweeps, or the direct solver.
  bool Solve();
  // Largest change relative to the new field's range.
  double StepChange(const NumMatrix<double>& previous) const;
  // b = rho A T / dt + bs with the current T.
  void UpdateSource();
  // Whether every number derived from the current field stays finite: the heat rates, the
  // flux densities, the sums of the energy ledger and the next step's right-hand side. A
  // field can be finite while they overflow (a side held near the largest number a double
  // holds); such a step is failed rather than accepted.
  bool DerivedValuesFinite() const;
  void ComputeFluxes();

  // The relative change measure of sweeps and steps: the largest change over the field's
  // range. A uniform field has no range; there the range is floored at a millionth of the
  // field's magnitude, so a field that rises uniformly still converges while a real change
  // of it still counts.
  static double RelativeChange(double maxChange, double lo, double hi);

  // The solver that produced the field: the direct one for a steady field.
  SolverKind Solver() const { return steady ? SolverKind::Direct : solver; }
  // Why the last attempted step failed; None after an accepted step or a stop by the user.
  StepFailure Failure() const { return failure; }
  // The field at the start of the last accepted step (the starting field before any), so
  // the equations of that step can be checked against the field it produced.
  const NumMatrix<double>& StepStart() const { return stepStart; }
  // rho A of each volume: the storage term's coefficient is this over dt.
  const NumMatrix<double>& Mass() const { return mass; }

  const Media* media;
  Face* northFace;
  Face* southFace;
  Face* eastFace;
  Face* westFace;
  double tolTime;
  double tolSpace;
  double dt;
  int32_t maxIterTime;
  int32_t maxIterSpace;
  SimCallback callback;
  void* callbackData;

  NumMatrix<double> T;
  double time;
  double timeError;
  int32_t iteration;

  NumMatrix<double> aPs;
  NumMatrix<double> aN, aS, aW, aE;
  NumMatrix<double> aNW, aNE, aSW, aSE;
  NumMatrix<double> bs;
  NumMatrix<double> aP;
  NumMatrix<double> b;
  NumMatrix<double> heatSN;
  NumMatrix<double> heatWE;
  NumMatrix<double> qx, qy;
  Matrix<SimTerm> termSN;
  Matrix<SimTerm> termWE;
  // The source q A / cp of each volume, as it went into bs.
  NumMatrix<double> source;
  // Each boundary face's condition as assembly used it: North and South faces by I, West
  // and East faces by J.
  std::vector<BoundaryUse> northUse, southUse, westUse, eastUse;

 private:
  // Takes the assembled system over when the simulator goes (sim/equation).
  friend class RunEquations;

  void Assemble();
  void InitTransient();
  // Whether every group of volumes that conduct to each other has a boundary face with
  // ap > 0, as a steady field needs.
  bool EveryPartHeld() const;
  bool SolveGaussSeidel();
  bool SolveDirect();
  bool Report(int32_t code, double value) {
    return callback == nullptr || callback(this, code, value, callbackData);
  }

  // The field before the step being solved; kept to undo a failed step without allocating.
  NumMatrix<double> previous;
  NumMatrix<double> stepStart;
  // rho A of each volume, the same product every step's source starts from.
  NumMatrix<double> mass;
  SolverKind solver;
  StepFailure failure = StepFailure::None;
  bool steady = false;
  // Made at the first direct solve and kept for the run: the matrix never changes.
  std::unique_ptr<DirectSolver> direct;
  // Every derived value v obeys |v| <= derivedGrowth * max|T| + derivedOffset; set once the
  // system is assembled.
  void BoundDerivedValues();
  double derivedGrowth = 0;
  double derivedOffset = 0;
};

#endif
