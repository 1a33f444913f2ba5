#include "gui/rcanvas.h"

#include <QPoint>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sim/check.h"
#include "sim/fheat.h"

namespace {

// Mapped coordinates are held to this range before conversion to int, so that a wild value
// (a huge function value, a NaN) gives a point far off the surface instead of undefined
// behaviour. No world point inside the extents comes anywhere near it.
constexpr long double kPixelLimit = 1 << 24;

int32_t TruncatePixel(long double v) {
  if (!(v > -kPixelLimit))
    return -static_cast<int32_t>(kPixelLimit);
  if (v > kPixelLimit)
    return static_cast<int32_t>(kPixelLimit);
  return static_cast<int32_t>(v);  // toward zero
}

// Tick walks accumulate their position, so a spacing below the resolution of the extents
// would never reach the end. Past this many ticks the marks are solid ink anyway.
constexpr int32_t kMaxTicksPerWalk = 100000;

// Room for the largest pixel polygon a band walk emits, and its closing repeat. That is a
// heptagon, not a hexagon: a corner inside the band whose two neighbours lie above it and
// whose opposite corner lies below (or the mirror case) puts two crossings on each of the
// two far edges, and the walk keeps all seven points in one polygon.
constexpr int32_t kBandPolygonCapacity = 8;

}  // namespace

RCanvas::RCanvas(Surface& surface, const PixelRect& rect, const Point& worldMin,
                 const Point& worldMax, int32_t margin)
    : surface(surface), worldMin(worldMin), worldMax(worldMax), margin(margin), rect(rect) {
  double inverseWidth = 1;
  if (this->worldMax.x - this->worldMin.x == 0) {
    this->worldMax.x += 0.5;
    this->worldMin.x -= 0.5;
  } else {
    inverseWidth = 1 / (this->worldMax.x - this->worldMin.x);
  }
  double inverseHeight = 1;
  if (this->worldMax.y - this->worldMin.y == 0) {
    this->worldMax.y += 0.5;
    this->worldMin.y -= 0.5;
  } else {
    inverseHeight = 1 / (this->worldMax.y - this->worldMin.y);
  }
  scaleX = (static_cast<double>(rect.right) - rect.left - 2.0 * margin) * inverseWidth;
  scaleY = (static_cast<double>(rect.bottom) - rect.top - 2.0 * margin) * inverseHeight;
}

int32_t RCanvas::MapX(double x) const {
  const long double v = static_cast<long double>(rect.left) +
                        (static_cast<long double>(x) - worldMin.x) * scaleX + margin;
  return TruncatePixel(v);
}

int32_t RCanvas::MapY(double y) const {
  const long double v = static_cast<long double>(rect.bottom) -
                        (static_cast<long double>(y) - worldMin.y) * scaleY - margin;
  return TruncatePixel(v);
}

double RCanvas::UnmapX(int32_t px) const {
  return (static_cast<double>(px) - (static_cast<double>(margin) + rect.left)) / scaleX +
         worldMin.x;
}

double RCanvas::UnmapY(int32_t py) const {
  return (static_cast<double>(rect.bottom) - margin - py) / scaleY + worldMin.y;
}

void RCanvas::FillQuad(const Quad& quad, const QColor& penColour, const QColor& brushColour) {
  surface.SetPenColor(penColour);
  surface.SetBrushColor(brushColour);
  QPoint corners[5];
  for (int k = 0; k < 4; ++k)
    corners[k] = QPoint(MapX(quad[k].x), MapY(quad[k].y));
  corners[4] = corners[0];
  surface.Polygon(corners, 5);
}

void RCanvas::DrawTicksX(double spacing, int32_t halfLength) {
  const int32_t axisY = MapY(0);
  auto tick = [&](double t) {
    const int32_t x = MapX(t);
    surface.MoveTo(x, axisY - halfLength);
    surface.LineTo(x, axisY + halfLength + 1);
  };
  // Both walks start at the origin, so its tick is drawn twice.
  int32_t count = 0;
  for (double t = 0; t <= worldMax.x && count < kMaxTicksPerWalk; ++count) {
    tick(t);
    const double next = t + spacing;
    if (next == t)
      break;
    t = next;
  }
  count = 0;
  for (double t = 0; t >= worldMin.x && count < kMaxTicksPerWalk; ++count) {
    tick(t);
    const double next = t - spacing;
    if (next == t)
      break;
    t = next;
  }
}

void RCanvas::DrawTicksY(double spacing, int32_t halfLength) {
  const int32_t axisX = MapX(0);
  auto tick = [&](double t) {
    const int32_t y = MapY(t);
    surface.MoveTo(axisX - halfLength, y);
    surface.LineTo(axisX + halfLength + 1, y);
  };
  int32_t count = 0;
  for (double t = 0; t <= worldMax.y && count < kMaxTicksPerWalk; ++count) {
    tick(t);
    const double next = t + spacing;
    if (next == t)
      break;
    t = next;
  }
  count = 0;
  for (double t = 0; t >= worldMin.y && count < kMaxTicksPerWalk; ++count) {
    tick(t);
    const double next = t - spacing;
    if (next == t)
      break;
    t = next;
  }
}

void RCanvas::DrawAxes(const QColor& colour, const Point& large, const Point& small) {
  INVARIANT(large.x >= 0 && large.y >= 0, "large.x>=0 && large.y>=0");
  INVARIANT(small.x >= 0 && small.y >= 0, "small.x>=0 && small.y>=0");

  surface.SetPenColor(colour);
  // The axes pass through the world origin even when it lies outside the extents.
  surface.MoveTo(MapX(worldMin.x), MapY(0));
  surface.LineTo(MapX(worldMax.x), MapY(0));
  surface.MoveTo(MapX(0), MapY(worldMin.y));
  surface.LineTo(MapX(0), MapY(worldMax.y));

  constexpr double kNoTicks = 1e-20;
  if (large.x > kNoTicks)
    DrawTicksX(large.x, 3);
  if (large.y > kNoTicks)
    DrawTicksY(large.y, 3);
  if (small.x > kNoTicks)
    DrawTicksX(small.x, 1);
  if (small.y > kNoTicks)
    DrawTicksY(small.y, 1);

  surface.SetPenColor(Qt::black);
  surface.SetBrushHollow();
  surface.Rectangle(rect.left, rect.top, rect.right, rect.bottom);
}

void RCanvas::PlotFunction(double x0, double x1, const Function1D& function, const QColor& colour) {
  surface.SetPenColor(colour);
  const double y0 = function.Value(x0);
  const double y1 = function.Value(x1);
  const int64_t n = static_cast<int64_t>(MapX(x1)) - MapX(x0) - 1;
  if (n <= 0)
    return;

  surface.MoveTo(MapX(x0), MapY(y0));
  const double step = (x1 - x0) / static_cast<double>(n);
  // The sample count bounds the walk as well: far from the origin the accumulated t may
  // stop growing before it reaches x1.
  int64_t samples = 0;
  for (double t = x0 + step; t < x1 && samples < n; t += step, ++samples) {
    surface.LineTo(MapX(t), MapY(function.Value(t)));
  }
  surface.LineTo(MapX(x1), MapY(y1));
}

std::optional<Point> RCanvas::EdgeCrossing(const Point& a, const Point& b, float va, float vb,
                                           float level) {
  const float m = std::min(va, vb);
  const float M = std::max(va, vb);
  if (m > level || level >= M)
    return std::nullopt;
  const float t = (level - va) / (vb - va);
  return Point{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
}

int32_t RCanvas::ClassifyValue(float v, float lo, float hi) {
  if (v < lo)
    return -2;
  if (v > hi)
    return 2;
  if (v == lo)
    return -1;
  if (v == hi)
    return 1;
  return 0;
}

void RCanvas::DrawIsoline(const Quad& quad, const QuadValues& values, float level,
                          const QColor& colour) {
  for (float v : values) {
    if (std::isnan(v))
      return;
  }
  Point crossing[4];
  int count = 0;
  for (int k = 0; k < 4; ++k) {
    const int next = (k + 1) % 4;
    if (auto c = EdgeCrossing(quad[k], quad[next], values[k], values[next], level)) {
      crossing[count++] = *c;
    }
  }
  surface.SetPenColor(colour);
  auto line = [&](const Point& from, const Point& to) {
    surface.MoveTo(MapX(from.x), MapY(from.y));
    surface.LineTo(MapX(to.x), MapY(to.y));
  };
  // At a saddle the crossings pair up in edge order; no centre value decides otherwise.
  if (count == 2 || count == 4)
    line(crossing[0], crossing[1]);
  if (count == 4)
    line(crossing[2], crossing[3]);
}

BandNodeList RCanvas::BandNodes(const Quad& quad, const QuadValues& values, float lo, float hi) {
  BandNodeList list;
  auto append = [&list](const Point& p, int32_t code) {
    list.node[list.count++] = BandNode{p, code};
  };
  for (int k = 0; k < 4; ++k) {
    const int next = (k + 1) % 4;
    const int32_t c = ClassifyValue(values[k], lo, hi);
    const int32_t d = ClassifyValue(values[next], lo, hi);
    append(quad[k], c);
    // The levels passed between the two corner codes, in the direction of travel.
    const int32_t direction = d > c ? 1 : -1;
    for (int32_t m = c + direction; direction > 0 ? m < d : m > d; m += direction) {
      if (m == 0)
        continue;
      const auto crossing =
          EdgeCrossing(quad[k], quad[next], values[k], values[next], m == -1 ? lo : hi);
      if (crossing)
        append(*crossing, m);
    }
  }
  return list;
}

// Walks the nodes backwards, dropping those outside the band. Once an outside node has been
// passed, the first level node met fixes the open code; every later node on that same level
// closes the polygon gathered so far, which separates the pieces of a band that a quad
// holds twice (across a saddle).
template <class Output>
void RCanvas::WalkBand(const BandNodeList& nodes, Output&& output) const {
  QPoint polygon[kBandPolygonCapacity];
  int32_t n = 0;
  int32_t open = 0;
  bool outsideSeen = false;
  for (int32_t k = nodes.count - 1; k >= 0; --k) {
    const BandNode& node = nodes.node[k];
    if (node.code == 2 || node.code == -2) {
      outsideSeen = true;
      continue;
    }
    INVARIANT(n < kBandPolygonCapacity - 1, "n < 7");
    polygon[n++] = QPoint(MapX(node.point.x), MapY(node.point.y));
    if (open != 0 && node.code == open) {
      polygon[n++] = polygon[0];
      output(polygon, n);
      n = 0;
    } else if (open == 0 && node.code != 0 && outsideSeen) {
      open = node.code;
    }
  }
  if (n > 0) {
    polygon[n++] = polygon[0];
    output(polygon, n);
  }
}

namespace {

bool BandDrawable(const QuadValues& values, float lo, float hi) {
  if (!(lo < hi))
    return false;
  return std::none_of(values.begin(), values.end(), [](float v) { return std::isnan(v); });
}

}  // namespace

void RCanvas::FillBand(const Quad& quad, const QuadValues& values, float lo, float hi,
                       const QColor& colour) {
  if (!BandDrawable(values, lo, hi))
    return;
  surface.SetPenColor(colour);
  surface.SetBrushColor(colour);
  WalkBand(BandNodes(quad, values, lo, hi),
           [this](const QPoint* points, int32_t count) { surface.Polygon(points, count); });
}

std::vector<QPolygon> RCanvas::BandPolygons(const Quad& quad, const QuadValues& values, float lo,
                                            float hi) const {
  std::vector<QPolygon> polygons;
  if (!BandDrawable(values, lo, hi))
    return polygons;
  WalkBand(BandNodes(quad, values, lo, hi), [&polygons](const QPoint* points, int32_t count) {
    polygons.emplace_back(QPolygon(QList<QPoint>(points, points + count)));
  });
  return polygons;
}
