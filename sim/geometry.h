#ifndef CALORIVECTRIX_SIM_GEOMETRY_H
#define CALORIVECTRIX_SIM_GEOMETRY_H

// Plane geometry of one control volume, always recomputed from the grid's nodes so that
// every user of it gets the same bits.

#include <cstdint>

#include "sim/media.h"

struct Vec2 {
  double x;
  double y;
};

inline Vec2 operator-(const Point& a, const Point& b) {
  return Vec2{a.x - b.x, a.y - b.y};
}
inline double Cross(const Vec2& a, const Vec2& b) {
  return a.x * b.y - a.y * b.x;
}
inline double Dot(const Vec2& a, const Vec2& b) {
  return a.x * b.x + a.y * b.y;
}

struct VolumeGeometry {
  double area;           // the two triangles on the NW-SE diagonal
  Point centre;          // mean of the four corners
  Point ms, mn, mw, me;  // face midpoints
};

VolumeGeometry GeometryOf(const Media& media, int32_t i, int32_t j);

// Area alone, for callers that need nothing else.
double AreaOf(const Media& media, int32_t i, int32_t j);

// The simulator divides by every volume's area: a flat volume (corners that coincide or lie
// on one line, within rounding) or one too large to hold would fill the field with
// infinities, so grids from outside the program are checked with this before they are used.
enum class VolumeShape { sound, flat, unbounded };
VolumeShape ShapeOf(const Media& media, int32_t i, int32_t j);
// The square of the diagonal of the volume's corners' bounding box: the scale against which
// an area counts as negligible.
double ExtentSquared(const Media& media, int32_t i, int32_t j);

// A control volume by its indices; (-1, -1) when there is none.
struct VolumeIndex {
  int32_t i;
  int32_t j;

  bool Valid() const { return i >= 0 && j >= 0; }
  bool operator==(const VolumeIndex& other) const { return i == other.i && j == other.j; }
  bool operator!=(const VolumeIndex& other) const { return !(*this == other); }
};

// The volume holding a world point. Each volume is split into two triangles along its
// South-West to North-East diagonal; a point within 1e-5 of a triangle's height from an
// edge counts as inside, so a point on an edge or node shared by several volumes goes to
// the first of them with j outer and i inner.
VolumeIndex FindVolume(const Media& media, Point mouse);

// Bounding box of all nodes, and the reference length of a vector: half the box diagonal
// over sqrt(ni^2 + nj^2).
void ComputeBounds(const Media& media, Point& boundsMin, Point& boundsMax, double& cellSize);

#endif
