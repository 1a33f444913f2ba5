// The worked examples of the help file checked against their textbook results, and the
// claims the help makes about accuracy checked on the program itself.

#include <gtest/gtest.h>

#include <cmath>

#include "sim/geometry.h"
#include "sim/ledger.h"
#include "sim/reference.h"
#include "sim/tutorials.h"

namespace {

// Temperature of the West-most volume after `steps` steps of the slab run.
double SlabWestVolume(ProblemRecord& problem, int32_t snapshot) {
  auto manager = tutorial::Run(problem);
  EXPECT_EQ(manager->Count(), 7);
  return manager->Snapshot(snapshot).T[0][0];
}

TEST(Tutorials, SlabFollowsTheSeriesSolutionAndApproachesItAsStepAndGridShrink) {
  auto problem = tutorial::TransientSlab();
  ASSERT_EQ(problem->_marks->N(), 7);
  EXPECT_EQ((*problem->_marks)[2], 200);
  const double alpha = 60.5 / (7854 * 434.0);
  const double fourier = alpha * 200 / (0.1 * 0.1);
  // The West volume's centre is 2.5 mm from the insulated face.
  const double series = tutorial::SlabSeries(0.025, fourier);
  const double coarse = SlabWestVolume(*problem, 2);
  EXPECT_NEAR(coarse, series, 0.005);
  // Backward Euler lags behind the exact solution: the program reads low.
  EXPECT_LT(coarse, series);

  // The lag is mostly the time step's: a quarter of it more than halves the difference.
  auto finer = tutorial::TransientSlab();
  finer->SetParameters(0.00001, 0.00000001, 2400, 10000, 0.25);
  auto marks = std::make_unique<NumVector<int>>(3);
  (*marks)[0] = 0;
  (*marks)[1] = 800;
  (*marks)[2] = 2400;
  finer->SetMarks(std::move(marks));
  auto manager = tutorial::Run(*finer);
  ASSERT_EQ(manager->Count(), 3);
  ASSERT_DOUBLE_EQ(manager->Snapshot(1).Time(), 200);
  EXPECT_LT(std::abs(manager->Snapshot(1).T[0][0] - series), 0.6 * std::abs(coarse - series));
}

// A student following a topic's steps must not meet the run window's "not converged".
TEST(Tutorials, EverySuggestedRunPassesTheConvergenceCheck) {
  std::unique_ptr<ProblemRecord> problems[] = {tutorial::TransientSlab(), tutorial::Fin(),
                                               tutorial::CompositeWall(), tutorial::ShapeFactor()};
  for (auto& problem : problems) {
    auto manager = tutorial::RunKeepingSimulator(*problem);
    ASSERT_NE(manager->Sim(), nullptr);
    const EnergyLedger ledger = LedgerOf(*manager->Sim());
    EXPECT_TRUE(ledger.valid);
    EXPECT_TRUE(ledger.Converged())
        << ledger.ImbalanceFraction() << " " << ledger.ResidualFraction();
    manager->ReleaseSimulator();
  }
}

TEST(Tutorials, SeriesSolutionMeetsItsEndStates) {
  EXPECT_NEAR(tutorial::SlabSeries(0.3, 0.0005), 0, 1e-9);
  EXPECT_NEAR(tutorial::SlabSeries(0.0, 10), 1, 1e-9);
  // The face held at the new temperature reads it at any time.
  EXPECT_NEAR(tutorial::SlabSeries(1.0, 0.1), 1, 1e-9);
}

TEST(Tutorials, FinHeatRateMatchesTheFinFormulaOnlyWithATightSolverTolerance) {
  const double formula = tutorial::FinHeatRate(237, 50, 0.004, 0.1, 100);
  EXPECT_NEAR(formula, 760.3, 0.05);

  auto problem = tutorial::Fin();
  EXPECT_EQ(problem->tolSpace, 1e-8);
  auto manager = tutorial::Run(*problem);
  EXPECT_LT(manager->LastSnapshot().Iteration(), 1000);  // steady state, not the step limit
  const double rate = tutorial::WestInflow(manager->LastSnapshot());
  EXPECT_NEAR(rate, formula, 0.001 * formula);

  // With the default solver tolerance the sweeps stop early and the base rate is high.
  problem->SetParameters(0.00001, 0.00001, 1000, 10000, 10);
  const double loose = tutorial::WestInflow(tutorial::Run(*problem)->LastSnapshot());
  EXPECT_GT(loose, formula * 1.01);
  // A steady-state tolerance finer than the sweeps deliver is never met.
  problem->SetParameters(0.00000001, 0.00001, 1000, 10000, 10);
  auto stiff = tutorial::Run(*problem);
  EXPECT_EQ(stiff->LastSnapshot().Iteration(), 1000);
  EXPECT_GT(tutorial::WestInflow(stiff->LastSnapshot()), formula * 1.005);
}

TEST(Tutorials, CompositeWallCarriesTheTemperatureDifferenceOverTheSeriesResistance) {
  auto problem = tutorial::CompositeWall();
  auto manager = tutorial::Run(*problem);
  const SimSnapshot& last = manager->LastSnapshot();
  const double resistance = 0.2 / 0.72 + 0.05 / 0.027;  // per square metre of wall
  const double height = 1.0;
  EXPECT_NEAR(tutorial::WestInflow(last), 20 / resistance * height, 1e-5 * 20 / resistance);
  // What enters at West leaves at East.
  double out = 0;
  for (int32_t j = 0; j < last.heatWE.M(); ++j)
    out -= last.heatWE[5][j];
  EXPECT_NEAR(out, tutorial::WestInflow(last), 1e-5 * out);
  // Linear within each layer: the brick volume next to West and the foam volume next to East.
  const double flux = 20 / resistance;
  EXPECT_NEAR(last.T[0][1], 20 - flux * 0.025 / 0.72, 1e-3);
  EXPECT_NEAR(last.T[4][1], flux * 0.025 / 0.027, 1e-3);
  // The default tolerances stop the run early, with more heat still flowing in.
  problem->SetParameters(0.00001, 0.00001, 1000, 10000, 36000);
  const double early = tutorial::WestInflow(tutorial::Run(*problem)->LastSnapshot());
  EXPECT_GT(early, 20 / resistance * 1.0002);
}

TEST(Tutorials, ShapeFactorOfAPipeInASquareIsNearTheTextbookFormula) {
  const double formula = tutorial::PipeInSquareShapeFactor(1.0, 0.2);
  EXPECT_NEAR(formula, 3.726, 0.0005);
  auto problem = tutorial::ShapeFactor();
  auto manager = tutorial::Run(*problem);
  // Half the pipe is modelled; heat leaves through the hole (West) towards its 0.
  const double halfRate = -tutorial::WestInflow(manager->LastSnapshot());
  const double shape = 2 * halfRate / (317 * 1.0);
  EXPECT_GT(shape, formula);
  EXPECT_LT(shape, formula * 1.01);
  // A coarser grid lies further from the formula.
  problem->media = std::make_unique<MixedMedia>(0.5, 1.0, 0.5, 0.1, 10, 30, DefaultMaterial());
  const double coarse = -2 * tutorial::WestInflow(tutorial::Run(*problem)->LastSnapshot()) / 317;
  EXPECT_GT(coarse, shape);
}

// Each tutorial carries its textbook case, and its run lies close to it: at every volume's
// centre, and in the heat through each side, where the signs of the exact heat rates must
// be the simulator's own.
TEST(Tutorials, EveryRunLiesCloseToTheReferenceItCarries) {
  const struct {
    std::unique_ptr<ProblemRecord> (*make)();
    double temperature;  // largest difference at a centre
    double heat;         // largest difference of a side's heat, relative to the largest side
  } cases[] = {{tutorial::TransientSlab, 0.001, 0.01},
               {tutorial::Fin, 0.05, 0.002},
               {tutorial::CompositeWall, 1e-5, 1e-5},
               {tutorial::ShapeFactor, 0.01, 0.007}};
  for (const auto& c : cases) {
    auto problem = c.make();
    ASSERT_TRUE(problem->reference.has_value());
    const ExactSolution exact(*problem->reference);
    auto manager = tutorial::Run(*problem);
    const SimSnapshot& last = manager->LastSnapshot();
    const Media& grid = *problem->media;
    for (int32_t i = 0; i < grid.ni; ++i) {
      for (int32_t j = 0; j < grid.nj; ++j) {
        ASSERT_NEAR(last.T[i][j], ExactVolumeTemperature(exact, grid, i, j, last.Time()),
                    c.temperature)
            << ReferenceTitle(*problem->reference) << " " << i << ", " << j;
      }
    }
    const SideHeat sides = ExactSideHeat(exact, grid, last.Time());
    double run[4] = {0, 0, 0, 0};
    for (int32_t i = 0; i < grid.ni; ++i) {
      run[0] += last.heatSN[i][grid.nj];
      run[1] -= last.heatSN[i][0];
    }
    for (int32_t j = 0; j < grid.nj; ++j) {
      run[2] += last.heatWE[grid.ni][j];
      run[3] -= last.heatWE[0][j];
    }
    const double reference[4] = {sides.north, sides.south, sides.east, sides.west};
    double largest = 0;
    for (double r : reference)
      largest = std::max(largest, std::abs(r));
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(run[k], reference[k], c.heat * largest)
          << ReferenceTitle(*problem->reference) << " side " << k;
    }
  }
}

TEST(Tutorials, AVolumeInASharpCornerOfASkewedGridCanReadBeyondTheBoundaryTemperatures) {
  // A parallelogram sheared so that its South-West corner is about 27 degrees; West at 0,
  // East at 1, North and South insulated. Every exact temperature lies between 0 and 1.
  ProblemRecord problem;
  auto grid = std::make_unique<Media>(10, 10, DefaultMaterial());
  for (int32_t i = 0; i <= 10; ++i) {
    for (int32_t j = 0; j <= 10; ++j)
      grid->node(i, j) = Point{i / 10.0 + 2.0 * j / 10.0, j / 10.0};
  }
  problem.media = std::move(grid);
  problem.SetParameters(1e-8, 1e-10, 1000, 100000, 1000);
  auto manager = tutorial::Run(problem);
  const SimSnapshot& last = manager->LastSnapshot();
  EXPECT_LT(last.T[0][0], 0);
  EXPECT_GT(last.T[0][0], -0.01);
  EXPECT_GT(last.T[9][9], 1);
  EXPECT_LT(last.T[9][9], 1.01);
}

}  // namespace
