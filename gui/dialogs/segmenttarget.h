#ifndef CALORIVECTRIX_GUI_SEGMENTTARGET_H
#define CALORIVECTRIX_GUI_SEGMENTTARGET_H

// What the segment dialog needs of its owner: a new function of the user's own making when
// the user picks "Custom..." in a function list.

#include <memory>

#include "sim/fheat.h"

class SegmentTarget {
 public:
  virtual ~SegmentTarget() = default;

  // Asks the user for a function (the custom-function dialog, modally); null when cancelled.
  virtual std::unique_ptr<Function1D> AskCustomFunction() = 0;
};

#endif
