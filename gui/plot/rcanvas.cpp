#include "gui/plot/rcanvas.h"

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
// heptagon, not a hexagon: corner q0 or q2 inside the band with both neighbours above it and
// the opposite corner below (or the mirror case) puts two crossings on each of the two far
// edges, and all seven points make one polygon. The same pattern round q1 or q3, and the
// only one with more nodes, all four corners outside and alternating, split in two.
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

namespace {

// Walks t = 0, s, 2s, ... up to `high`, then 0, -s, -2s, ... down to `low`, accumulating in
// double precision, so the tick at the origin is drawn twice. A spacing too small to move t,
// or one giving far more ticks than any screen has pixels, must not hang the window.
template <class Tick>
void WalkTicks(double spacing, double low, double high, Tick&& tick) {
  for (const double direction : {1.0, -1.0}) {
    int32_t count = 0;
    for (double t = 0; (direction > 0 ? t <= high : t >= low) && count < kMaxTicksPerWalk;
         ++count) {
      tick(t);
      const double next = t + direction * spacing;
      if (next == t)
        break;
      t = next;
    }
  }
}

}  // namespace

void RCanvas::DrawTicksX(double spacing, int32_t halfLength) {
  const int32_t axisY = MapY(0);
  WalkTicks(spacing, worldMin.x, worldMax.x, [&](double t) {
    const int32_t x = MapX(t);
    surface.MoveTo(x, axisY - halfLength);
    surface.LineTo(x, axisY + halfLength + 1);
  });
}

void RCanvas::DrawTicksY(double spacing, int32_t halfLength) {
  const int32_t axisX = MapX(0);
  WalkTicks(spacing, worldMin.y, worldMax.y, [&](double t) {
    const int32_t y = MapY(t);
    surface.MoveTo(axisX - halfLength, y);
    surface.LineTo(axisX + halfLength + 1, y);
  });
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
    list.corner[k] = list.count;
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

namespace {

bool IsOutside(int32_t code) {
  return code == 2 || code == -2;
}

// The quad has no values inside, so the band's outline crosses it in straight chords between
// the crossings of each level. Where the band's outside touches the quad at two opposite
// corners only, those two pieces are either cut off one by one, leaving the band as a strip
// through the middle, or joined through the middle, cutting the band in two. The two bands
// that meet at a level must make the same choice there, or they overlap and leave a gap.
// The choice is the isolines' own: a level cuts off corners q1 and q3. Returns the node
// indices of the two corners whose outside joins, if it does.
std::optional<std::array<int32_t, 2>> JoinedCorners(const BandNodeList& nodes) {
  std::array<int32_t, 4> code;
  for (int k = 0; k < 4; ++k)
    code[k] = nodes.node[nodes.corner[k]].code;
  for (int first = 0; first < 2; ++first) {
    const int32_t side = code[first];
    if (!IsOutside(side) || code[first + 2] != side)
      continue;
    const int32_t a = code[first + 1];
    const int32_t b = code[(first + 3) % 4];
    if (a == side || b == side)
      continue;  // three corners outside form one piece
    // Both on the level: the band has no area here and stays the one line between them.
    const int32_t level = side / 2;
    if (a == level && b == level)
      continue;
    // q1 and q3 are cut off when the level separates them from both other corners. With a
    // third corner on the level, the neighbouring band sees a single piece cut off by one
    // chord, and only joining matches that chord.
    const auto beyond = [side](int32_t c) { return side < 0 ? c >= 0 : c <= 0; };
    if (first == 1 && beyond(a) && beyond(b))
      continue;
    return std::array<int32_t, 2>{nodes.corner[first], nodes.corner[first + 2]};
  }
  return std::nullopt;
}

}  // namespace

// Walks the nodes backwards round the quad, dropping those outside the band; what is left is
// the band's outline, its chords running between consecutive nodes kept. A band cut in two
// by joined corners starts at one of them, so that neither piece wraps round the start.
template <class Output>
void RCanvas::WalkBand(const BandNodeList& nodes, Output&& output) {
  const auto joined = JoinedCorners(nodes);
  int32_t polygon[kBandPolygonCapacity - 1];
  int32_t n = 0;
  const auto finish = [&] {
    if (n > 0)
      output(static_cast<const int32_t*>(polygon), n);
    n = 0;
  };
  const int32_t start = joined ? std::max((*joined)[0], (*joined)[1]) : nodes.count - 1;
  for (int32_t step = 0; step < nodes.count; ++step) {
    const int32_t k = (start - step + nodes.count) % nodes.count;
    if (joined && (k == (*joined)[0] || k == (*joined)[1])) {
      finish();
      continue;
    }
    if (IsOutside(nodes.node[k].code))
      continue;
    INVARIANT(n < kBandPolygonCapacity - 1, "n < 7");
    polygon[n++] = k;
  }
  finish();
}

template <class Output>
void RCanvas::WalkBandPixels(const BandNodeList& nodes, Output&& output) const {
  WalkBand(nodes, [&](const int32_t* index, int32_t count) {
    QPoint polygon[kBandPolygonCapacity];
    for (int32_t i = 0; i < count; ++i) {
      const Point& p = nodes.node[index[i]].point;
      polygon[i] = QPoint(MapX(p.x), MapY(p.y));
    }
    polygon[count] = polygon[0];
    output(static_cast<const QPoint*>(polygon), count + 1);
  });
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
  WalkBandPixels(BandNodes(quad, values, lo, hi),
                 [this](const QPoint* points, int32_t count) { surface.Polygon(points, count); });
}

std::vector<QPolygon> RCanvas::BandPolygons(const Quad& quad, const QuadValues& values, float lo,
                                            float hi) const {
  std::vector<QPolygon> polygons;
  if (!BandDrawable(values, lo, hi))
    return polygons;
  WalkBandPixels(BandNodes(quad, values, lo, hi), [&polygons](const QPoint* points, int32_t count) {
    polygons.emplace_back(QPolygon(QList<QPoint>(points, points + count)));
  });
  return polygons;
}

std::vector<std::vector<Point>> RCanvas::BandOutlines(const Quad& quad, const QuadValues& values,
                                                      float lo, float hi) {
  std::vector<std::vector<Point>> outlines;
  if (!BandDrawable(values, lo, hi))
    return outlines;
  const BandNodeList nodes = BandNodes(quad, values, lo, hi);
  WalkBand(nodes, [&](const int32_t* index, int32_t count) {
    std::vector<Point>& outline = outlines.emplace_back();
    for (int32_t i = 0; i < count; ++i)
      outline.push_back(nodes.node[index[i]].point);
  });
  return outlines;
}
