#include "gui/document/problemcommands.h"

#include <algorithm>
#include <utility>

#include "sim/check.h"

ProblemCommand::ProblemCommand(ProblemModel& model, const QString& text) : model(model) {
  setText(text);
}

// ---- Materials -------------------------------------------------------------------------

PaintCommand::PaintCommand(ProblemModel& model, const QString& text, int32_t stroke,
                           VolumeIndex volume, const VolumeProperties& before,
                           const VolumeProperties& after)
    : ProblemCommand(model, text), stroke(stroke) {
  where.emplace(int64_t{volume.i} * Record().media->nj + volume.j, 0);
  entries.push_back(Entry{volume, before, after});
}

bool PaintCommand::mergeWith(const QUndoCommand* command) {
  const auto* other = static_cast<const PaintCommand*>(command);
  if (other->stroke != stroke)
    return false;
  const int32_t nj = Record().media->nj;
  for (const Entry& e : other->entries) {
    const auto [at, added] =
        where.try_emplace(int64_t{e.volume.i} * nj + e.volume.j, entries.size());
    if (added)
      entries.push_back(e);
    else
      entries[at->second].after = e.after;
  }
  // A stroke that went back over its volumes with their old materials changed nothing: the
  // history drops it rather than keep a step that does nothing.
  setObsolete(std::all_of(entries.begin(), entries.end(), [](const Entry& e) {
    return e.before.conductivity == e.after.conductivity && e.before.density == e.after.density &&
           e.before.specificHeat == e.after.specificHeat &&
           e.before.heatGeneration == e.after.heatGeneration;
  }));
  return true;
}

void PaintCommand::redo() {
  Media& grid = *Record().media;
  for (const Entry& e : entries)
    grid.volume(e.volume.i, e.volume.j) = e.after;
  Notify(ProblemModel::Materials);
}

void PaintCommand::undo() {
  Media& grid = *Record().media;
  for (const Entry& e : entries)
    grid.volume(e.volume.i, e.volume.j) = e.before;
  Notify(ProblemModel::Materials);
}

FillCommand::FillCommand(ProblemModel& model, const QString& text, const VolumeProperties& material)
    : ProblemCommand(model, text), material(material) {
  const Media& grid = *Record().media;
  before.reserve(static_cast<std::size_t>(grid.ni) * static_cast<std::size_t>(grid.nj));
  for (int32_t i = 0; i < grid.ni; ++i) {
    for (int32_t j = 0; j < grid.nj; ++j)
      before.push_back(grid.volume(i, j));
  }
}

void FillCommand::redo() {
  Record().media->Fill(material);
  Notify(ProblemModel::Materials);
}

void FillCommand::undo() {
  Media& grid = *Record().media;
  INVARIANT(before.size() == static_cast<std::size_t>(grid.ni) * grid.nj, "before fits grid");
  std::size_t k = 0;
  for (int32_t i = 0; i < grid.ni; ++i) {
    for (int32_t j = 0; j < grid.nj; ++j)
      grid.volume(i, j) = before[k++];
  }
  Notify(ProblemModel::Materials);
}

// ---- Sides and functions ---------------------------------------------------------------

SideCommand::SideCommand(ProblemModel& model, const QString& text, Side side,
                         std::unique_ptr<Face> after)
    : ProblemCommand(model, text), side(side), after(std::move(after)) {
  before.CopyFrom(FaceOf(Record(), side));
}

void SideCommand::redo() {
  FaceOf(Record(), side).CopyFrom(*after);
  Notify(ProblemModel::Sides);
}

void SideCommand::undo() {
  FaceOf(Record(), side).CopyFrom(before);
  Notify(ProblemModel::Sides);
}

FunctionCommand::FunctionCommand(ProblemModel& model, const QString& text,
                                 std::unique_ptr<Function1D> added)
    : ProblemCommand(model, text), held(std::move(added)), function(held.get()) {}

void FunctionCommand::redo() {
  Record().functionList.push_back(std::move(held));
  Notify(ProblemModel::Functions);
}

void FunctionCommand::undo() {
  auto& list = Record().functionList;
  // Every step after this one is undone, so the function is the last of the list again.
  INVARIANT(!list.empty() && list.back().get() == function, "list.back() == function");
  held = std::move(list.back());
  list.pop_back();
  Notify(ProblemModel::Functions);
}

// ---- Grid ------------------------------------------------------------------------------

GridCommand::GridCommand(ProblemModel& model, const QString& text, std::unique_ptr<Media> grid)
    : ProblemCommand(model, text), other(std::move(grid)) {
  // Where the watched volumes go on the new grid, by the record's own rule.
  ProblemRecord& p = Record();
  const std::vector<VolumeIndex> kept = p.watched;
  p.KeepWatchedOn(*p.media, *other);
  otherWatched = std::exchange(p.watched, kept);
}

void GridCommand::Swap() {
  std::swap(Record().media, other);
  std::swap(Record().watched, otherWatched);
  Notify(ProblemModel::Grid | ProblemModel::Materials | ProblemModel::Watched);
}

void GridCommand::redo() {
  Swap();
}

void GridCommand::undo() {
  Swap();
}

// ---- Watched volumes -------------------------------------------------------------------

WatchCommand::WatchCommand(ProblemModel& model, const QString& text,
                           std::vector<VolumeIndex> before, std::vector<VolumeIndex> after)
    : ProblemCommand(model, text), before(std::move(before)), after(std::move(after)) {}

void WatchCommand::redo() {
  Record().watched = after;
  Notify(ProblemModel::Watched);
}

void WatchCommand::undo() {
  Record().watched = before;
  Notify(ProblemModel::Watched);
}

// ---- Settings --------------------------------------------------------------------------

SettingsState SettingsState::Of(const ProblemRecord& p) {
  SettingsState s{p.initialTemp, p.tolTime, p.tolSpace, p.maxIterTime, p.maxIterSpace, p.dt,
                  p.solver,      p.runMode, {}};
  const NumVector<int>& marks = *p._marks;
  s.marks.assign(marks.Data(), marks.Data() + marks.N());
  return s;
}

void SettingsState::ApplyTo(ProblemRecord& p) const {
  p.initialTemp = initialTemp;
  p.tolTime = tolTime;
  p.tolSpace = tolSpace;
  p.maxIterTime = maxIterTime;
  p.maxIterSpace = maxIterSpace;
  p.dt = dt;
  p.solver = solver;
  p.runMode = runMode;
  auto kept = std::make_unique<NumVector<int>>(static_cast<int32_t>(marks.size()));
  for (std::size_t k = 0; k < marks.size(); ++k)
    (*kept)[static_cast<int32_t>(k)] = marks[k];
  // The model never changes a problem a run holds, so the marks are always taken.
  const bool taken = p.SetMarks(std::move(kept));
  INVARIANT(taken, "SetMarks");
}

bool SettingsState::operator==(const SettingsState& o) const {
  return initialTemp == o.initialTemp && tolTime == o.tolTime && tolSpace == o.tolSpace &&
         maxIterTime == o.maxIterTime && maxIterSpace == o.maxIterSpace && dt == o.dt &&
         solver == o.solver && runMode == o.runMode && marks == o.marks;
}

SettingsCommand::SettingsCommand(ProblemModel& model, const QString& text, SettingsState before,
                                 SettingsState after)
    : ProblemCommand(model, text), before(std::move(before)), after(std::move(after)) {}

void SettingsCommand::redo() {
  after.ApplyTo(Record());
  Notify(ProblemModel::Settings);
}

void SettingsCommand::undo() {
  before.ApplyTo(Record());
  Notify(ProblemModel::Settings);
}
