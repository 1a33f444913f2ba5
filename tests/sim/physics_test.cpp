// The simulator checked against physics rather than against its own formulas.

#include <gtest/gtest.h>

#include <cmath>

#include "sim/geometry.h"
#include "support.h"

namespace {

const VolumeProperties steel{40, 8000, 500, 0};

TEST(SteadyConduction, PlaneWallIsLinearWithUniformHeatRate) {
  TestProblem p(std::make_unique<CartesianMedia>(2.0, 1.0, 8, 5, steel));
  p.Temperature(p.west, 10);
  p.Temperature(p.east, 50);
  p.Insulate(p.north);
  p.Insulate(p.south);
  auto sim = p.MakeSimulator();
  ASSERT_EQ(sim->Advance(1000), Simulator::Complete);

  const double expectedRate = 40 * (50 - 10) / 2.0 * (1.0 / 5);  // k dT/L per row height
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 8; ++i) {
      const double x = (i + 0.5) * 2.0 / 8;
      EXPECT_NEAR(sim->T[i][j], 10 + 40 * x / 2.0, 1e-8) << i << "," << j;
      EXPECT_NEAR(sim->qx[i][j], -40 * 40 / 2.0, 1e-6);
      EXPECT_NEAR(sim->qy[i][j], 0, 1e-6);
    }
    // Heat runs West-wards, towards decreasing I: positive on every face of the row.
    for (int i = 0; i <= 8; ++i)
      EXPECT_NEAR(sim->heatWE[i][j], expectedRate, 1e-6);
  }
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j <= 5; ++j)
      EXPECT_NEAR(sim->heatSN[i][j], 0, 1e-6);
  }
}

TEST(SteadyConduction, CompositeWallFollowsSeriesResistance) {
  // Copper and brick meeting at x = 0.3 on a grid line.
  const VolumeProperties copper{401, 8933, 385, 0};
  const VolumeProperties brick{0.72, 1920, 835, 0};
  auto grid = std::make_unique<CartesianMedia>(1.0, 0.5, 10, 4, copper);
  for (int i = 3; i < 10; ++i) {
    for (int j = 0; j < 4; ++j)
      grid->volume(i, j) = brick;
  }
  TestProblem p(std::move(grid));
  p.Temperature(p.west, 100);
  p.Temperature(p.east, 20);
  p.Insulate(p.north);
  p.Insulate(p.south);
  auto sim = p.MakeSimulator();
  ASSERT_EQ(sim->Advance(1000), Simulator::Complete);

  const double perUnitHeight = (100 - 20) / (0.3 / 401 + 0.7 / 0.72);
  double total = 0;
  for (int j = 0; j < 4; ++j) {
    total += -sim->heatWE[0][j];
    for (int i = 0; i <= 10; ++i) {
      EXPECT_NEAR(-sim->heatWE[i][j], perUnitHeight * 0.125, 1e-6 * perUnitHeight);
    }
  }
  EXPECT_NEAR(total, perUnitHeight * 0.5, 1e-6 * perUnitHeight);
}

struct GridCase {
  const char* name;
  std::unique_ptr<Media> (*make)();
};

void PrintTo(const GridCase& grid, std::ostream* out) {
  *out << grid.name;
}

class EnergyBalance : public ::testing::TestWithParam<GridCase> {};

TEST_P(EnergyBalance, SteadyInflowEqualsOutflow) {
  TestProblem p(GetParam().make());
  // Every kind of condition, some of them varying along the side.
  p.Lay(p.west, new FTemperature(p.Add(std::make_unique<FSin>(80, 20, 3.141592653589793))));
  p.Lay(p.east, new FConvection(p.Constant(25), p.Constant(15)));
  p.Lay(p.north, new FFlux(p.Add(std::make_unique<FLinear>(-300, 100))));
  p.Insulate(p.south);
  p.Temperature(p.south, 40, 0.25, 0.5);
  auto sim = p.MakeSimulator();
  ASSERT_EQ(sim->Advance(1000), Simulator::Complete);

  const double traffic = BoundaryTraffic(sim->heatSN, sim->heatWE);
  ASSERT_GT(traffic, 1);
  EXPECT_NEAR(NetInflow(sim->heatSN, sim->heatWE) / traffic, 0, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(
    AllGridKinds, EnergyBalance,
    ::testing::Values(
        GridCase{"Cartesian",
                 [] { return std::unique_ptr<Media>(new CartesianMedia(1, 2, 9, 12, steel)); }},
        GridCase{"Polar",
                 [] { return std::unique_ptr<Media>(new PolarMedia(2, 1, 75, 8, 10, steel)); }},
        GridCase{
            "Mixed",
            [] { return std::unique_ptr<Media>(new MixedMedia(1, 1, 0.5, 0.25, 10, 30, steel)); }}),
    [](const ::testing::TestParamInfo<GridCase>& info) { return std::string(info.param.name); });

TEST(SteadyConduction, UniformGenerationBalancesTheBoundaryOutflow) {
  VolumeProperties heated = steel;
  heated.heatGeneration = 5000;
  TestProblem p(std::make_unique<PolarMedia>(2, 1, 90, 8, 8, heated));
  p.Temperature(p.west, 0);
  p.Temperature(p.east, 0);
  p.Insulate(p.north);
  p.Insulate(p.south);
  auto sim = p.MakeSimulator();
  ASSERT_EQ(sim->Advance(1000), Simulator::Complete);
  double area = 0;
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j)
      area += AreaOf(*p.media, i, j);
  }
  EXPECT_NEAR(-NetInflow(sim->heatSN, sim->heatWE), 5000 * area, 1e-6 * 5000 * area);
}

// Nodes of one side in index order.
std::vector<Point> SideNodes(const Media& g, bool alongI, int fixed) {
  std::vector<Point> nodes;
  const int n = alongI ? g.ni : g.nj;
  for (int k = 0; k <= n; ++k)
    nodes.push_back(alongI ? g.node(k, fixed) : g.node(fixed, k));
  return nodes;
}

// Reads something along one side of a grid at the position s the simulator passes: the
// normalised length along the side's chords.
class AlongSide : public Function1D {
 public:
  explicit AlongSide(std::vector<Point> sideNodes) : nodes(std::move(sideNodes)) {
    lengths.push_back(0);
    for (std::size_t k = 1; k < nodes.size(); ++k) {
      const Vec2 d = nodes[k] - nodes[k - 1];
      lengths.push_back(lengths.back() + std::sqrt(Dot(d, d)));
    }
  }
  const char* Name() const override { return "AlongSide"; }
  std::ostream& Print(std::ostream& out) const override { return out; }

 protected:
  // The chord holding position s, and where on it s lies (0..1).
  std::size_t Chord(double s, double& t) const {
    const double target = s * lengths.back();
    std::size_t k = 1;
    while (k + 1 < lengths.size() && lengths[k] < target)
      ++k;
    t = (target - lengths[k - 1]) / (lengths[k] - lengths[k - 1]);
    return k;
  }
  std::vector<Point> nodes;
  std::vector<double> lengths;
};

struct LinearField {
  double a, gx, gy;
  double At(const Point& p) const { return a + gx * p.x + gy * p.y; }
};

// The field's value at the point of the side.
class FieldAlongSide : public AlongSide {
 public:
  FieldAlongSide(std::vector<Point> sideNodes, LinearField field)
      : AlongSide(std::move(sideNodes)), field(field) {}
  double Value(double s) const override {
    double t;
    const std::size_t k = Chord(s, t);
    return field.At(Point{nodes[k - 1].x + t * (nodes[k].x - nodes[k - 1].x),
                          nodes[k - 1].y + t * (nodes[k].y - nodes[k - 1].y)});
  }

 private:
  LinearField field;
};

// The heat flux density the field drives into the domain through the chord at s.
class InflowAlongSide : public AlongSide {
 public:
  InflowAlongSide(std::vector<Point> sideNodes, LinearField field, double k, bool outwardOnLeft)
      : AlongSide(std::move(sideNodes)), field(field), k(k), outwardOnLeft(outwardOnLeft) {}
  double Value(double s) const override {
    double t;
    const std::size_t c = Chord(s, t);
    const Vec2 d = nodes[c] - nodes[c - 1];
    const double length = std::sqrt(Dot(d, d));
    const Vec2 outward =
        outwardOnLeft ? Vec2{-d.y / length, d.x / length} : Vec2{d.y / length, -d.x / length};
    return k * (field.gx * outward.x + field.gy * outward.y);
  }

 private:
  LinearField field;
  double k;
  bool outwardOnLeft;
};

double MaxError(const Simulator& sim, const Media& g, LinearField field, bool upToConstant) {
  double offset = 0;
  if (upToConstant) {
    for (int i = 0; i < g.ni; ++i) {
      for (int j = 0; j < g.nj; ++j) {
        offset += (sim.T[i][j] - field.At(GeometryOf(g, i, j).centre)) / (g.ni * g.nj);
      }
    }
  }
  double worst = 0;
  for (int i = 0; i < g.ni; ++i) {
    for (int j = 0; j < g.nj; ++j) {
      const double exact = field.At(GeometryOf(g, i, j).centre) + offset;
      worst = std::max(worst, std::fabs(sim.T[i][j] - exact));
    }
  }
  return worst;
}

TEST(SteadyConduction, LinearFieldIsExactOnASkewedGridWithItsBoundaryFluxes) {
  // A parallelogram grid: every face is oblique, so every cross-diffusion term and every
  // row of the coefficient table (edges and corners) takes part.
  auto grid = std::make_unique<CartesianMedia>(1.0, 1.0, 7, 6, steel);
  for (int i = 0; i <= 7; ++i) {
    for (int j = 0; j <= 6; ++j)
      grid->node(i, j).x += 0.4 * grid->node(i, j).y;
  }
  TestProblem p(std::move(grid));
  const Media& g = *p.media;
  const LinearField field{3, 7, -4};
  // Counter-clockwise volumes: outside lies left of South and East, right of North and West
  // when walked in index order.
  p.Lay(
      p.south,
      new FFlux(p.Add(std::make_unique<InflowAlongSide>(SideNodes(g, true, 0), field, 40, false))));
  p.Lay(
      p.north,
      new FFlux(p.Add(std::make_unique<InflowAlongSide>(SideNodes(g, true, 6), field, 40, true))));
  p.Lay(
      p.west,
      new FFlux(p.Add(std::make_unique<InflowAlongSide>(SideNodes(g, false, 0), field, 40, true))));
  p.Lay(p.east, new FFlux(p.Add(
                    std::make_unique<InflowAlongSide>(SideNodes(g, false, 7), field, 40, false))));
  // Only fluxes are imposed: the level is set by the conserved starting energy.
  p.dt = 1000;
  p.tolTime = 1e-14;
  p.initial = 5;
  auto sim = p.MakeSimulator();
  ASSERT_EQ(sim->Advance(100000), Simulator::Complete);
  EXPECT_LT(MaxError(*sim, g, field, true), 1e-9);
  EXPECT_NEAR(NetInflow(sim->heatSN, sim->heatWE), 0, 1e-9);
}

TEST(HeatRates, LinearFieldOnASkewedGridGivesMinusKGradTEverywhere) {
  // Uniformly skewed volumes 0.2 x 0.25: every face has cross terms, and the one-sided cross
  // differences of the first and last columns and rows are exact for a linear field just
  // as the central ones are.
  auto grid = std::make_unique<CartesianMedia>(1.0, 1.0, 5, 4, steel);
  for (int i = 0; i <= 5; ++i) {
    for (int j = 0; j <= 4; ++j)
      grid->node(i, j).x += 0.4 * grid->node(i, j).y;
  }
  TestProblem p(std::move(grid));
  const double k = 40;
  const LinearField field{3, 7, -4};
  // Each side straight, so the field's inflow k grad T . n_out is constant along it.
  const double slant = std::sqrt(1 + 0.4 * 0.4);
  p.Lay(p.south, new FFlux(p.Constant(k * 4)));
  p.Lay(p.north, new FFlux(p.Constant(-k * 4)));
  p.Lay(p.west, new FFlux(p.Constant(k * (-7 - 0.4 * 4) / slant)));
  p.Lay(p.east, new FFlux(p.Constant(k * (7 + 0.4 * 4) / slant)));
  auto sim = p.MakeSimulator();
  const Media& g = *p.media;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j)
      sim->T[i][j] = field.At(GeometryOf(g, i, j).centre);
  }
  sim->ComputeFluxes();

  // A face's heat rate is k |s| dT/dn towards its +I or +J side, counted positive the
  // other way: k grad T . (the face vector turned a quarter towards that side).
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j <= 4; ++j) {
      const Vec2 s = g.node(i + 1, j) - g.node(i, j);
      EXPECT_NEAR(sim->heatSN[i][j], k * (field.gx * -s.y + field.gy * s.x), 1e-9)
          << i << ", " << j;
    }
  }
  for (int i = 0; i <= 5; ++i) {
    for (int j = 0; j < 4; ++j) {
      const Vec2 s = g.node(i, j + 1) - g.node(i, j);
      EXPECT_NEAR(sim->heatWE[i][j], k * (field.gx * s.y + field.gy * -s.x), 1e-9)
          << i << ", " << j;
    }
  }
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(sim->qx[i][j], -k * field.gx, 1e-9) << i << ", " << j;
      EXPECT_NEAR(sim->qy[i][j], -k * field.gy, 1e-9) << i << ", " << j;
    }
  }
}

double MixedGridErrorWithImposedTemperatures(int ni, int nj, LinearField field) {
  TestProblem p(std::make_unique<MixedMedia>(1, 1, 0.5, 0.25, ni, nj, steel));
  const Media& g = *p.media;
  p.Lay(p.south,
        new FTemperature(p.Add(std::make_unique<FieldAlongSide>(SideNodes(g, true, 0), field))));
  p.Lay(p.north,
        new FTemperature(p.Add(std::make_unique<FieldAlongSide>(SideNodes(g, true, nj), field))));
  p.Lay(p.west,
        new FTemperature(p.Add(std::make_unique<FieldAlongSide>(SideNodes(g, false, 0), field))));
  p.Lay(p.east,
        new FTemperature(p.Add(std::make_unique<FieldAlongSide>(SideNodes(g, false, ni), field))));
  auto sim = p.MakeSimulator();
  EXPECT_EQ(sim->Advance(1000), Simulator::Complete);
  return MaxError(*sim, g, field, false);
}

TEST(SteadyConduction, LinearFieldOnTheMixedGridConvergesUnderRefinement) {
  // A prescribed temperature acts at the normal distance from the volume's centre, and the
  // mixed grid is neither orthogonal nor uniform, so the field is matched only to the
  // scheme's accuracy: a few per cent of its range at this size, shrinking as volumes do.
  const LinearField field{3, 7, -4};
  const double range = 11;
  const double coarse = MixedGridErrorWithImposedTemperatures(6, 12, field);
  const double fine = MixedGridErrorWithImposedTemperatures(12, 24, field);
  const double finer = MixedGridErrorWithImposedTemperatures(24, 48, field);
  EXPECT_LT(coarse, 0.05 * range);
  EXPECT_LT(fine, 0.65 * coarse);
  EXPECT_LT(finer, 0.65 * fine);
}

}  // namespace
