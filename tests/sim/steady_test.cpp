// The steady field in one solve: what the transient tends to, on every kind of grid, with a
// closed energy ledger; refused where no steady state exists; and the direct solver's
// answers the same to the bit whatever the number of threads it runs on.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <tuple>
#include <vector>

#include "sim/directsolver.h"
#include "sim/ledger.h"
#include "sim/manager.h"
#include "sim/pairrunner.h"
#include "support.h"

namespace {

const VolumeProperties steel{40, 8000, 500, 0};
const VolumeProperties copper{401, 8933, 385, 0};

struct SteadyCase {
  const char* name;
  std::unique_ptr<Media> (*make)();
};

void PrintTo(const SteadyCase& c, std::ostream* out) {
  *out << c.name;
}

// Steel with heat generated in its West half: the steady field is no straight line.
std::unique_ptr<Media> Heated(std::unique_ptr<Media> grid) {
  for (int i = 0; i < grid->ni / 2; ++i) {
    for (int j = 0; j < grid->nj; ++j)
      grid->volume(i, j).heatGeneration = 2e5;
  }
  return grid;
}

const SteadyCase kCases[] = {
    {"Cartesian", [] { return Heated(StretchedCartesian(9, 7, steel)); }},
    {"Polar", [] { return Heated(std::unique_ptr<Media>(new PolarMedia(2, 1, 75, 8, 9, steel))); }},
    {"Mixed",
     [] { return Heated(std::unique_ptr<Media>(new MixedMedia(1, 1, 0.5, 0.25, 8, 12, steel))); }},
    {"File", [] { return Heated(ShearedFileGrid(8, 6, steel)); }},
    // Copper painted over a band of a steel plate, with its own generation, as a student
    // paints a generated grid: the two materials make the system unsymmetric.
    {"PaintedComposite",
     [] {
       std::unique_ptr<Media> grid = std::make_unique<CartesianMedia>(1.0, 0.6, 10, 8, steel);
       for (int i = 3; i < 7; ++i) {
         for (int j = 2; j < 8; ++j)
           grid->volume(i, j) =
               VolumeProperties{copper.conductivity, copper.density, copper.specificHeat, 5e4};
       }
       return grid;
     }},
};

class Steady : public ::testing::TestWithParam<SteadyCase> {};

TEST_P(Steady, IsWhatTheTransientTendsToWithAClosedLedger) {
  const NumVector<int> marks = Marks({0, 4000});
  const auto run = [](RunMode mode, SolverKind solver) {
    auto p = std::make_unique<TestProblem>(GetParam().make());
    LayMixedConditions(*p);
    p->initial = 35;
    // Of the order of the slowest decay in steel (L^2 / alpha is 1E5 s), so that the
    // transient gets there in a hundred steps or so.
    p->dt = 2e4;
    p->tolTime = 1e-13;
    p->tolSpace = 1e-13;
    p->maxIterTime = 4000;
    p->solver = solver;
    p->mode = mode;
    return p;
  };
  // Gauss-Seidel is chosen and the steady solve takes the direct solver all the same.
  auto steadyProblem = run(RunMode::Steady, SolverKind::GaussSeidel);
  auto steady = steadyProblem->MakeManager(&marks);
  ASSERT_TRUE(steady->Run());
  ASSERT_EQ(steady->Count(), 2);
  const SimSnapshot& start = steady->Snapshot(0);
  const SimSnapshot& field = steady->Snapshot(1);
  EXPECT_EQ(start.Time(), 0);
  EXPECT_EQ(start.Iteration(), 0);
  EXPECT_EQ(start.T[0][0], 35);
  EXPECT_EQ(field.Time(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(field.Iteration(), 1);
  EXPECT_EQ(steady->Sim()->Solver(), SolverKind::Direct);

  auto transientProblem = run(RunMode::Transient, SolverKind::Direct);
  auto transient = transientProblem->MakeManager(&marks);
  ASSERT_TRUE(transient->Run());
  ASSERT_TRUE(transient->TakeSnapshot());
  const SimSnapshot& last = transient->LastSnapshot();
  // Not one long step: the transient marched.
  EXPECT_GT(last.Iteration(), 20);
  ASSERT_LT(last.Iteration(), 4000);

  ASSERT_EQ(field.T.N(), last.T.N());
  ASSERT_EQ(field.T.M(), last.T.M());
  double lo = 0, hi = 0;
  field.T.MinMax(lo, hi);
  ASSERT_GT(hi - lo, 10);
  for (int i = 0; i < field.T.N(); ++i) {
    for (int j = 0; j < field.T.M(); ++j)
      EXPECT_NEAR(field.T[i][j], last.T[i][j], 1e-9 * (hi - lo)) << i << ", " << j;
  }
  const double traffic = BoundaryTraffic(field.heatSN, field.heatWE);
  for (int i = 0; i < field.heatWE.N(); ++i) {
    for (int j = 0; j < field.heatWE.M(); ++j)
      EXPECT_NEAR(field.heatWE[i][j], last.heatWE[i][j], 1e-9 * traffic) << i << ", " << j;
  }

  // Nothing is stored in a steady field, so what enters and is generated leaves.
  const EnergyLedger& ledger = field.ledger;
  ASSERT_TRUE(ledger.valid);
  EXPECT_EQ(ledger.storage, 0);
  EXPECT_GT(ledger.generation, 0.1 * ledger.scale);
  EXPECT_LT(ledger.ImbalanceFraction(), 1e-9);
  EXPECT_LT(ledger.ResidualFraction(), 1e-9);
  EXPECT_NEAR(NetInflow(field.heatSN, field.heatWE) + ledger.generation, 0, 1e-9 * ledger.scale);

  // Done is done: another Run stores nothing and the simulator will not step on from it.
  EXPECT_TRUE(steady->Run());
  EXPECT_EQ(steady->Count(), 2);
  EXPECT_FALSE(steady->TakeSnapshot());
  EXPECT_EQ(steady->Sim()->Advance(5), Simulator::NothingToDo);
}

INSTANTIATE_TEST_SUITE_P(GridsAndMaterials, Steady, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SteadyCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(SteadyState, IsRefusedWhereNothingHoldsTheTemperature) {
  // Each problem leaves some volumes that no temperature or convection reaches: all sides
  // given a flux; a convection without a coefficient; a volume that does not conduct, whose
  // temperature nothing fixes. A volume that conducts a little is held through its
  // neighbours, and that problem solves.
  const auto floating = [](int which) {
    auto p = std::make_unique<TestProblem>(StretchedCartesian(6, 5, steel));
    p->initial = 12.5;
    p->mode = RunMode::Steady;
    p->Insulate(p->north);
    p->Lay(p->south, new FFlux(p->Constant(300)));
    if (which == 0) {
      p->Insulate(p->west);
      p->Lay(p->east, new FFlux(p->Constant(-100)));
    } else if (which == 1) {
      p->Lay(p->west, new FConvection(p->Constant(0), p->Constant(5)));
      p->Insulate(p->east);
    } else {
      p->Temperature(p->west, 20);
      p->Insulate(p->east);
      p->media->volume(3, 2) = VolumeProperties{which == 2 ? 0 : 1e-3, 8000, 500, 0};
    }
    return p;
  };
  const NumVector<int> marks = Marks({0, 1000});
  for (int which = 0; which < 3; ++which) {
    SCOPED_TRACE(which);
    auto p = floating(which);
    std::vector<int32_t> codes;
    auto manager = p->MakeManager(
        &marks,
        [](Simulator*, int32_t code, double, void* data) {
          static_cast<std::vector<int32_t>*>(data)->push_back(code);
          return true;
        },
        &codes);
    EXPECT_FALSE(manager->Run());
    const Simulator& sim = *manager->Sim();
    EXPECT_EQ(sim.Failure(), StepFailure::NoSteadyState);
    EXPECT_EQ(codes, std::vector<int32_t>{progress::StepUndone});
    EXPECT_EQ(manager->Count(), 1);
    EXPECT_EQ(sim.Iteration(), 0);
    EXPECT_EQ(sim.Time(), 0);
    EXPECT_FALSE(sim.Steady());
    for (int i = 0; i < 6; ++i) {
      for (int j = 0; j < 5; ++j)
        ASSERT_EQ(sim.T[i][j], 12.5) << i << ", " << j;
    }
  }
  auto held = floating(3);
  auto manager = held->MakeManager(&marks);
  ASSERT_TRUE(manager->Run());
  EXPECT_TRUE(manager->LastSnapshot().ledger.Converged());
}

TEST(SteadyState, AFieldInWhichNothingFlowsPassesItsCheck) {
  // Held at one side and insulated elsewhere, the steady field is uniform: every heat rate
  // is rounding, and the check must not call that unconverged.
  TestProblem p(StretchedCartesian(7, 5, steel));
  p.Insulate(p.north);
  p.Insulate(p.south);
  p.Insulate(p.west);
  p.Temperature(p.east, 75.5);
  p.initial = 10;
  p.mode = RunMode::Steady;
  const NumVector<int> marks = Marks({0, 1000});
  auto manager = p.MakeManager(&marks);
  ASSERT_TRUE(manager->Run());
  const SimSnapshot& field = manager->LastSnapshot();
  for (int i = 0; i < 7; ++i) {
    for (int j = 0; j < 5; ++j)
      ASSERT_NEAR(field.T[i][j], 75.5, 1e-12 * 75.5) << i << ", " << j;
  }
  ASSERT_TRUE(field.ledger.valid);
  EXPECT_LT(field.ledger.TotalOut(), 1e-9);
  EXPECT_TRUE(field.ledger.Converged());
}

// The limit on the direct solver's threads, put back however a test ends.
struct ThreadLimit {
  explicit ThreadLimit(int threads) { DirectSolver::SetThreadLimit(threads); }
  ~ThreadLimit() { DirectSolver::SetThreadLimit(2); }
};

TEST(DirectSolverThreads, OneOrTwoGiveTheSameFieldToTheBit) {
  // Large enough for the second thread on a machine that has a second processor; stretched,
  // heated and under every kind of condition. One material takes the symmetric factor (whose
  // factor and solves are split between the threads), two the general one.
  for (const bool painted : {false, true}) {
    SCOPED_TRACE(painted ? "two materials" : "one material");
    const auto solve = [painted](int threads, RunMode mode) {
      ThreadLimit limit(threads);
      auto p = std::make_unique<TestProblem>(Heated(StretchedCartesian(80, 72, steel)));
      if (painted)
        p->media->volume(40, 30) = copper;
      LayMixedConditions(*p);
      p->solver = SolverKind::Direct;
      p->mode = mode;
      p->dt = 50;
      p->tolTime = 0;
      p->maxIterTime = 6;
      const NumVector<int> marks = Marks({0, 3, 6});
      auto manager = p->MakeManager(&marks);
      EXPECT_TRUE(manager->Run());
      manager->TakeSnapshot();
      DirectSolver factor;
      EXPECT_TRUE(factor.Factor(*manager->Sim()));
      const bool parallel = factor.Parallel();
      return std::make_tuple(std::move(p), std::move(manager), parallel);
    };
    for (RunMode mode : {RunMode::Transient, RunMode::Steady}) {
      auto [p1, one, parallel1] = solve(1, mode);
      auto [p2, two, parallel2] = solve(2, mode);
      EXPECT_FALSE(parallel1);
      EXPECT_EQ(parallel2, std::thread::hardware_concurrency() >= 2);
      ASSERT_EQ(one->Count(), two->Count());
      for (int s = 0; s < one->Count(); ++s) {
        ExpectSameField(one->Snapshot(s).T, two->Snapshot(s).T);
        ExpectSameField(one->Snapshot(s).heatWE, two->Snapshot(s).heatWE);
      }
    }
  }
  // A small grid gains nothing from a second thread.
  TestProblem small(StretchedCartesian(20, 20, steel));
  LayMixedConditions(small);
  DirectSolver factor;
  ASSERT_TRUE(factor.Factor(*small.MakeSimulator()));
  EXPECT_FALSE(factor.Parallel());
}

TEST(PairRunner, RunsEachTaskOnceOnWhicheverThreadGetsThereFirst) {
  // The tasks write their own slots, as the solver's halves do. With a first task that
  // returns at once the worker rarely wakes in time, and the caller takes the second back;
  // with one that waits for the second to start, only the worker can start it.
  for (const bool parallel : {false, true}) {
    PairRunner pair(parallel);
    EXPECT_EQ(pair.Parallel(), parallel && std::thread::hardware_concurrency() >= 2);
    const std::thread::id caller = std::this_thread::get_id();
    int ranOnCaller = 0, ranOnWorker = 0;
    std::vector<int> first(2000, 0), second(2000, 0);
    for (int k = 0; k < 2000; ++k) {
      std::atomic<bool> secondStarted{false};
      std::thread::id ranOn;
      const bool waitForSecond = pair.Parallel() && k % 100 == 0;
      pair.Run(
          [&] {
            ++first[static_cast<std::size_t>(k)];
            // A worker that never comes would leave the caller to take the task back.
            for (int spin = 0; waitForSecond && !secondStarted.load() && spin < 2000; ++spin)
              std::this_thread::sleep_for(std::chrono::milliseconds(1));
          },
          [&] {
            secondStarted.store(true);
            ranOn = std::this_thread::get_id();
            ++second[static_cast<std::size_t>(k)];
          });
      ASSERT_EQ(first[static_cast<std::size_t>(k)], 1) << k;
      ASSERT_EQ(second[static_cast<std::size_t>(k)], 1) << k;
      (ranOn == caller ? ranOnCaller : ranOnWorker) += 1;
    }
    if (pair.Parallel()) {
      EXPECT_GT(ranOnCaller, 0);
      EXPECT_GT(ranOnWorker, 0);
    } else {
      EXPECT_EQ(ranOnWorker, 0);
    }
  }
}

}  // namespace
