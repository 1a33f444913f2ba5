#ifndef CALORIVECTRIX_GUI_OUTPUTSTARGET_H
#define CALORIVECTRIX_GUI_OUTPUTSTARGET_H

// What the outputs dialog needs of the window that holds the results: the run and the
// snapshot on show.

#include "sim/manager.h"

class OutputsTarget {
 public:
  virtual ~OutputsTarget() = default;

  // The results of the last accepted run, or null.
  virtual const SimManager* Results() const = 0;
  // The snapshot on show, one of Results(); null without results.
  virtual const SimSnapshot* ShownSnapshot() const = 0;
};

#endif
