#include "sim/problem.h"

#include <algorithm>

#include "sim/check.h"
#include "sim/numeric.h"

ProblemRecord::ProblemRecord()
    : initialTemp(0.0),
      tolTime(0.00001),
      tolSpace(0.00001),
      maxIterTime(1000),
      maxIterSpace(10000),
      dt(20.0) {
  _marks = std::make_unique<NumVector<int>>(2);
  (*_marks)[0] = 0;
  (*_marks)[1] = maxIterTime;

  media = std::make_unique<CartesianMedia>(1.0, 1.0, 10, 10, DefaultMaterial());

  functionList.push_back(std::make_unique<FConstant>(0));
  functionList.push_back(std::make_unique<FConstant>(1));
  FHeat* westTemperature = new FTemperature(functionList[0].get());
  FHeat* eastTemperature = new FTemperature(functionList[1].get());
  FHeat* insulated = new FFlux(functionList[0].get());

  northFace = std::make_unique<Face>();
  southFace = std::make_unique<Face>();
  eastFace = std::make_unique<Face>();
  westFace = std::make_unique<Face>();
  northFace->Insert(Segment{0, 1, insulated});
  southFace->Insert(Segment{0, 1, insulated});
  eastFace->Insert(Segment{0, 1, eastTemperature});
  westFace->Insert(Segment{0, 1, westTemperature});

  functionList.push_back(std::make_unique<FSin>(0, 1, numeric::pi));
  functionList.push_back(std::make_unique<FCos>(0, 1, numeric::pi));
}

ProblemRecord::~ProblemRecord() {
  ReleaseConditions();
}

void ProblemRecord::ReleaseConditions() {
  northFace.reset();
  southFace.reset();
  eastFace.reset();
  westFace.reset();
  functionList.clear();
}

namespace {

void Empty(Face& face) {
  if (face.count > 0)
    face.Remove(0, face.count);
  face.cursor = 0;
}

// Lays other's segments, in order, on an empty face: each new segment starts at the last
// bound, so every insertion appends and the bounds come out exactly as they were.
void CopySegments(Face& face, const Face& other) {
  for (int32_t s = 0; s < other.count; ++s)
    face.Insert(Segment{other.bounds[s], other.bounds[s + 1], other.f[s]});
}

}  // namespace

void ProblemRecord::TakeSettingsFrom(ProblemRecord& other) {
  // A run reads the faces and marks it was built from; the window never replaces a problem
  // while its run dialog is open.
  INVARIANT(!HeldByRun(), "!HeldByRun()");
  // The old conditions go before the old functions they refer to; other's conditions live on
  // in its faces until they are laid on ours, and its functions move over unchanged.
  Face* const mine[] = {northFace.get(), southFace.get(), eastFace.get(), westFace.get()};
  Face* const theirs[] = {other.northFace.get(), other.southFace.get(), other.eastFace.get(),
                          other.westFace.get()};
  for (int k = 0; k < 4; ++k) {
    Empty(*mine[k]);
    CopySegments(*mine[k], *theirs[k]);
    Empty(*theirs[k]);
  }
  functionList = std::move(other.functionList);
  other.functionList.clear();

  initialTemp = other.initialTemp;
  tolTime = other.tolTime;
  tolSpace = other.tolSpace;
  maxIterTime = other.maxIterTime;
  maxIterSpace = other.maxIterSpace;
  dt = other.dt;
  solver = other.solver;
  reference = other.reference;
  runMode = other.runMode;
  watched = other.watched;
  SetMarks(std::move(other._marks));
  other._marks = std::make_unique<NumVector<int>>(0);
}

ProblemRecord::RunHold::RunHold(ProblemRecord& problem) : holds(problem.runHolds) {
  ++*holds;
}

ProblemRecord::RunHold::~RunHold() {
  --*holds;
}

std::unique_ptr<NumVector<int>> MarksEndingAt(const NumVector<int>& marks, int32_t maxIterTime) {
  const int32_t n = marks.N();
  int32_t i = n - 1;
  // A mark equal to the new step count stays the last one: pressing OK without changing the
  // count must not cost the student an animation time.
  while (i > 1 && marks[i] > maxIterTime)
    --i;
  auto kept = std::make_unique<NumVector<int>>(i + 1);
  for (int32_t k = 0; k <= i; ++k)
    (*kept)[k] = marks[k];
  (*kept)[i] = maxIterTime;
  return kept;
}

bool ProblemRecord::SetParameters(double newTolTime, double newTolSpace, int32_t newMaxIterTime,
                                  int32_t newMaxIterSpace, double newDt) {
  // The run's simulator copied the parameters, but it reads the marks this would rewrite.
  if (HeldByRun())
    return false;
  tolTime = newTolTime;
  tolSpace = newTolSpace;
  maxIterTime = newMaxIterTime;
  maxIterSpace = newMaxIterSpace;
  dt = newDt;
  _marks = MarksEndingAt(*_marks, maxIterTime);
  return true;
}

bool ProblemRecord::SetMarks(std::unique_ptr<NumVector<int>> marks) {
  if (HeldByRun())
    return false;
  _marks = std::move(marks);
  INVARIANT(_marks->N() >= 2, "_marks->N() >= 2");
  INVARIANT((*_marks)[0] == 0, "(*_marks)[0] == 0");
  INVARIANT((*_marks)[_marks->N() - 1] == maxIterTime, "(*_marks)[_marks->N()-1] == maxIterTime");
  // One snapshot per step: a step listed twice would only be skipped by the run.
  for (int32_t k = 1; k < _marks->N(); ++k)
    INVARIANT((*_marks)[k - 1] < (*_marks)[k], "(*_marks)[k-1] < (*_marks)[k]");
  return true;
}

bool ProblemRecord::Watched(VolumeIndex volume) const {
  return std::find(watched.begin(), watched.end(), volume) != watched.end();
}

bool ProblemRecord::SetWatched(VolumeIndex volume, bool watch) {
  const auto at = std::find(watched.begin(), watched.end(), volume);
  if (!watch) {
    if (at == watched.end())
      return false;
    watched.erase(at);
    return true;
  }
  if (at != watched.end() || static_cast<int32_t>(watched.size()) >= kMaxWatched)
    return false;
  if (volume.i < 0 || volume.j < 0 || volume.i >= media->ni || volume.j >= media->nj)
    return false;
  watched.push_back(volume);
  return true;
}

void ProblemRecord::KeepWatchedOn(const Media& oldGrid, const Media& newGrid) {
  std::vector<VolumeIndex> kept;
  for (const VolumeIndex& v : watched) {
    if (v.i >= oldGrid.ni || v.j >= oldGrid.nj)
      continue;
    const VolumeIndex found = FindVolume(newGrid, GeometryOf(oldGrid, v.i, v.j).centre);
    // Two old volumes inside one new one make one watched volume.
    if (found.Valid() && std::find(kept.begin(), kept.end(), found) == kept.end())
      kept.push_back(found);
  }
  watched = kept;
}
