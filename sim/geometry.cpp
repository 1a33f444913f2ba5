#include "sim/geometry.h"

#include <cmath>

namespace {

Point Mid(const Point& a, const Point& b) {
  return Point{(a.x + b.x) / 2, (a.y + b.y) / 2};
}

double Area(const Point& sw, const Point& se, const Point& ne, const Point& nw) {
  return (std::fabs(Cross(ne - nw, ne - se)) + std::fabs(Cross(se - sw, nw - sw))) / 2;
}

// Which side of the line from a to b the point m lies on: 1 right, 2 left, 0 on it within
// the tolerance. The classes are bits, so or-ing them shows whether both sides occurred.
int32_t SideOf(const Point& a, const Point& b, const Point& m, double tolerance) {
  const double s = (b.x - a.x) * (m.y - a.y) - (b.y - a.y) * (m.x - a.x);
  if (s < -tolerance)
    return 1;
  if (s > tolerance)
    return 2;
  return 0;
}

// Inside (or on the edge of) the triangle when the point is never on both sides of its
// edges, whichever way round the corners run. A point counts as on an edge within 1e-5 of
// the triangle's height over that edge: the tolerance scales with the triangle, so a grid
// of millimetre volumes is probed as exactly as one of metre volumes (an absolute 1e-5 m^2
// would reach across several small volumes and find a neighbour of the one under the mouse).
bool InTriangle(const Point& p, const Point& q, const Point& r, const Point& m) {
  const double twiceArea = (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
  const double tolerance = 1e-5 * std::fabs(twiceArea);
  const int32_t first = SideOf(p, q, m, tolerance) | SideOf(q, r, m, tolerance);
  if (first == 3)
    return false;
  return (first | SideOf(r, p, m, tolerance)) != 3;
}

}  // namespace

double AreaOf(const Media& media, int32_t i, int32_t j) {
  return Area(media.node(i, j), media.node(i + 1, j), media.node(i + 1, j + 1),
              media.node(i, j + 1));
}

VolumeShape ShapeOf(const Media& media, int32_t i, int32_t j) {
  const double area = AreaOf(media, i, j);
  if (!std::isfinite(area))
    return VolumeShape::unbounded;
  // Collinear corners rarely give an exact zero once their coordinates carry rounding, so a
  // volume counts as flat when its area is negligible against the square of its extent.
  return area <= 1e-12 * ExtentSquared(media, i, j) ? VolumeShape::flat : VolumeShape::sound;
}

double ExtentSquared(const Media& media, int32_t i, int32_t j) {
  const Point corners[4] = {media.node(i, j), media.node(i + 1, j), media.node(i + 1, j + 1),
                            media.node(i, j + 1)};
  double minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
  for (const Point& p : corners) {
    minX = std::fmin(minX, p.x);
    maxX = std::fmax(maxX, p.x);
    minY = std::fmin(minY, p.y);
    maxY = std::fmax(maxY, p.y);
  }
  const double w = maxX - minX;
  const double h = maxY - minY;
  return w * w + h * h;
}

VolumeGeometry GeometryOf(const Media& media, int32_t i, int32_t j) {
  const Point& sw = media.node(i, j);
  const Point& se = media.node(i + 1, j);
  const Point& ne = media.node(i + 1, j + 1);
  const Point& nw = media.node(i, j + 1);
  VolumeGeometry g;
  g.area = Area(sw, se, ne, nw);
  g.centre = Point{(sw.x + se.x + ne.x + nw.x) / 4, (sw.y + se.y + ne.y + nw.y) / 4};
  g.ms = Mid(sw, se);
  g.mn = Mid(nw, ne);
  g.mw = Mid(sw, nw);
  g.me = Mid(se, ne);
  return g;
}

VolumeIndex FindVolume(const Media& media, Point mouse) {
  // A point that is not a number would sit "on" every edge.
  if (!std::isfinite(mouse.x) || !std::isfinite(mouse.y))
    return VolumeIndex{-1, -1};
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const Point& sw = media.node(i, j);
      const Point& ne = media.node(i + 1, j + 1);
      if (InTriangle(media.node(i, j + 1), ne, sw, mouse) ||
          InTriangle(media.node(i + 1, j), ne, sw, mouse))
        return VolumeIndex{i, j};
    }
  }
  return VolumeIndex{-1, -1};
}

void ComputeBounds(const Media& media, Point& boundsMin, Point& boundsMax, double& cellSize) {
  boundsMin = media.node(0, 0);
  boundsMax = media.node(0, 0);
  for (int32_t i = 0; i <= media.ni; ++i) {
    for (int32_t j = 0; j <= media.nj; ++j) {
      const Point& p = media.node(i, j);
      if (p.x < boundsMin.x)
        boundsMin.x = p.x;
      else if (p.x > boundsMax.x)
        boundsMax.x = p.x;
      if (p.y < boundsMin.y)
        boundsMin.y = p.y;
      else if (p.y > boundsMax.y)
        boundsMax.y = p.y;
    }
  }
  const double dx = boundsMax.x - boundsMin.x;
  const double dy = boundsMax.y - boundsMin.y;
  const double ni = media.ni;
  const double nj = media.nj;
  cellSize = 0.5 * std::sqrt(dx * dx + dy * dy) / std::sqrt(ni * ni + nj * nj);
}
