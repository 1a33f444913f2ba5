#ifndef CALORIVECTRIX_SIM_MANAGER_H
#define CALORIVECTRIX_SIM_MANAGER_H

// One run: the simulator while the run can still continue, and the snapshots it produced,
// one per animation time reached, with the extremes of the stored fields over the run.

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/history.h"
#include "sim/ledger.h"
#include "sim/simulator.h"

class RunEquations;

// The extremes of the stored fields: of one snapshot, or of every snapshot of a run. One
// list, so that copying and widening them cannot miss one.
struct FieldExtremes {
  double maxT, minT;
  double minQx, maxQx, minQy, maxQy, minHeatSN, maxHeatSN, minHeatWE, maxHeatWE;

  // Takes in the other's range as well.
  void Widen(const FieldExtremes& other);
};

// A self-contained copy of the simulator's state at one moment; meanings and signs as in
// Simulator.
class SimSnapshot : public FieldExtremes {
 public:
  explicit SimSnapshot(const Simulator& sim);

  double Time() const { return time; }
  int32_t Iteration() const { return iteration; }

  double time;
  double timeError;
  int32_t iteration;
  NumMatrix<double> T;
  NumMatrix<double> qx, qy;
  NumMatrix<double> heatSN;
  NumMatrix<double> heatWE;
  // The field at the start of the step that produced this one (the starting field itself
  // for snapshot 0): the old temperatures of that step's equations.
  NumMatrix<double> stepStart;
  // The convergence check of this field, made while the step that produced it is known.
  EnergyLedger ledger;
};

// The extremes it carries are those over all its snapshots, for the displays' scales.
class SimManager : public FieldExtremes {
 public:
  // Builds the simulator (which assembles the problem) and stores snapshot 0. The marks
  // are the animation times in time steps, starting at 0; they are not owned and must not
  // change while the manager holds a simulator. A steady run ignores them.
  SimManager(const Media* media, Face* northFace, Face* southFace, Face* eastFace, Face* westFace,
             double tolTime, double tolSpace, int32_t maxIterTime, int32_t maxIterSpace, double dt,
             const NumMatrix<double>& start, SimCallback callback, void* callbackData,
             const NumVector<int>* marks, SolverKind solver = SolverKind::GaussSeidel,
             RunMode mode = RunMode::Transient);
  ~SimManager();
  SimManager(const SimManager&) = delete;
  SimManager& operator=(const SimManager&) = delete;

  // A transient run advances from one animation time to the next, storing a snapshot at
  // each; a steady run solves for the steady field once (Simulator::SolveSteady) and stores
  // it as the second and last snapshot. True when the run has nothing left to do; false
  // when stopped (by the user or a failed step) and may be called again to continue.
  bool Run();
  // Appends a snapshot of the current state if it is newer than the last one; false also
  // when there is no memory left for it.
  bool TakeSnapshot();
  // Why the run last stopped short: the simulator's failed step, or no memory left for a
  // snapshot (the snapshots taken before are kept). None after a run that went well.
  StepFailure Failure() const;
  // Destroys the simulator unless a run is in progress; the snapshots stay, and so do the
  // assembled equations (Equations()).
  bool ReleaseSimulator();

  // Records the temperatures of these volumes (at most TimeHistory::kMaxVolumes, inside the
  // grid) at every accepted step from now on, starting with the current state; to be called
  // before the first Run. `maxRows` bounds the rows kept (TimeHistory).
  void Watch(const std::vector<VolumeIndex>& volumes, std::size_t maxRows = TimeHistory::kMaxRows);
  const TimeHistory& History() const { return history; }
  // The run's assembled system once its simulator is released; null before.
  const RunEquations* Equations() const { return equations.get(); }

  int32_t Count() const { return static_cast<int32_t>(snapshots.size()); }
  int32_t Capacity() const { return capacity; }
  const SimSnapshot& LastSnapshot() const { return *snapshots.back(); }
  const SimSnapshot& operator[](int32_t index) const { return *snapshots[index]; }
  const SimSnapshot& Snapshot(int32_t index) const { return *snapshots[index]; }

  Simulator* Sim() { return sim.get(); }
  const Simulator* Sim() const { return sim.get(); }
  int32_t CurMark() const { return curMark; }
  RunMode Mode() const { return mode; }
  bool Running() const { return running; }

  // The settings the run was made with. The problem's own may have changed since: what the
  // results were computed with is read here, not there.
  double TimeStep() const { return dt; }
  double SteadyTolerance() const { return tolTime; }
  int32_t TimeSteps() const { return maxIterTime; }

 private:
  void Append(std::unique_ptr<SimSnapshot> snapshot);
  // Appends a snapshot of the simulator as it stands; without the memory for it, marks the
  // run as out of memory and keeps the snapshots it has.
  bool AppendCurrent();
  void CheckInvariants() const;
  // The simulator reports here first: every accepted step goes into the history before the
  // caller's callback hears of it.
  static bool Relay(Simulator* sim, int32_t code, double value, void* data);

  SimCallback callback;
  void* callbackData;
  TimeHistory history;
  std::unique_ptr<RunEquations> equations;
  std::unique_ptr<Simulator> sim;
  double dt;
  double tolTime;
  int32_t maxIterTime;
  const NumVector<int>* iterMarks;
  RunMode mode;
  int32_t curMark;
  bool running;
  std::vector<std::unique_ptr<SimSnapshot>> snapshots;
  // The list grows in steps of 20, as it always has; kept separately because the standard
  // vector is free to choose its own growth.
  int32_t capacity;
  bool memoryExhausted = false;
};

// The memory one snapshot of an ni x nj grid holds, and at most a whole run's snapshots with
// that many animation times: what a run must be able to store before it starts.
uint64_t SnapshotBytes(int32_t ni, int32_t nj);
uint64_t RunSnapshotBytes(int32_t ni, int32_t nj, int32_t animationTimes);

// Whether a stored field is a steady state by the run's own test: the step that produced it
// changed the field by less than the steady-state tolerance (relative to the field's range),
// or a steady run solved for it.
// A run that ends at its last time step without passing that test is still a transient,
// however well each step's equations were solved.
enum class SteadyState : int8_t {
  NoStep,      // snapshot 0: no time step led to it
  Reached,     // its last step changed the field by less than the tolerance
  NotReached,  // its last step changed the field by the tolerance or more
  Solved       // the steady field of a run in RunMode::Steady, solved for at once
};
SteadyState SteadyStateOf(const SimManager& run, const SimSnapshot& snapshot);

// Temperature at node (i, j): the mean of the (up to) four volumes around it, so a corner
// node takes its corner volume's value and an edge node the mean of its two neighbours.
double VertexTemperature(const SimSnapshot& snapshot, int32_t i, int32_t j);

#endif
