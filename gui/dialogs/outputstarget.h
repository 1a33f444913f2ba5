#ifndef CALORIVECTRIX_GUI_OUTPUTSTARGET_H
#define CALORIVECTRIX_GUI_OUTPUTSTARGET_H

// What the outputs dialog needs of the window that holds the results: the run, the
// snapshot on show, and the problem's time step.

#include "sim/manager.h"
#include "sim/reference.h"

class OutputsTarget {
 public:
  virtual ~OutputsTarget() = default;

  // The results of the last accepted run, or null.
  virtual const SimManager* Results() const = 0;
  // The snapshot on show, one of Results(); null without results.
  virtual const SimSnapshot* ShownSnapshot() const = 0;
  // The problem's time step in seconds.
  virtual double TimeStep() const = 0;

  // The grid of the results and the exact solution the problem carries, for the comparison
  // with it; none by default.
  virtual const Media* Grid() const { return nullptr; }
  virtual const ReferenceCase* Reference() const { return nullptr; }
};

#endif
