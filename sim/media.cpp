#include "sim/media.h"

#include <cmath>

#include "sim/check.h"
#include "sim/numeric.h"

VolumeProperties DefaultMaterial() {
  return VolumeProperties{317, 19300, 129, 0};
}

bool PropertiesInRange(const VolumeProperties& record) {
  for (double value :
       {record.conductivity, record.density, record.specificHeat, record.heatGeneration}) {
    // Also false for a NaN.
    if (!(std::fabs(value) <= maxPropertyMagnitude))
      return false;
  }
  return true;
}

Media::Media(int32_t ni, int32_t nj, const VolumeProperties& record) : ni(ni), nj(nj) {
  Allocate();
  Fill(record);
}

void Media::Allocate() {
  INVARIANT(ni > 1 && nj > 1, "ni>1 && nj>1");
  Matrix<Point>(ni + 1, nj + 1).Swap(nodes);
  Matrix<VolumeProperties>(ni, nj).Swap(volumes);
}

void Media::Fill(const VolumeProperties& record) {
  volumes.SetAll(record);
}

CartesianMedia::CartesianMedia(double width, double height, int32_t ni, int32_t nj,
                               const VolumeProperties& record)
    : Media(ni, nj, record), width(width), height(height) {
  for (int32_t i = 0; i <= ni; ++i) {
    for (int32_t j = 0; j <= nj; ++j) {
      node(i, j) = Point{width * i / ni, height * j / nj};
    }
  }
}

PolarMedia::PolarMedia(double re, double ri, double angleDegrees, int32_t ni, int32_t nj,
                       const VolumeProperties& record)
    : Media(ni, nj, record), re(re), ri(ri), angleDegrees(angleDegrees) {
  const double angle = angleDegrees * (numeric::pi / 180);
  // The steps are single precision: node positions carry that rounding.
  const double dr = numeric::SinglePrecision((re - ri) / ni);
  const double dphi = numeric::SinglePrecision(angle / nj);
  for (int32_t i = 0; i <= ni; ++i) {
    const double r = ri + i * dr;
    for (int32_t j = 0; j <= nj; ++j) {
      const double phi = j * dphi;
      node(i, j) = Point{r * std::cos(phi), r * std::sin(phi)};
    }
  }
}

MixedMedia::MixedMedia(double w, double h, double u, double r, int32_t ni, int32_t nj,
                       const VolumeProperties& record)
    : Media(ni, nj, record), w(w), h(h), u(u), r(r) {
  const int32_t n = nj / 3;
  const int32_t m = nj - 2 * n;
  INVARIANT(n >= 1 && m >= 1, "n>=1 && m>=1");
  const double hx = numeric::SinglePrecision(w / n);
  const double hy = numeric::SinglePrecision(h / m);

  Vector<Point> outer(nj + 1);
  for (int32_t k = 0; k <= n; ++k)
    outer[k] = Point{k * hx, 0};
  for (int32_t k = 0; k <= m; ++k)
    outer[n + k] = Point{w, k * hy};
  for (int32_t k = 0; k <= n; ++k)
    outer[n + m + k] = Point{w - k * hx, h};

  const Point o{0, u};
  for (int32_t j = 0; j <= nj; ++j) {
    const double qx = outer[j].x - o.x;
    const double qy = outer[j].y - o.y;
    const double length = numeric::SinglePrecision(std::sqrt(qx * qx + qy * qy));
    const double step = numeric::SinglePrecision((length - r) / ni);
    for (int32_t i = 0; i <= ni; ++i) {
      const double rho = numeric::SinglePrecision(r + i * step);
      node(i, j) = Point{o.x + (rho / length) * qx, o.y + (rho / length) * qy};
    }
  }
}
