#include "gui/plot/volumeraster.h"

namespace volumeraster {

ScreenNodes MapNodes(const Media& media, const RCanvas& canvas) {
  ScreenNodes nodes;
  nodes.stride = media.ni + 1;
  const size_t count = static_cast<size_t>(media.ni + 1) * (media.nj + 1);
  nodes.x.resize(count);
  nodes.y.resize(count);
  const double left = canvas.Rect().left + canvas.Margin();
  const double bottom = canvas.Rect().bottom - canvas.Margin();
  const Point& origin = canvas.WorldMin();
  for (int32_t j = 0; j <= media.nj; ++j) {
    for (int32_t i = 0; i <= media.ni; ++i) {
      const Point& p = media.node(i, j);
      const size_t k = static_cast<size_t>(j) * nodes.stride + i;
      nodes.x[k] = left + (p.x - origin.x) * canvas.ScaleX();
      nodes.y[k] = bottom - (p.y - origin.y) * canvas.ScaleY();
    }
  }
  return nodes;
}

}  // namespace volumeraster

namespace {

// Enough volumes for a steady median, spread over the whole grid.
constexpr int32_t kSamplesPerSide = 128;

double Median(std::vector<double>& values) {
  if (values.empty())
    return 0;
  auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace

VolumeExtent VolumeExtentOnScreen(const Media& media, const RCanvas& canvas) {
  const double sx = canvas.ScaleX();
  const double sy = canvas.ScaleY();
  auto pixels = [sx, sy](const Point& a, const Point& b, const Point& c, const Point& d) {
    // From the midpoint of a-b to the midpoint of c-d.
    const double dx = ((c.x + d.x) - (a.x + b.x)) * 0.5 * sx;
    const double dy = ((c.y + d.y) - (a.y + b.y)) * 0.5 * sy;
    const double length = std::sqrt(dx * dx + dy * dy);
    // A size that is not a number counts as none, so such a grid is drawn by pixels.
    return std::isfinite(length) ? length : 0.0;
  };
  const int32_t stepI = std::max(1, media.ni / kSamplesPerSide);
  const int32_t stepJ = std::max(1, media.nj / kSamplesPerSide);
  std::vector<double> alongI, alongJ;
  for (int32_t j = 0; j < media.nj; j += stepJ) {
    for (int32_t i = 0; i < media.ni; i += stepI) {
      const Point& sw = media.node(i, j);
      const Point& se = media.node(i + 1, j);
      const Point& ne = media.node(i + 1, j + 1);
      const Point& nw = media.node(i, j + 1);
      alongI.push_back(pixels(sw, nw, se, ne));
      alongJ.push_back(pixels(sw, se, nw, ne));
    }
  }
  return VolumeExtent{Median(alongI), Median(alongJ)};
}
