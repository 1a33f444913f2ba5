#include "sim/face.h"

#include "sim/check.h"

Face::Face() : count(0), cursor(0) {
  for (double& bound : bounds)
    bound = 0;
  for (FHeat*& slot : f)
    slot = nullptr;
}

Face::~Face() {
  for (int32_t s = 0; s < count; ++s) {
    if (f[s])
      f[s]->Release();
    f[s] = nullptr;
  }
}

void Face::Replace(int32_t idx, FHeat* condition) {
  if (condition)
    condition->Acquire();
  FHeat* old = f[idx];
  f[idx] = condition;
  if (old)
    old->Release();
}

void Face::OpenSpace(int32_t idx, int32_t n) {
  INVARIANT(n > 0, "n>0");
  INVARIANT(count + n <= capacity, "count + n <= sizeof f/sizeof f[0]");
  INVARIANT(idx >= 0 && idx <= count, "idx>=0 && idx<=count");
  for (int32_t k = count; k >= idx; --k)
    bounds[k + n] = bounds[k];
  for (int32_t k = count - 1; k >= idx; --k)
    f[k + n] = f[k];
  for (int32_t k = idx; k < idx + n; ++k)
    f[k] = nullptr;
  count += n;
}

void Face::Append(int32_t n) {
  INVARIANT(n > 0, "n>0");
  INVARIANT(count + n <= capacity, "count + n <= sizeof f/sizeof f[0]");
  for (int32_t k = count; k < count + n; ++k)
    f[k] = nullptr;
  count += n;
}

void Face::Remove(int32_t idx, int32_t n) {
  INVARIANT(n > 0, "n>0");
  INVARIANT(count - n >= 0, "count - n >= 0");
  INVARIANT(idx >= 0 && idx < count, "idx>=0 && idx<count");
  for (int32_t k = idx; k < idx + n; ++k) {
    if (f[k])
      f[k]->Release();
    f[k] = nullptr;
  }
  for (int32_t k = idx + n; k < count; ++k) {
    f[k - n] = f[k];
    f[k] = nullptr;
  }
  for (int32_t k = idx + n; k <= count; ++k)
    bounds[k - n] = bounds[k];
  count -= n;
}

void Face::Insert(const Segment& segment) {
  const double lower = segment.lower;
  const double upper = segment.upper;
  INVARIANT(lower < upper, "segment.lower < segment.upper");
  FHeat* condition = segment.condition;
  // Held for the whole insertion, so a condition stored nowhere dies at the end of it.
  condition->Acquire();

  if (count == 0) {
    bounds[0] = lower;
    bounds[1] = upper;
    count = 1;
    f[0] = nullptr;
    Replace(0, condition);
  } else {
    int32_t left = 0;
    while (left <= count && !(lower <= bounds[left]))
      ++left;
    int32_t right = count;
    while (right >= 1 && upper < bounds[right])
      --right;

    if (left == right) {
      const int32_t k = left;
      if (k == count) {
        Append(1);
        bounds[count - 1] = lower;
        bounds[count] = upper;
        Replace(count - 1, condition);
      } else {
        OpenSpace(k, 1);
        bounds[k] = lower;
        bounds[k + 1] = upper;
        Replace(k, condition);
      }
    } else if (right < left) {
      INVARIANT(left - 1 == right, "left-1 == right");
      const int32_t k = right;
      OpenSpace(k + 1, 2);
      bounds[k + 1] = lower;
      bounds[k + 2] = upper;
      Replace(k + 1, condition);
      Replace(k + 2, f[k]);
    } else {
      if (right - left > 1)
        Remove(left, right - left - 1);
      bounds[left] = lower;
      bounds[left + 1] = upper;
      Replace(left, condition);
    }
  }

  if (cursor >= count)
    cursor = 0;
  condition->Release();
}

void Face::CopyFrom(const Face& other) {
  if (&other == this)
    return;
  for (int32_t s = 0; s < other.count; ++s) {
    if (other.f[s])
      other.f[s]->Acquire();
  }
  for (int32_t s = 0; s < count; ++s) {
    if (f[s])
      f[s]->Release();
    f[s] = nullptr;
  }
  count = other.count;
  for (int32_t k = 0; k <= count; ++k)
    bounds[k] = other.bounds[k];
  for (int32_t s = 0; s < count; ++s)
    f[s] = other.f[s];
  cursor = other.cursor;
}

bool Face::Fits(double lower, double upper) const {
  if (count == 0)
    return true;
  // The same bounds Insert finds.
  int32_t left = 0;
  while (left <= count && !(lower <= bounds[left]))
    ++left;
  int32_t right = count;
  while (right >= 1 && upper < bounds[right])
    --right;
  const int32_t extra = left == right ? 1 : right < left ? 2 : 0;
  return count + extra <= capacity;
}

void Face::Find(double x) {
  const int32_t last = cursor;
  for (;;) {
    cursor = cursor + 1 < count ? cursor + 1 : 0;
    if (bounds[cursor] <= x && x <= bounds[cursor + 1])
      return;
    INVARIANT(cursor != last, "idx!=last");
  }
}

FHeat* Face::ConditionAt(double x) {
  if (!(bounds[cursor] <= x && x <= bounds[cursor + 1]))
    Find(x);
  return f[cursor];
}
