#include "sim/manager.h"

#include <algorithm>
#include <new>

#include "sim/equation.h"

void FieldExtremes::Widen(const FieldExtremes& other) {
  maxT = std::max(maxT, other.maxT);
  minT = std::min(minT, other.minT);
  minQx = std::min(minQx, other.minQx);
  maxQx = std::max(maxQx, other.maxQx);
  minQy = std::min(minQy, other.minQy);
  maxQy = std::max(maxQy, other.maxQy);
  minHeatSN = std::min(minHeatSN, other.minHeatSN);
  maxHeatSN = std::max(maxHeatSN, other.maxHeatSN);
  minHeatWE = std::min(minHeatWE, other.minHeatWE);
  maxHeatWE = std::max(maxHeatWE, other.maxHeatWE);
}

SimSnapshot::SimSnapshot(const Simulator& sim)
    : FieldExtremes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      time(sim.time),
      timeError(sim.timeError),
      iteration(sim.iteration),
      T(sim.T),
      qx(sim.qx),
      qy(sim.qy),
      heatSN(sim.heatSN),
      heatWE(sim.heatWE),
      stepStart(sim.StepStart()),
      ledger(LedgerOf(sim)) {
  T.MinMax(minT, maxT);
  qx.MinMax(minQx, maxQx);
  qy.MinMax(minQy, maxQy);
  heatSN.MinMax(minHeatSN, maxHeatSN);
  heatWE.MinMax(minHeatWE, maxHeatWE);
}

SimManager::SimManager(const Media* media, Face* northFace, Face* southFace, Face* eastFace,
                       Face* westFace, double tolTime, double tolSpace, int32_t maxIterTime,
                       int32_t maxIterSpace, double dt, const NumMatrix<double>& start,
                       SimCallback callback, void* callbackData, const NumVector<int>* marks,
                       SolverKind solver, RunMode mode)
    : FieldExtremes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      callback(callback),
      callbackData(callbackData),
      dt(dt),
      tolTime(tolTime),
      maxIterTime(maxIterTime),
      iterMarks(marks),
      mode(mode),
      curMark(0),
      running(false),
      capacity(0) {
  sim = std::make_unique<Simulator>(media, northFace, southFace, eastFace, westFace, tolTime,
                                    tolSpace, maxIterTime, maxIterSpace, dt, start,
                                    &SimManager::Relay, this, solver);
  Append(std::make_unique<SimSnapshot>(*sim));
}

SimManager::~SimManager() {
  INVARIANT(!running, "!running");
}

bool SimManager::Relay(Simulator* s, int32_t code, double value, void* data) {
  auto* manager = static_cast<SimManager*>(data);
  if (code == progress::StepAccepted)
    manager->history.Record(*s);
  return manager->callback == nullptr || manager->callback(s, code, value, manager->callbackData);
}

void SimManager::Watch(const std::vector<VolumeIndex>& volumes, std::size_t maxRows) {
  INVARIANT(sim != nullptr && !running, "sim && !running");
  for (const VolumeIndex& v : volumes)
    INVARIANT(v.i >= 0 && v.j >= 0 && v.i < sim->T.N() && v.j < sim->T.M(), "watched in grid");
  history = TimeHistory(maxRows);
  history.Watch(volumes);
  history.Pin(*sim);
}

void SimManager::Append(std::unique_ptr<SimSnapshot> snapshot) {
  // Stored first: should the list have no room, nothing else has changed. The vector grows
  // as it likes; reserving 20 at a time would copy the whole list every 20 snapshots.
  snapshots.push_back(std::move(snapshot));
  if (Count() > capacity)
    capacity += 20;
  // The history holds the very numbers of every snapshot's step.
  if (sim)
    history.Pin(*sim);
  FieldExtremes& runWide = *this;
  if (snapshots.size() == 1) {
    runWide = *snapshots.back();
  } else {
    runWide.Widen(*snapshots.back());
  }
}

StepFailure SimManager::Failure() const {
  if (memoryExhausted)
    return StepFailure::OutOfMemory;
  return sim ? sim->Failure() : StepFailure::None;
}

void SimManager::CheckInvariants() const {
  INVARIANT(!snapshots.empty(), "count>0");
  INVARIANT(LastSnapshot().Iteration() <= sim->Iteration(),
            "LastSnapshot().Iteration() <= sim->Iteration()");
  INVARIANT(LastSnapshot().Time() <= sim->Time(), "LastSnapshot().Time() <= sim->Time()");
}

bool SimManager::Run() {
  if (!sim)
    return false;
  CheckInvariants();
  if (mode == RunMode::Steady) {
    if (sim->Steady())
      return true;
    running = true;
    const int8_t result = sim->SolveSteady();
    running = false;
    if (result != Simulator::Complete)
      return false;
    return AppendCurrent();
  }
  INVARIANT(curMark <= iterMarks->N(), "curMark<=iterMarks.N()");
  const NumVector<int>& marks = *iterMarks;
  if (curMark == marks.N())
    return false;
  if (sim->Iteration() >= marks[curMark]) {
    do {
      ++curMark;
    } while (curMark < marks.N() && marks[curMark] <= sim->Iteration());
  }

  running = true;
  memoryExhausted = false;
  int8_t result = Simulator::Complete;
  while (curMark < marks.N()) {
    // A mark the simulator has already passed (marks that repeat or go back) has its
    // snapshot; asking for it again would read as a stop and end the run early.
    if (marks[curMark] <= sim->Iteration()) {
      curMark += 1;
      continue;
    }
    result = sim->Advance(marks[curMark]);
    if (result != Simulator::ReachedTarget)
      break;
    // Without memory for one more snapshot the run stops as failed, keeping those it has.
    if (!AppendCurrent()) {
      result = Simulator::StepFailed;
      break;
    }
    curMark += 1;
  }
  running = false;
  return curMark == marks.N() || result == Simulator::Complete;
}

bool SimManager::TakeSnapshot() {
  if (!sim)
    return false;
  CheckInvariants();
  if (LastSnapshot().Iteration() >= sim->Iteration())
    return false;
  return AppendCurrent();
}

bool SimManager::AppendCurrent() {
  try {
    Append(std::make_unique<SimSnapshot>(*sim));
  } catch (const std::bad_alloc&) {
    memoryExhausted = true;
    return false;
  }
  return true;
}

namespace {

// A matrix as Matrix allocates it: a block per row and one for the row pointers, each with
// the allocator's own few bytes.
uint64_t MatrixBytes(uint64_t rows, uint64_t columns) {
  constexpr uint64_t perBlock = 16;
  return rows * columns * sizeof(double) + rows * (sizeof(double*) + perBlock) + perBlock;
}

}  // namespace

uint64_t SnapshotBytes(int32_t ni, int32_t nj) {
  const uint64_t n = static_cast<uint64_t>(ni > 0 ? ni : 0);
  const uint64_t m = static_cast<uint64_t>(nj > 0 ? nj : 0);
  return sizeof(SimSnapshot) + 16 + sizeof(void*) + 4 * MatrixBytes(n, m) + MatrixBytes(n, m + 1) +
         MatrixBytes(n + 1, m);
}

uint64_t RunSnapshotBytes(int32_t ni, int32_t nj, int32_t animationTimes) {
  // One per animation time, and the state a run stops at besides.
  return (static_cast<uint64_t>(animationTimes > 0 ? animationTimes : 0) + 1) *
         SnapshotBytes(ni, nj);
}

bool SimManager::ReleaseSimulator() {
  if (running)
    return false;
  if (sim) {
    // The arrays move over; only the boundary faces' terms and the materials are copied,
    // and without memory for those the equations simply go with the simulator.
    try {
      equations = std::make_unique<RunEquations>(*sim);
    } catch (const std::bad_alloc&) {
      equations.reset();
    }
  }
  sim.reset();
  return true;
}

SteadyState SteadyStateOf(const SimManager& run, const SimSnapshot& snapshot) {
  if (snapshot.Iteration() < 1)
    return SteadyState::NoStep;
  if (run.Mode() == RunMode::Steady)
    return SteadyState::Solved;
  return snapshot.timeError < run.SteadyTolerance() ? SteadyState::Reached
                                                    : SteadyState::NotReached;
}

double VertexTemperature(const SimSnapshot& snapshot, int32_t i, int32_t j) {
  const int32_t ni = snapshot.T.N();
  const int32_t nj = snapshot.T.M();
  const int32_t a = std::max(i - 1, 0);
  const int32_t b = i == ni ? ni - 1 : i;
  const int32_t c = std::max(j - 1, 0);
  const int32_t d = j == nj ? nj - 1 : j;
  const NumMatrix<double>& T = snapshot.T;
  return (T[a][c] + T[b][c] + T[b][d] + T[a][d]) * 0.25;
}
