#ifndef CALORIVECTRIX_GUI_DOCUMENT_PROBLEMMODEL_H
#define CALORIVECTRIX_GUI_DOCUMENT_PROBLEMMODEL_H

// The one way the problem changes. Windows read the problem through Problem() and ask the
// model for a change; each change becomes a command on the history (a QUndoStack) that
// knows how to do and undo itself and is named by what it did ("Paint Copper", "Add
// Convection Segment on North"). After every change, undo and redo, Changed() says which
// parts of the problem moved, so that every view can show the problem as it now is without
// being told by whoever asked for the change.
//
// A command holds exactly what it needs to go both ways: the volumes a stroke painted with
// their old and new materials; a side's segments before and after (a Face of its own,
// holding its references on the conditions); the grid it replaced, whole with its
// materials; a function it added, while undone; the settings before and after. Commands
// follow one another on the history, so each finds the problem as it left it: a volume
// painted is on the grid it was painted on, and a condition on a side refers to functions
// that were added before it.
//
// Every change is refused (false; nothing changed, nothing on the history) while the
// problem is in use by a run (ProblemRecord::HeldByRun, or what SetInUse adds), and so
// are undo and redo. A change that would change nothing is not a step either.

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <memory>

#include "sim/geometry.h"
#include "sim/problem.h"

enum class Side : int8_t { North, South, East, West };

// The side's name as the boundary editor's tabs show it.
QString SideName(Side side);
Face& FaceOf(ProblemRecord& problem, Side side);
const Face& FaceOf(const ProblemRecord& problem, Side side);

class ProblemModel : public QObject {
  Q_OBJECT

 public:
  enum Part : uint8_t {
    Grid = 1,       // the grid itself was replaced (its materials with it)
    Materials = 2,  // materials of volumes
    Sides = 4,      // segments and conditions of a side
    Functions = 8,  // the function list
    Settings = 16,  // initial temperature, parameters, run mode, animation times
    Watched = 32,   // the watched volumes
  };
  Q_DECLARE_FLAGS(Parts, Part)
  static constexpr uint8_t kAllParts = Grid | Materials | Sides | Functions | Settings | Watched;

  // More steps than this are forgotten from the oldest: a step that replaced a grid holds
  // the whole old grid.
  static constexpr int kUndoLimit = 100;

  // The record must outlive the model.
  explicit ProblemModel(ProblemRecord& problem, QObject* parent = nullptr);
  ~ProblemModel() override;

  const ProblemRecord& Problem() const { return problem; }
  const QUndoStack& History() const { return history; }

  // Whether the problem may change now. `inUse` adds a reason of the owner's to refuse:
  // the window refuses while results it holds still belong to a run that goes on.
  void SetInUse(std::function<bool()> inUse);
  bool MayChange() const;

  // ---- Materials

  // A press of the paint tool: the volumes painted from here to the next press are one
  // step, however many there are.
  void BeginStroke();
  bool PaintVolume(VolumeIndex volume, const VolumeProperties& material);
  // "Apply all": every volume of the grid.
  bool ApplyToAll(const VolumeProperties& material);

  // ---- Sides and functions

  // Lays a new segment over the side (Face::Insert). Refused when the limits are not
  // 0 <= lower < upper <= 1 or the side cannot hold another segment (Face::Fits); the
  // condition is then destroyed.
  bool AddSegment(Side side, double lower, double upper, std::unique_ptr<FHeat> condition);
  // Deletes segment `row` by giving its range to a neighbour: the following segment, or for
  // the last one the preceding one. Refused for the only segment of a side.
  bool DeleteSegment(Side side, int32_t row);
  // Appends a function to the function list.
  bool AddFunction(std::unique_ptr<Function1D> function);

  // ---- Watched volumes

  // Watches a volume of the grid, or stops watching it ("Watch Volume (I, J)", "Unwatch
  // ..."; I and J counted from 1 as the legend shows them). Refused as
  // ProblemRecord::SetWatched refuses: a ninth volume, a volume outside the grid, no change.
  bool SetWatched(VolumeIndex volume, bool watch);

  // ---- Grid

  // Makes `grid` the problem's grid, each watched volume moved to the new grid's volume under
  // its old centre (ProblemRecord::KeepWatchedOn); undone, the old grid comes back with its
  // materials and its watched volumes.
  // The step is named `name`, or by the kind of grid when `name` is empty.
  bool ReplaceGrid(std::unique_ptr<Media> grid, const QString& name = QString());

  // ---- Settings

  struct Parameters {
    double tolTime;
    double tolSpace;
    int32_t maxIterTime;
    int32_t maxIterSpace;
    double dt;
    SolverKind solver;
    RunMode runMode;
  };
  // The animation times end at the new number of steps (MarksEndingAt).
  bool SetParameters(const Parameters& parameters);
  bool SetInitialTemperature(double temperature);
  // The marks must increase strictly from 0 to maxIterTime.
  bool SetAnimationTimes(const NumVector<int>& marks);

  // ---- History

  bool Undo();
  bool Redo();
  // Whether the problem is as it was when last opened or saved.
  bool IsClean() const { return history.isClean(); }
  void SetClean() { history.setClean(); }
  // Forgets every step; the problem as it is becomes the clean state.
  void ClearHistory();
  // Replaces the whole problem (New Problem, Open Problem, an example): the grid and every
  // setting of `other` (ProblemRecord::TakeSettingsFrom), with a fresh history. The caller
  // makes sure no run holds the problem.
  void Load(std::unique_ptr<ProblemRecord> other);

 signals:
  // After every change, undo and redo, with the parts of the problem it touched.
  void Changed(ProblemModel::Parts parts);

 private:
  friend class ProblemCommand;

  bool Push(QUndoCommand* command);
  void Notify(Parts parts) { emit Changed(parts); }

  ProblemRecord& problem;
  QUndoStack history;
  std::function<bool()> inUse;
  int32_t stroke = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ProblemModel::Parts)

#endif
