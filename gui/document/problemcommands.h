#ifndef CALORIVECTRIX_GUI_DOCUMENT_PROBLEMCOMMANDS_H
#define CALORIVECTRIX_GUI_DOCUMENT_PROBLEMCOMMANDS_H

// The commands of ProblemModel's history, one class per kind of change. Only the model
// makes them; each is made with everything it needs to do and undo itself, and says which
// parts of the problem it touched after either.

#include <QUndoCommand>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "gui/document/problemmodel.h"

class ProblemCommand : public QUndoCommand {
 public:
  ProblemCommand(ProblemModel& model, const QString& text);

 protected:
  ProblemRecord& Record() { return model.problem; }
  void Notify(ProblemModel::Parts parts) { model.Notify(parts); }

 private:
  ProblemModel& model;
};

// Volumes painted in one stroke of the paint tool. Each painted volume is pushed as a
// command of its own and merged into the stroke's, so the stroke is one step; a volume
// painted twice keeps its first old material.
class PaintCommand : public ProblemCommand {
 public:
  static constexpr int kId = 1;

  PaintCommand(ProblemModel& model, const QString& text, int32_t stroke, VolumeIndex volume,
               const VolumeProperties& before, const VolumeProperties& after);
  int id() const override { return kId; }
  bool mergeWith(const QUndoCommand* other) override;
  void redo() override;
  void undo() override;

 private:
  struct Entry {
    VolumeIndex volume;
    VolumeProperties before;
    VolumeProperties after;
  };
  int32_t stroke;
  std::vector<Entry> entries;
  // Where each volume is in `entries`, by i * nj + j.
  std::unordered_map<int64_t, std::size_t> where;
};

// Every volume given one material; undone, each gets its own back.
class FillCommand : public ProblemCommand {
 public:
  FillCommand(ProblemModel& model, const QString& text, const VolumeProperties& material);
  void redo() override;
  void undo() override;

 private:
  VolumeProperties material;
  std::vector<VolumeProperties> before;
};

// A side's segments replaced: the side's face keeps its identity and takes a copy of the
// segments before or after.
class SideCommand : public ProblemCommand {
 public:
  SideCommand(ProblemModel& model, const QString& text, Side side, std::unique_ptr<Face> after);
  void redo() override;
  void undo() override;

 private:
  Side side;
  Face before;
  std::unique_ptr<Face> after;
};

// A function appended to the function list; held here while undone.
class FunctionCommand : public ProblemCommand {
 public:
  FunctionCommand(ProblemModel& model, const QString& text, std::unique_ptr<Function1D> function);
  void redo() override;
  void undo() override;

 private:
  std::unique_ptr<Function1D> held;
  const Function1D* function;
};

// The grid replaced; the grid not in the problem is held here, whole with its materials,
// and so are the watched volumes that go with it.
class GridCommand : public ProblemCommand {
 public:
  GridCommand(ProblemModel& model, const QString& text, std::unique_ptr<Media> grid);
  void redo() override;
  void undo() override;

 private:
  void Swap();
  std::unique_ptr<Media> other;
  std::vector<VolumeIndex> otherWatched;
};

// The watched volumes before and after a volume was watched or no longer watched: their
// order numbers the markers, so the whole list is kept.
class WatchCommand : public ProblemCommand {
 public:
  WatchCommand(ProblemModel& model, const QString& text, std::vector<VolumeIndex> before,
               std::vector<VolumeIndex> after);
  void redo() override;
  void undo() override;

 private:
  std::vector<VolumeIndex> before;
  std::vector<VolumeIndex> after;
};

// Everything the settings dialogs write, as one value.
struct SettingsState {
  double initialTemp;
  double tolTime;
  double tolSpace;
  int32_t maxIterTime;
  int32_t maxIterSpace;
  double dt;
  SolverKind solver;
  RunMode runMode;
  std::vector<int> marks;

  static SettingsState Of(const ProblemRecord& problem);
  void ApplyTo(ProblemRecord& problem) const;
  bool operator==(const SettingsState& other) const;
};

class SettingsCommand : public ProblemCommand {
 public:
  SettingsCommand(ProblemModel& model, const QString& text, SettingsState before,
                  SettingsState after);
  void redo() override;
  void undo() override;

 private:
  SettingsState before;
  SettingsState after;
};

#endif
