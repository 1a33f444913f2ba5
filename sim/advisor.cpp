#include "sim/advisor.h"

#include <cmath>
#include <limits>

#include "sim/geometry.h"

namespace {

double Distance(const Point& a, const Point& b) {
  return std::hypot(b.x - a.x, b.y - a.y);
}

// A side's length along its nodes; `node(k)` walks it.
template <class Node>
double SideLength(int32_t count, Node node) {
  double length = 0;
  for (int32_t k = 0; k < count; ++k)
    length += Distance(node(k), node(k + 1));
  return length;
}

}  // namespace

TimeStepAdvice AdviseTimeStep(const Media& media, double dt, int32_t steps,
                              const NumVector<int>& marks) {
  TimeStepAdvice a;
  const int32_t ni = media.ni;
  const int32_t nj = media.nj;
  const double infinity = std::numeric_limits<double>::infinity();
  a.minFourier = infinity;
  a.maxFourier = 0;
  a.slowestDiffusivity = infinity;
  for (int32_t i = 0; i < ni; ++i) {
    for (int32_t j = 0; j < nj; ++j) {
      const VolumeProperties& p = media.volume(i, j);
      const double alpha = p.conductivity / (p.density * p.specificHeat);
      const VolumeGeometry g = GeometryOf(media, i, j);
      const double h = std::fmin(Distance(g.mw, g.me), Distance(g.ms, g.mn));
      const double fourier = alpha * dt / (h * h);
      a.minFourier = std::fmin(a.minFourier, fourier);
      a.maxFourier = std::fmax(a.maxFourier, fourier);
      a.slowestDiffusivity = std::fmin(a.slowestDiffusivity, alpha);
    }
  }
  a.longestSide =
      std::fmax(std::fmax(SideLength(ni, [&](int32_t k) { return media.node(k, 0); }),
                          SideLength(ni, [&](int32_t k) { return media.node(k, nj); })),
                std::fmax(SideLength(nj, [&](int32_t k) { return media.node(0, k); }),
                          SideLength(nj, [&](int32_t k) { return media.node(ni, k); })));
  a.diffusionTime =
      a.slowestDiffusivity > 0 ? a.longestSide * a.longestSide / a.slowestDiffusivity : infinity;
  a.stepsToDiffuse = a.diffusionTime / dt;

  a.endTime = steps * dt;
  for (int32_t k = 0; k < marks.N(); ++k) {
    if (marks[k] > 0 && marks[k] < steps) {
      a.firstSnapshotTime = marks[k] * dt;
      break;
    }
  }

  // Heat that never spreads has no time to compare with.
  if (!std::isfinite(a.diffusionTime))
    return a;
  if (dt > a.diffusionTime)
    a.advice = TimeStepAdvice::Advice::StepLongerThanDiffusion;
  else if (a.firstSnapshotTime > a.diffusionTime)
    a.advice = TimeStepAdvice::Advice::FirstSnapshotLate;
  else if (a.endTime < a.diffusionTime)
    a.advice = TimeStepAdvice::Advice::RunEndsEarly;
  return a;
}
