// The assembled coefficients on grids where they can be worked out by hand.

#include <gtest/gtest.h>

#include <vector>

#include "support.h"

namespace {

const VolumeProperties steel{40, 8000, 500, 0};

std::unique_ptr<TestProblem> Rectangle(int ni, int nj, const VolumeProperties& record = steel) {
  auto p = std::make_unique<TestProblem>(std::make_unique<CartesianMedia>(2, 1, ni, nj, record));
  p->Temperature(p->west, 0);
  p->Temperature(p->east, 1);
  p->Insulate(p->north);
  p->Insulate(p->south);
  p->dt = 10;
  return p;
}

TEST(Assembly, OrthogonalGridHasNoCrossTerms) {
  auto p = Rectangle(4, 5);  // dx = 0.5, dy = 0.2
  auto sim = p->MakeSimulator();
  const double gamma = 40.0 / 500;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 5; ++j) {
      EXPECT_EQ(sim->aNW[i][j], 0);
      EXPECT_EQ(sim->aNE[i][j], 0);
      EXPECT_EQ(sim->aSW[i][j], 0);
      EXPECT_EQ(sim->aSE[i][j], 0);
    }
  }
  EXPECT_NEAR(sim->aN[1][2], gamma * 0.5 / 0.2, 1e-12);
  EXPECT_NEAR(sim->aE[1][2], gamma * 0.2 / 0.5, 1e-12);
  // The West temperature acts half a volume's width away.
  EXPECT_NEAR(sim->termWE[0][2].first, 0.2 / 0.25 * gamma, 1e-12);
  EXPECT_EQ(sim->termWE[0][2].second, 0);
  EXPECT_NEAR(sim->termWE[4][2].second, 0.2 / 0.25 * gamma * 1, 1e-12);
  // Insulated sides contribute nothing.
  EXPECT_EQ(sim->termSN[1][0].first, 0);
  EXPECT_EQ(sim->termSN[1][5].second, 0);
  // Centre coefficient: the neighbours plus the boundary, plus the transient term.
  EXPECT_NEAR(sim->aPs[0][2], sim->aN[0][2] + sim->aS[0][2] + sim->aE[0][2] + 0.2 / 0.25 * gamma,
              1e-12);
  EXPECT_NEAR(sim->aP[0][2] - sim->aPs[0][2], 8000 * 0.1 / 10, 1e-9);
}

TEST(Assembly, FaceBetweenTwoMaterialsIsTheirHarmonicMean) {
  auto p = Rectangle(4, 5);
  p->media->volume(1, 2).conductivity = 10;
  p->media->volume(2, 2).conductivity = 90;
  auto sim = p->MakeSimulator();
  const double kf = 2 * 10.0 * 90 / (10 + 90);
  // East face of (1, 2): k_f |s|^2 / D = k_f dy / dx.
  EXPECT_NEAR(sim->termWE[2][2].first, kf * 0.2 / 0.5, 1e-12);
  EXPECT_NEAR(sim->aE[1][2], kf / 500 * 0.2 / 0.5, 1e-12);
  EXPECT_NEAR(sim->aW[2][2], kf / 500 * 0.2 / 0.5, 1e-12);
}

TEST(Assembly, FaceBetweenUnequalColumnsWeighsEachSideByItsShare) {
  // Columns 0.2 and 0.4 wide meet at x = 0.2; centres at 0.1 and 0.4. Seen from the narrow
  // column the face lies 2/3 of the way to the neighbour's centre, from the wide one 1/3.
  auto grid = std::make_unique<CartesianMedia>(1, 1, 3, 4, steel);
  for (int j = 0; j <= 4; ++j) {
    grid->node(1, j).x = 0.2;
    grid->node(2, j).x = 0.6;
  }
  for (int j = 0; j < 4; ++j) {
    grid->volume(0, j).conductivity = 10;
    grid->volume(1, j).conductivity = 90;
  }
  TestProblem p(std::move(grid));
  p.Insulate(p.north);
  p.Insulate(p.south);
  p.Insulate(p.east);
  p.Insulate(p.west);
  auto sim = p.MakeSimulator();

  // 1/k_f = w/k_Nb + (1 - w)/k_P, w the single-precision share on the neighbour's side. The
  // unrounded weight moves k_f by a few parts in 10^8, swapped sides by nearly half.
  const double wNarrow = static_cast<float>(2.0 / 3.0);
  const double wWide = static_cast<float>(1.0 / 3.0);
  const double kfNarrow = 1 / (wNarrow / 90 + (1 - wNarrow) / 10);
  const double kfWide = 1 / (wWide / 10 + (1 - wWide) / 90);
  ASSERT_NE(kfNarrow, kfWide);
  const double dy = 0.25;
  const double distance = 0.3;  // centre to centre
  const double tolerance = 1e-13;
  for (int j = 0; j < 4; ++j) {
    EXPECT_NEAR(sim->termWE[1][j].first / (kfNarrow * dy / distance), 1, tolerance) << j;
    EXPECT_NEAR(sim->aE[0][j] / (kfNarrow / 500 * dy / distance), 1, tolerance) << j;
    EXPECT_NEAR(sim->aW[1][j] / (kfWide / 500 * dy / distance), 1, tolerance) << j;
  }
}

TEST(Assembly, HeatGenerationIsTheSourceOverSpecificHeat) {
  VolumeProperties heated = steel;
  heated.heatGeneration = 1000;
  auto p = Rectangle(4, 5, heated);
  auto sim = p->MakeSimulator();
  EXPECT_NEAR(sim->bs[2][2], 1000 * 0.1 / 500, 1e-12);
}

class CountingFlux : public FHeat {
 public:
  explicit CountingFlux(std::vector<double>* positions) : positions(positions) {}
  const char* Name() const override { return "Counting"; }
  std::ostream& Print(std::ostream& out) const override { return out; }
  void Contribution(double x, double, double, double, double, double& ap,
                    double& b) const override {
    positions->push_back(x);
    ap = 0;
    b = 0;
  }
  std::vector<double>* positions;
};

TEST(Assembly, SmallestGridMakesTwoBoundaryCallsPerVolume) {
  TestProblem p(std::make_unique<CartesianMedia>(1, 1, 2, 2, steel));
  std::vector<double> north, south, east, west;
  p.Lay(p.north, new CountingFlux(&north));
  p.Lay(p.south, new CountingFlux(&south));
  p.Lay(p.east, new CountingFlux(&east));
  p.Lay(p.west, new CountingFlux(&west));
  auto sim = p.MakeSimulator();
  EXPECT_EQ(north, (std::vector<double>{0.25, 0.75}));
  EXPECT_EQ(south, (std::vector<double>{0.25, 0.75}));
  EXPECT_EQ(east, (std::vector<double>{0.25, 0.75}));
  EXPECT_EQ(west, (std::vector<double>{0.25, 0.75}));
}

TEST(Assembly, PositionsAlongASideFollowItsChords) {
  // Uneven spacing along West: positions are the normalised arc length to each midpoint.
  auto grid = std::make_unique<CartesianMedia>(1, 1, 2, 3, steel);
  grid->node(0, 1).y = 0.1;
  grid->node(0, 2).y = 0.4;
  TestProblem p(std::move(grid));
  std::vector<double> west, other;
  p.Lay(p.west, new CountingFlux(&west));
  for (Face* f : {&p.north, &p.south, &p.east})
    p.Lay(*f, new CountingFlux(&other));
  auto sim = p.MakeSimulator();
  ASSERT_EQ(west.size(), 3u);
  EXPECT_NEAR(west[0], 0.05, 1e-12);
  EXPECT_NEAR(west[1], 0.25, 1e-12);
  EXPECT_NEAR(west[2], 0.7, 1e-12);
}

TEST(Assembly, SpecificHeatOfOneVolumeChangesOnlyItsOwnEquation) {
  auto p1 = Rectangle(4, 5);
  auto p2 = Rectangle(4, 5);
  p2->media->volume(1, 2).specificHeat = 1000;
  auto a = p1->MakeSimulator();
  auto b = p2->MakeSimulator();
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 5; ++j) {
      const bool changed = i == 1 && j == 2;
      for (auto m :
           {&Simulator::aN, &Simulator::aS, &Simulator::aW, &Simulator::aE, &Simulator::aPs}) {
        if (changed) {
          EXPECT_NEAR((b.get()->*m)[i][j], (a.get()->*m)[i][j] / 2, 1e-15);
        } else {
          EXPECT_EQ((b.get()->*m)[i][j], (a.get()->*m)[i][j]);
        }
      }
      // The transient term carries density only.
      EXPECT_NEAR(b->aP[i][j] - b->aPs[i][j], a->aP[i][j] - a->aPs[i][j], 1e-12);
    }
  }
}

TEST(Assembly, StartsAtTimeZeroWithFluxesOfTheStartingField) {
  auto p = Rectangle(4, 5);
  p->initial = 0.5;
  auto sim = p->MakeSimulator();
  EXPECT_EQ(sim->Time(), 0);
  EXPECT_EQ(sim->Iteration(), 0);
  // Uniform 0.5 between a West at 0 and an East at 1: heat enters East and leaves West.
  EXPECT_GT(sim->heatWE[4][2], 0);
  EXPECT_GT(sim->heatWE[0][2], 0);
  EXPECT_EQ(sim->heatWE[2][2], 0);
  EXPECT_LT(sim->qx[0][2], 0);  // towards the cold West
}

}  // namespace
