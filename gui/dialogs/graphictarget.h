#ifndef CALORIVECTRIX_GUI_GRAPHICTARGET_H
#define CALORIVECTRIX_GUI_GRAPHICTARGET_H

// What the profile window needs of the window whose results it plots: the run, the
// snapshot on show, and what the field plot shows (which decides the profile). The window
// calls the profile window's Update whenever any of these changes while it is visible.

#include "gui/plot/fieldplot.h"
#include "sim/manager.h"
#include "sim/reference.h"

class GraphicTarget {
 public:
  virtual ~GraphicTarget() = default;

  // The results of the last accepted run, or null.
  virtual const SimManager* Results() const = 0;
  // The snapshot on show, one of Results(); null without results.
  virtual const SimSnapshot* ShownSnapshot() const = 0;
  virtual ViewMode View() const = 0;
  // Whether heat-flux vectors are drawn over the field.
  virtual bool VectorsShown() const = 0;

  // The grid of the results and the exact solution the problem carries, for the comparison
  // with it; none by default.
  virtual const Media* Grid() const { return nullptr; }
  virtual const ReferenceCase* Reference() const { return nullptr; }
};

#endif
