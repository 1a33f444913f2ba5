#include "gui/document/problemmodel.h"

#include <sstream>
#include <utility>

#include "gui/document/problemcommands.h"
#include "gui/platform/numfmt.h"
#include "sim/check.h"
#include "sim/materials.h"

namespace {

// The material as the legend names it: the table's name, or "Custom Material".
QString MaterialName(const VolumeProperties& p) {
  const char* name = FindMaterial(p.conductivity, p.density, p.specificHeat);
  return name ? QString::fromLatin1(name) : QStringLiteral("Custom Material");
}

bool SameMaterial(const VolumeProperties& a, const VolumeProperties& b) {
  return a.conductivity == b.conductivity && a.density == b.density &&
         a.specificHeat == b.specificHeat && a.heatGeneration == b.heatGeneration;
}

QString GridName(const Media& grid) {
  if (dynamic_cast<const CartesianMedia*>(&grid))
    return QStringLiteral("New Rectangular Grid");
  if (dynamic_cast<const PolarMedia*>(&grid))
    return QStringLiteral("New Annular Sector Grid");
  if (dynamic_cast<const MixedMedia*>(&grid))
    return QStringLiteral("New Grid with a Hole");
  return QStringLiteral("New Grid");
}

QString FunctionName(const Function1D& function) {
  std::ostringstream out;
  function.Print(out);
  // A menu item is no place for a long formula; the boundary editor shows it whole.
  QString printed = LocalisedNumbers(QString::fromStdString(out.str()));
  if (printed.size() > 32)
    printed = printed.left(31) + QChar(0x2026);
  return QStringLiteral("New Function f(x) = ") + printed;
}

QString ParametersName(const SettingsState& before, const SettingsState& after) {
  SettingsState onlyMode = before;
  onlyMode.runMode = after.runMode;
  // Choosing the steady run leaves the transients' solver as it was (see TParametersDlg).
  if (after == onlyMode) {
    return after.runMode == RunMode::Steady ? QStringLiteral("Set Run to Steady State")
                                            : QStringLiteral("Set Run to Transient");
  }
  SettingsState onlySolver = before;
  onlySolver.solver = after.solver;
  if (after == onlySolver) {
    return after.solver == SolverKind::Direct ? QStringLiteral("Set Solver to Direct")
                                              : QStringLiteral("Set Solver to Gauss\u2013Seidel");
  }
  return QStringLiteral("Change Simulation Parameters");
}

}  // namespace

QString SideName(Side side) {
  switch (side) {
    case Side::North:
      return QStringLiteral("North");
    case Side::South:
      return QStringLiteral("South");
    case Side::East:
      return QStringLiteral("East");
    case Side::West:
      break;
  }
  return QStringLiteral("West");
}

Face& FaceOf(ProblemRecord& problem, Side side) {
  switch (side) {
    case Side::North:
      return *problem.northFace;
    case Side::South:
      return *problem.southFace;
    case Side::East:
      return *problem.eastFace;
    case Side::West:
      break;
  }
  return *problem.westFace;
}

const Face& FaceOf(const ProblemRecord& problem, Side side) {
  return FaceOf(const_cast<ProblemRecord&>(problem), side);
}

ProblemModel::ProblemModel(ProblemRecord& problem, QObject* parent)
    : QObject(parent), problem(problem) {
  history.setUndoLimit(kUndoLimit);
}

ProblemModel::~ProblemModel() {
  // The commands release the conditions and grids they hold while the record still lives.
  history.clear();
}

void ProblemModel::SetInUse(std::function<bool()> check) {
  inUse = std::move(check);
}

bool ProblemModel::MayChange() const {
  return !problem.HeldByRun() && !(inUse && inUse());
}

bool ProblemModel::Push(QUndoCommand* command) {
  std::unique_ptr<QUndoCommand> owned(command);
  if (!MayChange())
    return false;
  history.push(owned.release());
  return true;
}

// ---- Materials -------------------------------------------------------------------------

void ProblemModel::BeginStroke() {
  ++stroke;
}

bool ProblemModel::PaintVolume(VolumeIndex volume, const VolumeProperties& material) {
  const Media& grid = *problem.media;
  if (volume.i < 0 || volume.j < 0 || volume.i >= grid.ni || volume.j >= grid.nj)
    return false;
  const VolumeProperties& before = grid.volume(volume.i, volume.j);
  if (SameMaterial(before, material) || !MayChange())
    return false;
  return Push(new PaintCommand(*this, QStringLiteral("Paint ") + MaterialName(material), stroke,
                               volume, before, material));
}

bool ProblemModel::ApplyToAll(const VolumeProperties& material) {
  const Media& grid = *problem.media;
  bool changes = false;
  for (int32_t i = 0; i < grid.ni && !changes; ++i) {
    for (int32_t j = 0; j < grid.nj && !changes; ++j)
      changes = !SameMaterial(grid.volume(i, j), material);
  }
  if (!changes || !MayChange())
    return false;
  return Push(new FillCommand(
      *this, QStringLiteral("Apply %1 to All Volumes").arg(MaterialName(material)), material));
}

// ---- Sides and functions ---------------------------------------------------------------

bool ProblemModel::AddSegment(Side side, double lower, double upper,
                              std::unique_ptr<FHeat> condition) {
  if (!condition || !(lower >= 0 && upper <= 1 && lower < upper) || !MayChange())
    return false;
  auto after = std::make_unique<Face>();
  after->CopyFrom(FaceOf(problem, side));
  if (!after->Fits(lower, upper))
    return false;
  const QString text = QStringLiteral("Add %1 Segment on %2")
                           .arg(QString::fromLatin1(condition->Name()), SideName(side));
  after->Insert(Segment{lower, upper, condition.release()});
  return Push(new SideCommand(*this, text, side, std::move(after)));
}

bool ProblemModel::DeleteSegment(Side side, int32_t r) {
  const Face& face = FaceOf(problem, side);
  if (face.count <= 1 || r < 0 || r >= face.count || !MayChange())
    return false;
  const QString text = QStringLiteral("Delete %1 Segment on %2")
                           .arg(QString::fromLatin1(face.f[r]->Name()), SideName(side));
  auto after = std::make_unique<Face>();
  after->CopyFrom(face);
  if (r < after->count - 1) {
    after->Insert(Segment{after->bounds[r], after->bounds[r + 2], after->f[r + 1]});
  } else {
    after->Insert(Segment{after->bounds[after->count - 2], 1, after->f[after->count - 2]});
  }
  return Push(new SideCommand(*this, text, side, std::move(after)));
}

bool ProblemModel::AddFunction(std::unique_ptr<Function1D> function) {
  if (!function || !MayChange())
    return false;
  const QString text = FunctionName(*function);
  return Push(new FunctionCommand(*this, text, std::move(function)));
}

// ---- Watched volumes -------------------------------------------------------------------

bool ProblemModel::SetWatched(VolumeIndex volume, bool watch) {
  if (!MayChange())
    return false;
  // The record's own rules decide, on a copy of the list.
  std::vector<VolumeIndex> before = problem.watched;
  if (!problem.SetWatched(volume, watch))
    return false;
  std::vector<VolumeIndex> after = std::exchange(problem.watched, before);
  const QString text = QStringLiteral("%1 Volume (%2, %3)")
                           .arg(watch ? QStringLiteral("Watch") : QStringLiteral("Unwatch"))
                           .arg(volume.i + 1)
                           .arg(volume.j + 1);
  return Push(new WatchCommand(*this, text, std::move(before), std::move(after)));
}

// ---- Grid ------------------------------------------------------------------------------

bool ProblemModel::ReplaceGrid(std::unique_ptr<Media> grid, const QString& name) {
  if (!grid || !MayChange())
    return false;
  const QString text = name.isEmpty() ? GridName(*grid) : name;
  return Push(new GridCommand(*this, text, std::move(grid)));
}

// ---- Settings --------------------------------------------------------------------------

bool ProblemModel::SetParameters(const Parameters& p) {
  const SettingsState before = SettingsState::Of(problem);
  SettingsState after = before;
  after.tolTime = p.tolTime;
  after.tolSpace = p.tolSpace;
  after.maxIterTime = p.maxIterTime;
  after.maxIterSpace = p.maxIterSpace;
  after.dt = p.dt;
  after.solver = p.solver;
  after.runMode = p.runMode;
  const std::unique_ptr<NumVector<int>> kept = MarksEndingAt(*problem._marks, p.maxIterTime);
  after.marks.assign(kept->Data(), kept->Data() + kept->N());
  if (after == before || !MayChange())
    return false;
  const QString text = ParametersName(before, after);
  return Push(new SettingsCommand(*this, text, before, std::move(after)));
}

bool ProblemModel::SetInitialTemperature(double temperature) {
  const SettingsState before = SettingsState::Of(problem);
  SettingsState after = before;
  after.initialTemp = temperature;
  if (after == before || !MayChange())
    return false;
  return Push(new SettingsCommand(
      *this, QStringLiteral("Set Initial Temperature to %1").arg(FormatGeneral(temperature)),
      before, std::move(after)));
}

bool ProblemModel::SetAnimationTimes(const NumVector<int>& marks) {
  const SettingsState before = SettingsState::Of(problem);
  SettingsState after = before;
  after.marks.assign(marks.Data(), marks.Data() + marks.N());
  if (after == before || !MayChange())
    return false;
  return Push(new SettingsCommand(*this, QStringLiteral("Set %1 Animation Times").arg(marks.N()),
                                  before, std::move(after)));
}

// ---- History ---------------------------------------------------------------------------

bool ProblemModel::Undo() {
  if (!history.canUndo() || !MayChange())
    return false;
  history.undo();
  return true;
}

bool ProblemModel::Redo() {
  if (!history.canRedo() || !MayChange())
    return false;
  history.redo();
  return true;
}

void ProblemModel::ClearHistory() {
  history.clear();
}

void ProblemModel::Load(std::unique_ptr<ProblemRecord> other) {
  INVARIANT(!problem.HeldByRun(), "!problem.HeldByRun()");
  // The steps held conditions and grids of the problem that goes.
  history.clear();
  // The old grid lives until everyone has heard of the new one: results computed on it may
  // still refer to it.
  std::unique_ptr<Media> old = std::exchange(problem.media, std::move(other->media));
  problem.TakeSettingsFrom(*other);
  Notify(Parts(kAllParts));
}
