#ifndef CALORIVECTRIX_GUI_GEOMETRYTARGET_H
#define CALORIVECTRIX_GUI_GEOMETRYTARGET_H

// What the geometry wizard needs of the window that holds the problem: a place to hand a new
// grid to.

#include <memory>

#include "sim/media.h"

class GeometryTarget {
 public:
  virtual ~GeometryTarget() = default;

  // Takes the grid (every volume the default material) as the problem's own, keeping the
  // boundary conditions, and discards any results. False when refused because a run still
  // reads the current grid; the grid given is then dropped and nothing changes.
  virtual bool SetMedia(std::unique_ptr<Media> media) = 0;
};

#endif
