#ifndef CALORIVECTRIX_GUI_RCANVAS_H
#define CALORIVECTRIX_GUI_RCANVAS_H

// World-to-pixel mapping for every drawing of the program. World coordinates are metres
// with y pointing up; pixels have y pointing down. A canvas is a small value built afresh
// at each paint or mouse event from the current extents; it owns nothing and changes the
// surface's pen, brush and font in place.
//
// The world box [worldMin, worldMax] maps onto the pixel rectangle less `margin` pixels
// on every side, with independent scales along x and y:
//   MapX(x) = trunc(rect.left + (x - worldMin.x) scaleX + margin)
//   MapY(y) = trunc(rect.bottom - (y - worldMin.y) scaleY - margin)
// evaluated in extended precision and truncated toward zero. A rectangle narrower than
// twice the margin gives a negative scale and a mirrored drawing.
//
// Contouring works one quadrilateral at a time: each edge is interpolated linearly between
// its corner values, so the pieces drawn in neighbouring quads meet along shared edges.
// Corner values and levels are single precision, as the field plot hands them over.

#include <QColor>
#include <QPolygon>
#include <QRect>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "gui/platform/surface.h"
#include "sim/media.h"

class Function1D;

// A pixel rectangle; right and bottom are exclusive, unlike QRect's.
struct PixelRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;

  static PixelRect Of(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }
};

// Four world corners taken in order around a volume, and a value at each.
using Quad = std::array<Point, 4>;
using QuadValues = std::array<float, 4>;

// A node of a band's outline and where it lies: -2 below the band, 2 above it, -1 on the
// lower level, 1 on the upper, 0 strictly inside.
struct BandNode {
  Point point;
  int32_t code;
};

// The four corners and at most two crossings on each edge, in edge order.
struct BandNodeList {
  std::array<BandNode, 12> node;
  std::array<int32_t, 4> corner{};  // where corner k sits in `node`
  int32_t count = 0;
};

class RCanvas {
 public:
  // A world extent of zero width (or height) is widened to one unit centred on it.
  RCanvas(Surface& surface, const PixelRect& rect, const Point& worldMin, const Point& worldMax,
          int32_t margin);

  int32_t MapX(double x) const;
  int32_t MapY(double y) const;
  double UnmapX(int32_t px) const;
  double UnmapY(int32_t py) const;

  // The closed polygon through the four mapped corners, in the given order.
  void FillQuad(const Quad& quad, const QColor& penColour, const QColor& brushColour);
  // Axes through the world origin, ticks of the spacings that are above 1e-20 (large ticks
  // 7 pixels long, small ones 3), and a black frame around the rectangle. Spacings are
  // world units and must not be negative.
  void DrawAxes(const QColor& colour, const Point& large, const Point& small);
  // One straight piece per pixel column between the mapped ends.
  void PlotFunction(double x0, double x1, const Function1D& function, const QColor& colour);

  // The piece of the isotherm at `level` inside the quad: one line, or two at a saddle,
  // where the pieces cut off corners q1 and q3. A corner without a value (NaN) draws nothing.
  void DrawIsoline(const Quad& quad, const QuadValues& values, float level, const QColor& colour);
  // Fills the part of the quad whose interpolated value lies in [lo, hi], outlined in the
  // same colour with the pen width the caller set. A band without width (lo >= hi) or a
  // corner without a value (NaN) draws nothing.
  void FillBand(const Quad& quad, const QuadValues& values, float lo, float hi,
                const QColor& colour);
  // The pixel polygons FillBand draws, each closed by repeating its first point.
  std::vector<QPolygon> BandPolygons(const Quad& quad, const QuadValues& values, float lo,
                                     float hi) const;
  // The same polygons in world coordinates, unclosed, before any mapping or rounding.
  static std::vector<std::vector<Point>> BandOutlines(const Quad& quad, const QuadValues& values,
                                                      float lo, float hi);

  // Where `level` crosses the edge from a to b: needs min <= level < max of the two values,
  // so an edge with equal ends never crosses, and a level at the upper end does not.
  static std::optional<Point> EdgeCrossing(const Point& a, const Point& b, float va, float vb,
                                           float level);
  static int32_t ClassifyValue(float v, float lo, float hi);
  static BandNodeList BandNodes(const Quad& quad, const QuadValues& values, float lo, float hi);

  const Point& WorldMin() const { return worldMin; }
  const Point& WorldMax() const { return worldMax; }
  double ScaleX() const { return scaleX; }
  double ScaleY() const { return scaleY; }
  int32_t Margin() const { return margin; }
  const PixelRect& Rect() const { return rect; }

 private:
  template <class Output>
  static void WalkBand(const BandNodeList& nodes, Output&& output);
  template <class Output>
  void WalkBandPixels(const BandNodeList& nodes, Output&& output) const;
  void DrawTicksX(double spacing, int32_t halfLength);
  void DrawTicksY(double spacing, int32_t halfLength);

  Surface& surface;
  Point worldMin;
  Point worldMax;
  double scaleX;
  double scaleY;
  int32_t margin;
  PixelRect rect;
};

#endif
