#include "sim/geometry.h"

#include <cmath>

namespace {

Point Mid(const Point& a, const Point& b) {
  return Point{(a.x + b.x) / 2, (a.y + b.y) / 2};
}

double Area(const Point& sw, const Point& se, const Point& ne, const Point& nw) {
  return (std::fabs(Cross(ne - nw, ne - se)) + std::fabs(Cross(se - sw, nw - sw))) / 2;
}

}  // namespace

double AreaOf(const Media& media, int32_t i, int32_t j) {
  return Area(media.node(i, j), media.node(i + 1, j), media.node(i + 1, j + 1),
              media.node(i, j + 1));
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
