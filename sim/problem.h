#ifndef CALORIVECTRIX_SIM_PROBLEM_H
#define CALORIVECTRIX_SIM_PROBLEM_H

// The problem a student edits: grid, boundary sides, function library, initial
// temperature, solver parameters and animation times. Plain data with the few rules that
// keep it consistent, so the main window, the dialogs and the tests share one record.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sim/face.h"
#include "sim/fheat.h"
#include "sim/geometry.h"
#include "sim/media.h"
#include "sim/reference.h"
#include "sim/simulator.h"

// The animation times kept when the number of steps becomes maxIterTime: the last mark at or
// below it (or mark 1) becomes maxIterTime and later marks are dropped; with an unchanged
// count the marks come back as they were.
std::unique_ptr<NumVector<int>> MarksEndingAt(const NumVector<int>& marks, int32_t maxIterTime);

class ProblemRecord {
 public:
  // The default problem: a 1 m x 1 m gold square of 10 x 10 volumes, West at 0, East at 1,
  // North and South insulated (sharing one zero-flux condition), initial temperature 0,
  // 1000 steps of 20 s, snapshots at steps 0 and 1000.
  ProblemRecord();
  ~ProblemRecord();
  ProblemRecord(const ProblemRecord&) = delete;
  ProblemRecord& operator=(const ProblemRecord&) = delete;

  // A run's simulator reads the grid and the animation times for as long as it lives.
  // Whoever builds one on this record holds the record over that time; while it is held,
  // the operations that would pull the grid or the times away refuse, answering false and
  // changing nothing. The hold may outlive the record.
  class RunHold {
   public:
    explicit RunHold(ProblemRecord& problem);
    ~RunHold();
    RunHold(const RunHold&) = delete;
    RunHold& operator=(const RunHold&) = delete;

   private:
    std::shared_ptr<int32_t> holds;
  };
  bool HeldByRun() const { return *runHolds > 0; }

  // Stores the solver parameters and keeps the animation times ending at maxIterTime: the
  // last mark at or below the new step count (or mark 1) becomes the new count and later
  // marks are dropped; an unchanged count leaves the marks as they are. Refused while a run
  // holds the record.
  bool SetParameters(double tolTime, double tolSpace, int32_t maxIterTime, int32_t maxIterSpace,
                     double dt);
  // Replaces the animation times; they must increase strictly from 0 to maxIterTime.
  // Refused while a run holds the record; the times given are then dropped.
  bool SetMarks(std::unique_ptr<NumVector<int>> marks);

  // Watches or stops watching a volume of the grid: a run records its temperature at every
  // step. At most kMaxWatched; watching one more, or a volume outside the grid, is refused
  // (false, nothing changed), and so is a call that would change nothing. Watched volumes
  // keep the order they were watched in, which numbers their markers.
  static constexpr int32_t kMaxWatched = 8;
  bool SetWatched(VolumeIndex volume, bool watch);
  bool Watched(VolumeIndex volume) const;
  // For a new grid: each watched volume becomes the new grid's volume under its old centre,
  // where there is one, so a watched point stays where it was.
  void KeepWatchedOn(const Media& oldGrid, const Media& newGrid);

  // Releases every boundary condition and function; afterwards no condition may be alive.
  void ReleaseConditions();

  // Takes everything but the grid from `other`: segments and conditions, functions, initial
  // temperature, parameters, animation times, reference and watched volumes. The four faces keep
  // their identity, so a window that shows one goes on showing the right side. `other` is left
  // without functions or segments and must not be run.
  void TakeSettingsFrom(ProblemRecord& other);

  std::unique_ptr<Media> media;
  std::unique_ptr<Face> northFace, southFace, eastFace, westFace;
  std::vector<std::unique_ptr<Function1D>> functionList;
  double initialTemp;
  double tolTime;
  double tolSpace;
  int32_t maxIterTime;
  int32_t maxIterSpace;
  double dt;
  std::unique_ptr<NumVector<int>> _marks;
  // How each time step is solved; like the other parameters, it applies from the next run.
  SolverKind solver = SolverKind::GaussSeidel;
  // The exact solution of a textbook case this problem sets up, to compare runs with; none
  // for most problems.
  std::optional<ReferenceCase> reference;
  // Whether a run marches in time or solves for the steady field at once; applies from the
  // next run too.
  RunMode runMode = RunMode::Transient;
  std::vector<VolumeIndex> watched;

 private:
  std::shared_ptr<int32_t> runHolds = std::make_shared<int32_t>(0);
};

#endif
