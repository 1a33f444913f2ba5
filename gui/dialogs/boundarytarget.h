#ifndef CALORIVECTRIX_GUI_BOUNDARYTARGET_H
#define CALORIVECTRIX_GUI_BOUNDARYTARGET_H

// What the boundary-condition editor needs of the window that holds the problem: to show
// the side being edited highlighted in its plot, and a new segment from the user.

#include <QString>
#include <memory>
#include <optional>

#include "sim/fheat.h"

// A segment the user asked for, not yet on any side. Its condition is new and held by no
// one; Face::Insert takes it over (and destroys it if it lands in no slot), so hand it over
// with condition.release(). Left unused, it is destroyed here.
struct NewSegment {
  double lower;
  double upper;
  std::unique_ptr<FHeat> condition;
};

class BoundaryTarget {
 public:
  virtual ~BoundaryTarget() = default;

  // Redraws the plot with the side named by `page` ("North", "South", "East", anything else
  // West) highlighted while `visible`, without a highlight otherwise.
  virtual void ShowBoundarySide(bool visible, const QString& page) = 0;
  // Asks the user for a segment (the segment dialog, modally); none when cancelled.
  virtual std::optional<NewSegment> AskSegment() = 0;
};

#endif
