#ifndef CALORIVECTRIX_GUI_PIXELLINE_H
#define CALORIVECTRIX_GUI_PIXELLINE_H

// The one rule for which pixels a one-pixel line covers, shared by the drawing surface and
// the field plot's batched outlines so that both put down exactly the same pixels.

#include <QPoint>
#include <QRect>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace pixelline {

// Far beyond any screen, yet small enough that widths and heights of shapes cannot
// overflow and QPainter's fixed-point rasteriser clips rather than wraps.
constexpr int kCoordinateLimit = 1 << 24;

inline int Clamp(int v) {
  return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

inline int64_t FloorDiv(int64_t num, int64_t den) {
  int64_t q = num / den;
  if ((num % den != 0) && ((num < 0) != (den < 0)))
    --q;
  return q;
}

// num/den rounded to the nearest integer, halves upwards; den > 0.
inline int64_t RoundDiv(int64_t num, int64_t den) {
  return FloorDiv(2 * num + den, 2 * den);
}

// A line from `from` (covered) to `to` (excluded), clamped to the coordinate limit. Pixel k
// of n lies k steps along the major axis from the start, its minor coordinate rounded from
// the exact line. Computing each pixel on its own, rather than by the usual running error,
// lets the walk start and stop at the visible part, so a line thrown far off costs no more
// than one across it. Calls visit(k, pixel) for the pixels inside `visible`, in order, and
// returns n, the line's length in pixels (0 when it has none).
template <class Visit>
[[gnu::always_inline]] inline int64_t ForEach(QPoint from, QPoint to, const QRect& visible,
                                              Visit&& visit) {
  const int64_t x0 = Clamp(from.x()), y0 = Clamp(from.y());
  const int64_t dx = Clamp(to.x()) - x0, dy = Clamp(to.y()) - y0;
  const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
  if (n == 0 || visible.isEmpty())
    return n;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
  const int64_t dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
  const int64_t majorLow = xMajor ? visible.left() : visible.top();
  const int64_t majorHigh = xMajor ? visible.right() : visible.bottom();
  const int64_t minorLow = xMajor ? visible.top() : visible.left();
  const int64_t minorHigh = xMajor ? visible.bottom() : visible.right();

  int64_t kFirst = 0, kLast = n - 1;
  if (dMajor > 0) {
    kFirst = std::max(kFirst, majorLow - major0);
    kLast = std::min(kLast, majorHigh - major0);
  } else {
    kFirst = std::max(kFirst, major0 - majorHigh);
    kLast = std::min(kLast, major0 - majorLow);
  }
  const int64_t step = dMajor > 0 ? 1 : -1;
  for (int64_t k = kFirst; k <= kLast; ++k) {
    const int64_t minor = minor0 + RoundDiv(k * dMinor, n);
    if (minor < minorLow || minor > minorHigh)
      continue;
    const int64_t major = major0 + k * step;
    visit(k, QPoint(static_cast<int>(xMajor ? major : minor),
                    static_cast<int>(xMajor ? minor : major)));
  }
  return n;
}

}  // namespace pixelline

#endif
