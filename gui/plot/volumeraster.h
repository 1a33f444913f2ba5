#ifndef CALORIVECTRIX_GUI_VOLUMERASTER_H
#define CALORIVECTRIX_GUI_VOLUMERASTER_H

// Grids whose volumes are smaller on screen than a pixel or two are drawn pixel by pixel
// instead of one polygon per volume. This unit measures how large the volumes appear and
// finds, for every pixel, the volume under it and where inside the volume that point lies.
//
// A pixel stands for the world point the probe reads when the mouse is on it (the pixel's
// top-left corner, RCanvas::UnmapX/UnmapY), so the read-outs describe the colour under the
// mouse. Each volume is split into the same two triangles as FindVolume uses, with the same
// tolerance relative to the triangle, and a point on a shared edge goes to the first volume
// in the same scan order: the raster and the probe agree on every pixel.

#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gui/plot/rcanvas.h"
#include "sim/media.h"

// How wide the volumes appear: the median over the grid of the distance between the
// midpoints of a volume's West and East faces (alongI) and of its South and North faces
// (alongJ), in pixels.
struct VolumeExtent {
  double alongI;
  double alongJ;
};
VolumeExtent VolumeExtentOnScreen(const Media& media, const RCanvas& canvas);

// Where a point lies in the triangle that holds it: the triangle's corners, as node
// indices, and a weight for each (summing to 1).
struct TriangleWeights {
  int32_t node[3];  // node index j * (ni + 1) + i
  double weight[3];
};

// Calls visit(x, y, i, j, weights) once for every pixel of `area` whose point lies in
// volume (i, j), in rows and columns of increasing index within each triangle.
template <class Visit>
void ForEachPixelInVolumes(const Media& media, const RCanvas& canvas, const QRect& area,
                           Visit&& visit);

// ---- implementation -------------------------------------------------------------------

namespace volumeraster {

// A point within this fraction of a triangle's height from an edge counts as on the edge,
// as FindVolume has it.
constexpr double kEdgeTolerance = 1e-5;

// Continuous pixel coordinates of every node: what MapX and MapY truncate.
struct ScreenNodes {
  int32_t stride;
  std::vector<double> x;
  std::vector<double> y;
};
ScreenNodes MapNodes(const Media& media, const RCanvas& canvas);

}  // namespace volumeraster

template <class Visit>
void ForEachPixelInVolumes(const Media& media, const RCanvas& canvas, const QRect& area,
                           Visit&& visit) {
  if (area.isEmpty())
    return;
  const volumeraster::ScreenNodes nodes = volumeraster::MapNodes(media, canvas);
  const int32_t stride = nodes.stride;
  const int32_t width = area.width();
  std::vector<uint8_t> taken(static_cast<size_t>(width) * area.height(), 0);
  auto triangle = [&](int32_t i, int32_t j, int32_t p, int32_t q, int32_t r) {
    const double px = nodes.x[p], py = nodes.y[p];
    const double qx = nodes.x[q], qy = nodes.y[q];
    const double rx = nodes.x[r], ry = nodes.y[r];
    const double twiceArea = (qx - px) * (ry - py) - (qy - py) * (rx - px);
    if (!(twiceArea != 0) || !std::isfinite(twiceArea))
      return;
    const double tolerance = volumeraster::kEdgeTolerance * std::abs(twiceArea);
    const double left = std::min({px, qx, rx}), right = std::max({px, qx, rx});
    const double top = std::min({py, qy, ry}), bottom = std::max({py, qy, ry});
    const double slack = volumeraster::kEdgeTolerance * (right - left + bottom - top);
    const double x0 = std::max(std::ceil(left - slack), static_cast<double>(area.left()));
    const double x1 = std::min(std::floor(right + slack), static_cast<double>(area.right()));
    const double y0 = std::max(std::ceil(top - slack), static_cast<double>(area.top()));
    const double y1 = std::min(std::floor(bottom + slack), static_cast<double>(area.bottom()));
    if (!(x0 <= x1 && y0 <= y1))
      return;
    for (int32_t y = static_cast<int32_t>(y0); y <= static_cast<int32_t>(y1); ++y) {
      for (int32_t x = static_cast<int32_t>(x0); x <= static_cast<int32_t>(x1); ++x) {
        uint8_t& done = taken[static_cast<size_t>(y - area.top()) * width + (x - area.left())];
        if (done)
          continue;
        // Which side of each edge the point is on; both sides met means outside.
        const double sqr = (rx - qx) * (y - qy) - (ry - qy) * (x - qx);
        const double srp = (px - rx) * (y - ry) - (py - ry) * (x - rx);
        const double spq = (qx - px) * (y - py) - (qy - py) * (x - px);
        const bool below = sqr < -tolerance || srp < -tolerance || spq < -tolerance;
        const bool above = sqr > tolerance || srp > tolerance || spq > tolerance;
        if (below && above)
          continue;
        done = 1;
        const TriangleWeights weights{{p, q, r},
                                      {sqr / twiceArea, srp / twiceArea, spq / twiceArea}};
        visit(x, y, i, j, weights);
      }
    }
  };
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const int32_t sw = j * stride + i;
      const int32_t se = sw + 1;
      const int32_t nw = sw + stride;
      const int32_t ne = nw + 1;
      triangle(i, j, nw, ne, sw);
      triangle(i, j, se, ne, sw);
    }
  }
}

#endif
