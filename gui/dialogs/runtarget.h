#ifndef CALORIVECTRIX_GUI_RUNTARGET_H
#define CALORIVECTRIX_GUI_RUNTARGET_H

// What the run dialog needs of the window that holds the problem: the problem to run, the
// results already held (to continue from them), and a place to hand new results to.

#include "sim/manager.h"
#include "sim/problem.h"

class RunTarget {
 public:
  virtual ~RunTarget() = default;

  // The problem to build a run from; faces are not const because a run's lookups move
  // their cursors.
  virtual ProblemRecord& Problem() = 0;
  // The results of the last accepted run, or null.
  virtual const SimManager* Results() const = 0;
  // Takes the results of a run and shows its last snapshot. The target owns the manager
  // from then on; handing over the manager it already holds keeps it (a preview followed
  // by more running and a finish hands the same manager over twice). False when refused:
  // results the target holds whose run still goes on are not replaced; the caller then
  // keeps the manager.
  virtual bool SetManager(SimManager* manager) = 0;
  // A run has started, and has ended (handed over or dropped): in between, windows that
  // follow a run as it goes may read it. The run stays alive from one call to the other.
  virtual void RunStarted(const SimManager& run) { static_cast<void>(run); }
  virtual void RunEnded() {}
};

#endif
