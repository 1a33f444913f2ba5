#ifndef CALORIVECTRIX_SIM_FACE_H
#define CALORIVECTRIX_SIM_FACE_H

// One side of the domain split into consecutive segments, each carrying a boundary
// condition. Positions along a side are normalised to [0, 1] (0 at the side's first node,
// 1 at its last), so segments survive any change of grid.
//
// Segment s spans [bounds[s], bounds[s+1]] and has condition f[s]; each filled slot holds
// one reference on its condition. At most 100 segments per side.

#include <cstdint>

#include "sim/fheat.h"

struct Segment {
  double lower;
  double upper;
  FHeat* condition;
};

class Face {
 public:
  static constexpr int32_t capacity = 100;

  Face();
  ~Face();
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  // Lays the segment over the side, trimming, splitting or swallowing the segments it
  // overlaps. Requires lower < upper.
  void Insert(const Segment& segment);
  // Whether Insert of [lower, upper] (lower < upper, inside the face) stays within the
  // capacity: a segment strictly inside another splits it in three and needs two free slots,
  // one reaching over exactly one bound needs one, one covering a whole segment none.
  bool Fits(double lower, double upper) const;

  // Becomes a copy of `other`: the same bounds, conditions (one more reference each) and
  // cursor. The conditions it held before are released after the new ones are acquired, so
  // a face may take back a copy it made of itself earlier.
  void CopyFrom(const Face& other);

  // Moves the cursor to a segment containing x, searching from the segment after the
  // current one.
  void Find(double x);

  // The condition at x as the simulator looks it up: the cursor's segment is kept when it
  // contains x (both ends included), otherwise Find moves the cursor.
  FHeat* ConditionAt(double x);

  // Slot operations used by Insert.
  void OpenSpace(int32_t idx, int32_t n);
  void Append(int32_t n);
  void Remove(int32_t idx, int32_t n);

  int32_t count;
  double bounds[capacity + 1];
  FHeat* f[capacity];
  int32_t cursor;

 private:
  // Stores the condition in slot idx, acquiring it before releasing the old one.
  void Replace(int32_t idx, FHeat* condition);
};

#endif
