// Containers and generated grids.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/geometry.h"
#include "sim/media.h"
#include "sim/numeric.h"
#include "sim/simulator.h"

namespace {

TEST(Containers, MatrixCopiesAreIndependent) {
  NumMatrix<double> a(3, 4);
  a.SetAll(1.5);
  NumMatrix<double> b(a);
  b[2][3] = -7;
  EXPECT_EQ(a[2][3], 1.5);
  a = b;
  EXPECT_EQ(a[2][3], -7);
  a[0][0] = 9;
  EXPECT_EQ(b[0][0], 1.5);
  EXPECT_EQ(a.N(), 3);
  EXPECT_EQ(a.M(), 4);
  NumVector<int> v(3);
  v.SetAll(4);
  NumVector<int> w(v);
  w[1] = 0;
  EXPECT_EQ(v[1], 4);
}

TEST(Containers, MinMaxVisitsRowByRow) {
  NumMatrix<double> one(1, 1);
  one[0][0] = 3;
  double lo = 0, hi = 0;
  one.MinMax(lo, hi);
  EXPECT_EQ(lo, 3);
  EXPECT_EQ(hi, 3);

  NumMatrix<double> empty(0, 5);
  lo = -1;
  hi = -2;
  empty.MinMax(lo, hi);
  EXPECT_EQ(lo, -1);
  EXPECT_EQ(hi, -2);

  NumMatrix<double> m(2, 3);
  const double values[2][3] = {{2, -4, 8}, {1, 9, -5}};
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 3; ++j)
      m[i][j] = values[i][j];
  }
  m.MinMax(lo, hi);
  EXPECT_EQ(lo, -5);
  EXPECT_EQ(hi, 9);
}

TEST(Containers, FaceMatricesHoldTheLastFaceInTheExtraRow) {
  const int ni = 4, nj = 3;
  NumMatrix<double> heatWE(ni + 1, nj);
  heatWE.SetAll(0);
  heatWE[ni][nj - 1] = 5;  // East face of the last column
  EXPECT_EQ(heatWE.N(), ni + 1);
  EXPECT_EQ(heatWE[ni][nj - 1], 5);
}

TEST(Grids, CartesianNodesOnTheLattice) {
  CartesianMedia grid(1, 1, 10, 10, DefaultMaterial());
  for (int i = 0; i <= 10; ++i) {
    for (int j = 0; j <= 10; ++j) {
      EXPECT_EQ(grid.node(i, j).x, 1.0 * i / 10);
      EXPECT_EQ(grid.node(i, j).y, 1.0 * j / 10);
    }
  }
  EXPECT_EQ(grid.node(10, 10).x, 1);
  EXPECT_EQ(grid.node(10, 10).y, 1);
  EXPECT_EQ(grid.ni, 10);
  EXPECT_EQ(grid.nj, 10);
}

TEST(Grids, PolarNodesCarryTheSinglePrecisionStep) {
  PolarMedia grid(20, 10, 30, 10, 10, DefaultMaterial());
  EXPECT_DOUBLE_EQ(grid.node(0, 0).x, 10);
  EXPECT_EQ(grid.node(0, 0).y, 0);
  EXPECT_DOUBLE_EQ(grid.node(10, 0).x, 20);
  const double pi = 3.141592653589793;
  const double exactAngle = 30 * pi / 180;
  const double singleStep = static_cast<float>(exactAngle / 10);
  EXPECT_EQ(grid.node(0, 10).x, 10 * std::cos(10 * singleStep));
  EXPECT_EQ(grid.node(0, 10).y, 10 * std::sin(10 * singleStep));
  EXPECT_NEAR(grid.node(0, 10).x, 10 * std::cos(exactAngle), 1e-6);
  EXPECT_NE(grid.node(0, 10).x, 10 * std::cos(exactAngle));
  EXPECT_NEAR(grid.node(5, 5).x, 15 * std::cos(exactAngle / 2), 1e-5);

  PolarMedia full(2, 1, 360, 3, 8, DefaultMaterial());
  EXPECT_NEAR(full.node(2, 8).x, full.node(2, 0).x, 1e-6);
  EXPECT_NEAR(full.node(2, 8).y, full.node(2, 0).y, 1e-6);
}

TEST(Grids, PolarAndMixedNodesExactlyOnTheirSinglePrecisionSteps) {
  // Steps that single precision does not hold exactly, so any rounding left out or added
  // shows in the last bits.
  const double re = 2, ri = 0.7, degrees = 50;
  PolarMedia polar(re, ri, degrees, 3, 4, DefaultMaterial());
  const double dr = static_cast<float>((re - ri) / 3);
  const double dphi = static_cast<float>(degrees * 0.017453292519943295 / 4);
  ASSERT_NE(dr, (re - ri) / 3);
  for (int i = 0; i <= 3; ++i) {
    for (int j = 0; j <= 4; ++j) {
      const double r = ri + i * dr;
      EXPECT_EQ(polar.node(i, j).x, r * std::cos(j * dphi)) << i << ", " << j;
      EXPECT_EQ(polar.node(i, j).y, r * std::sin(j * dphi)) << i << ", " << j;
    }
  }

  // nj = 7: n = 2 intervals along the bottom and top, m = 3 up the right edge.
  const double w = 1.3, h = 1.1, u = 0.45, radius = 0.2;
  MixedMedia mixed(w, h, u, radius, 3, 7, DefaultMaterial());
  const double hx = static_cast<float>(w / 2);
  const double hy = static_cast<float>(h / 3);
  const Point outer[8] = {{0, 0},      {hx, 0}, {w, 0},      {w, hy},
                          {w, 2 * hy}, {w, h},  {w - hx, h}, {w - 2 * hx, h}};
  for (int j = 0; j <= 7; ++j) {
    const double qx = outer[j].x;
    const double qy = outer[j].y - u;
    const double length = static_cast<float>(std::sqrt(qx * qx + qy * qy));
    const double step = static_cast<float>((length - radius) / 3);
    for (int i = 0; i <= 3; ++i) {
      const double rho = static_cast<float>(radius + i * step);
      EXPECT_EQ(mixed.node(i, j).x, (rho / length) * qx) << i << ", " << j;
      EXPECT_EQ(mixed.node(i, j).y, u + (rho / length) * qy) << i << ", " << j;
    }
  }
}

TEST(Numeric, SinglePrecisionRoundsAndSaturatesToInfinity) {
  EXPECT_EQ(numeric::SinglePrecision(0.1), 0.1f);
  EXPECT_EQ(numeric::SinglePrecision(-2.5), -2.5f);
  EXPECT_EQ(numeric::SinglePrecision(1e300), std::numeric_limits<float>::infinity());
  EXPECT_EQ(numeric::SinglePrecision(-1e300), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(numeric::SinglePrecision(std::numeric_limits<float>::max()),
            std::numeric_limits<float>::max());
  EXPECT_TRUE(std::isnan(numeric::SinglePrecision(std::nan(""))));
  EXPECT_EQ(numeric::pi, std::acos(-1.0));
}

TEST(Grids, MixedGridWrapsTheHole) {
  MixedMedia grid(1, 1, 0.5, 0.25, 10, 30, DefaultMaterial());
  auto expectNear = [](const Point& p, double x, double y) {
    EXPECT_NEAR(p.x, x, 1e-6);
    EXPECT_NEAR(p.y, y, 1e-6);
  };
  expectNear(grid.node(0, 0), 0, 0.25);
  expectNear(grid.node(10, 0), 0, 0);
  expectNear(grid.node(0, 15), 0.25, 0.5);
  expectNear(grid.node(10, 15), 1, 0.5);
  expectNear(grid.node(0, 30), 0, 0.75);
  expectNear(grid.node(10, 30), 0, 1);
  // West nodes lie on the circle; the rays are straight with even spacing.
  for (int j = 0; j <= 30; ++j) {
    const Point& p = grid.node(0, j);
    EXPECT_NEAR(std::hypot(p.x, p.y - 0.5), 0.25, 1e-6);
    const Point& q = grid.node(5, j);
    const Point& r = grid.node(10, j);
    EXPECT_NEAR(q.x, (p.x + r.x) / 2, 1e-6);
    EXPECT_NEAR(q.y, (p.y + r.y) / 2, 1e-6);
  }
  // nj = 31: the right edge takes the extra interval.
  MixedMedia odd(1, 1, 0.5, 0.25, 4, 31, DefaultMaterial());
  expectNear(odd.node(4, 10), 1, 0);
  expectNear(odd.node(4, 21), 1, 1);
  EXPECT_NEAR(odd.node(4, 11).y - odd.node(4, 10).y, 1.0 / 11, 1e-6);
}

TEST(Grids, EveryVolumeStartsWithTheRecordAndPositiveArea) {
  const VolumeProperties copper{401, 8933, 385, 12};
  CartesianMedia a(2, 1, 3, 4, copper);
  PolarMedia b(2, 1, 90, 3, 4, copper);
  MixedMedia c(1, 1, 0.5, 0.25, 3, 6, copper);
  for (const Media* grid : {static_cast<const Media*>(&a), static_cast<const Media*>(&b),
                            static_cast<const Media*>(&c)}) {
    for (int i = 0; i < grid->ni; ++i) {
      for (int j = 0; j < grid->nj; ++j) {
        EXPECT_EQ(grid->volume(i, j).conductivity, 401);
        EXPECT_EQ(grid->volume(i, j).heatGeneration, 12);
        EXPECT_GT(AreaOf(*grid, i, j), 0);
      }
    }
  }
  EXPECT_EQ(DefaultMaterial().conductivity, 317);
  EXPECT_EQ(DefaultMaterial().density, 19300);
  EXPECT_EQ(DefaultMaterial().specificHeat, 129);
  EXPECT_EQ(DefaultMaterial().heatGeneration, 0);
}

TEST(GridsDeathTest, CopyingValuesBetweenMatricesOfTwoShapesIsAProgrammingError) {
  NumMatrix<double> a(3, 4), b(4, 3);
  a.SetAll(1);
  EXPECT_DEATH(b.CopyValuesFrom(a), "other.N\\(\\)==N\\(\\) && other.M\\(\\)==M\\(\\)");
}

TEST(GridsDeathTest, FewerThanTwoVolumesIsAProgrammingError) {
  EXPECT_DEATH(CartesianMedia(1, 1, 1, 5, DefaultMaterial()), "ni>1 && nj>1.*sim/media");
}

}  // namespace
