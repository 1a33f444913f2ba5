#ifndef CALORIVECTRIX_GUI_OUTPUTSTARGET_H
#define CALORIVECTRIX_GUI_OUTPUTSTARGET_H

// What the outputs dialog needs of the window that holds the results: the run and the
// snapshot on show.

#include "sim/manager.h"
#include "sim/reference.h"

class OutputsTarget {
 public:
  virtual ~OutputsTarget() = default;

  // The results of the last accepted run, or null.
  virtual const SimManager* Results() const = 0;
  // The snapshot on show, one of Results(); null without results.
  virtual const SimSnapshot* ShownSnapshot() const = 0;

  // The grid of the results and the exact solution the problem carries, for the comparison
  // with it; none by default.
  virtual const Media* Grid() const { return nullptr; }
  virtual const ReferenceCase* Reference() const { return nullptr; }
};

#endif
