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

#endif
