// Time stepping: an analytic transient, uniform fields, undone steps.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support.h"

namespace {

// Slab 0 <= x <= L at 0, its face x = 0 raised to 1 at t = 0, the face x = L insulated:
// T = 1 - sum 4/((2n+1) pi) sin(l x / L) exp(-l^2 Fo), l = (2n+1) pi / 2, Fo = alpha t / L^2.
double SlabSeries(double x, double length, double fourier) {
  const double pi = 3.141592653589793;
  double sum = 0;
  for (int n = 0; n < 200; ++n) {
    const double l = (2 * n + 1) * pi / 2;
    sum += 4 / ((2 * n + 1) * pi) * std::sin(l * x / length) * std::exp(-l * l * fourier);
  }
  return 1 - sum;
}

double SlabError(int volumes, int stepsPerUnitFourier) {
  const VolumeProperties aluminium{237, 2702, 903, 0};
  const double length = 0.2;
  const double alpha = 237 / (2702.0 * 903);
  const double fourier = 0.2;
  TestProblem p(std::make_unique<CartesianMedia>(length, 0.05, volumes, 2, aluminium));
  p.Temperature(p.west, 1);
  p.Insulate(p.east);
  p.Insulate(p.north);
  p.Insulate(p.south);
  const int steps = static_cast<int>(fourier * stepsPerUnitFourier);
  p.dt = fourier * length * length / alpha / steps;
  p.maxIterTime = steps;
  p.tolTime = 0;
  auto sim = p.MakeSimulator();
  EXPECT_EQ(sim->Advance(steps), Simulator::Complete);
  double worst = 0;
  for (int i = 0; i < volumes; ++i) {
    const double x = (i + 0.5) * length / volumes;
    worst = std::max(worst, std::fabs(sim->T[i][0] - SlabSeries(x, length, fourier)));
    EXPECT_NEAR(sim->T[i][0], sim->T[i][1], 1e-9);
  }
  return worst;
}

TEST(Transient, SlabApproachesTheSeriesSolutionAsStepsAndSpacingShrink) {
  const double coarse = SlabError(10, 50);
  const double fine = SlabError(20, 200);
  const double finer = SlabError(40, 800);
  EXPECT_LT(coarse, 0.02);
  // First order in time with the step shrinking four times per halving of the spacing.
  EXPECT_LT(fine, coarse / 2.5);
  EXPECT_LT(finer, fine / 2.5);
  EXPECT_LT(finer, 2e-3);
}

struct Recorder {
  std::vector<int> codes;
  int stopAtCode = 0;  // answer false to this code once
  int stopAtIteration = -1;
  static bool Callback(Simulator* sim, int32_t code, double value, void* data) {
    auto* self = static_cast<Recorder*>(data);
    EXPECT_FALSE(std::isnan(value));
    self->codes.push_back(code);
    if (code == self->stopAtCode && sim->Iteration() == self->stopAtIteration) {
      self->stopAtIteration = -1;
      return false;
    }
    return true;
  }
  int Count(int code) const {
    int n = 0;
    for (int c : codes)
      n += c == code;
    return n;
  }
};

TEST(Transient, InsulatedPlateWithGenerationRisesUniformlyAndEveryStepConverges) {
  VolumeProperties heated{50, 7800, 460, 2e5};
  TestProblem p(std::make_unique<MixedMedia>(1, 1, 0.5, 0.25, 6, 12, heated));
  for (Face* f : {&p.north, &p.south, &p.east, &p.west})
    p.Insulate(*f);
  p.tolTime = 1e-5;
  p.tolSpace = 1e-5;
  p.maxIterSpace = 200;
  p.maxIterTime = 60;
  p.dt = 20;
  p.initial = 300;
  Recorder recorder;
  auto sim = p.MakeSimulator(&Recorder::Callback, &recorder);
  ASSERT_EQ(sim->Advance(60), Simulator::Complete);
  EXPECT_EQ(sim->Iteration(), 60);
  EXPECT_EQ(recorder.Count(progress::StepUndone), 0);
  EXPECT_EQ(recorder.Count(progress::StepAccepted), 60);
  const double rise = 2e5 * 60 * 20 / (7800.0 * 460);
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 12; ++j)
      EXPECT_NEAR(sim->T[i][j], 300 + rise, 1e-6 * rise);
  }
}

TEST(Transient, InsulatedPlateWithoutGenerationIsSteadyAtOnce) {
  TestProblem p(std::make_unique<CartesianMedia>(1, 1, 5, 5, DefaultMaterial()));
  for (Face* f : {&p.north, &p.south, &p.east, &p.west})
    p.Insulate(*f);
  p.initial = 42;
  p.tolTime = 1e-5;
  p.tolSpace = 1e-5;
  Recorder recorder;
  auto sim = p.MakeSimulator(&Recorder::Callback, &recorder);
  EXPECT_EQ(sim->Advance(1000), Simulator::Complete);
  EXPECT_EQ(sim->Iteration(), 1);
  EXPECT_LT(sim->timeError, 1e-5);
  EXPECT_EQ(recorder.codes, (std::vector<int>{1, progress::Converged(1), -1, -4}));
}

TEST(Transient, OverflowingTemperatureUndoesTheStep) {
  TestProblem p(std::make_unique<CartesianMedia>(1, 1, 4, 4, DefaultMaterial()));
  p.Temperature(p.west, 1e308);
  p.Temperature(p.east, -1e308);
  p.Insulate(p.north);
  p.Insulate(p.south);
  p.initial = 7;
  Recorder recorder;
  auto sim = p.MakeSimulator(&Recorder::Callback, &recorder);
  EXPECT_EQ(sim->Advance(10), Simulator::StepFailed);
  EXPECT_EQ(recorder.codes, std::vector<int>{progress::StepUndone});
  EXPECT_EQ(sim->Iteration(), 0);
  EXPECT_EQ(sim->Time(), 0);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j)
      EXPECT_EQ(sim->T[i][j], 7);
  }
}

TEST(Transient, StepThatDoesNotConvergeIsUndoneAndRetried) {
  TestProblem p(std::make_unique<CartesianMedia>(1, 1, 10, 10, DefaultMaterial()));
  p.Temperature(p.west, 0);
  p.Temperature(p.east, 1);
  p.Insulate(p.north);
  p.Insulate(p.south);
  p.dt = 20;
  p.tolSpace = 1e-5;
  p.maxIterSpace = 1;  // a step succeeds only if its first sweep is already converged
  Recorder recorder;
  auto sim = p.MakeSimulator(&Recorder::Callback, &recorder);
  const NumMatrix<double> before = sim->T;
  const NumMatrix<double> bBefore = sim->b;
  EXPECT_EQ(sim->Advance(5), Simulator::StepFailed);
  EXPECT_EQ(recorder.codes, (std::vector<int>{1, progress::StepUndone}));
  EXPECT_EQ(sim->Iteration(), 0);
  for (int i = 0; i < 10; ++i) {
    for (int j = 0; j < 10; ++j) {
      EXPECT_EQ(sim->T[i][j], before[i][j]);
      EXPECT_EQ(sim->b[i][j], bBefore[i][j]);
    }
  }
  sim->maxIterSpace = 10000;
  EXPECT_EQ(sim->Advance(5), Simulator::ReachedTarget);
  EXPECT_EQ(sim->Iteration(), 5);
  EXPECT_DOUBLE_EQ(sim->Time(), 100);
}

TEST(Transient, AdvanceCodes) {
  TestProblem p(std::make_unique<CartesianMedia>(1, 1, 10, 10, DefaultMaterial()));
  p.Temperature(p.west, 0);
  p.Temperature(p.east, 1);
  p.Insulate(p.north);
  p.Insulate(p.south);
  p.dt = 20;
  p.tolTime = 1e-5;
  p.tolSpace = 1e-5;
  p.maxIterTime = 30;
  Recorder recorder;
  auto sim = p.MakeSimulator(&Recorder::Callback, &recorder);
  EXPECT_EQ(sim->Advance(0), Simulator::NothingToDo);
  EXPECT_TRUE(recorder.codes.empty());
  EXPECT_EQ(sim->Advance(10), Simulator::ReachedTarget);
  EXPECT_EQ(recorder.codes.back(), progress::TargetReached);
  EXPECT_EQ(sim->Advance(10), Simulator::NothingToDo);

  // A stop asked after step 12 is accepted.
  recorder.stopAtCode = progress::StepAccepted;
  recorder.stopAtIteration = 12;
  EXPECT_EQ(sim->Advance(20), Simulator::StoppedByUser);
  EXPECT_EQ(sim->Iteration(), 12);

  // A stop during the sweeps undoes the half-solved step.
  recorder.stopAtCode = 1;
  recorder.stopAtIteration = 13;
  recorder.codes.clear();
  EXPECT_EQ(sim->Advance(20), Simulator::StepFailed);
  EXPECT_EQ(recorder.codes, (std::vector<int>{1, progress::StepUndone}));
  EXPECT_EQ(sim->Iteration(), 12);

  // The run ends at maxIterTime with result 1 even when the target lies beyond it.
  EXPECT_EQ(sim->Advance(1000), Simulator::Complete);
  EXPECT_EQ(sim->Iteration(), 30);
  EXPECT_EQ(recorder.codes.back(), progress::RunComplete);
  // Sweep codes of one step run 1, 2, ... and end in the converged code.
  std::vector<int> last;
  for (auto it = recorder.codes.rbegin() + 2; it != recorder.codes.rend() && *it != -1; ++it) {
    last.insert(last.begin(), *it);
  }
  ASSERT_GE(last.size(), 2u);
  for (std::size_t k = 0; k + 1 < last.size(); ++k)
    EXPECT_EQ(last[k], static_cast<int>(k + 1));
  EXPECT_EQ(last.back(), progress::Converged(static_cast<int>(last.size()) - 1));
}

// The field as the first sweep of the first step leaves it.
struct FirstSweep {
  NumMatrix<double> field;
  static bool Callback(Simulator* sim, int32_t code, double, void* data) {
    if (code != 1)
      return true;
    static_cast<FirstSweep*>(data)->field = sim->T;
    return false;
  }
};

// One side warm, the others insulated, everything at 0: within one Gauss-Seidel sweep the
// warmth travels only as far as the visiting order lets new values be used at once.
NumMatrix<double> AfterOneSweep(Face TestProblem::*warm) {
  TestProblem p(std::make_unique<CartesianMedia>(1, 1.5, 4, 5, DefaultMaterial()));
  for (Face* f : {&p.north, &p.south, &p.east, &p.west}) {
    if (f != &(p.*warm))
      p.Insulate(*f);
  }
  p.Temperature(p.*warm, 1);
  FirstSweep first;
  auto sim = p.MakeSimulator(&FirstSweep::Callback, &first);
  sim->Advance(1);
  return first.field;
}

TEST(Transient, SweepsVisitSouthToNorthAndWestToEastWithinARow) {
  // Swept from South to North, the North row is visited last: nothing below it has seen
  // the warm North yet. A warm South reaches every row.
  NumMatrix<double> north = AfterOneSweep(&TestProblem::north);
  ASSERT_EQ(north.N(), 4);
  ASSERT_EQ(north.M(), 5);
  NumMatrix<double> south = AfterOneSweep(&TestProblem::south);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 5; ++j) {
      EXPECT_EQ(north[i][j] > 0, j == 4) << i << ", " << j;
      EXPECT_GT(south[i][j], 0) << i << ", " << j;
    }
  }
  // Within a row West to East: a warm East reaches only its own column, a warm West all.
  NumMatrix<double> east = AfterOneSweep(&TestProblem::east);
  NumMatrix<double> west = AfterOneSweep(&TestProblem::west);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 5; ++j) {
      EXPECT_EQ(east[i][j] > 0, i == 3) << i << ", " << j;
      EXPECT_GT(west[i][j], 0) << i << ", " << j;
    }
  }
}

TEST(Progress, SweepCountsReadBackFromTheirCodes) {
  for (int k : {1, 2, 50, 9999}) {
    EXPECT_EQ(progress::Sweeps(k), k);
    EXPECT_EQ(progress::Sweeps(progress::Converged(k)), k);
    EXPECT_LE(progress::Converged(k), -6);
  }
}

TEST(RelativeChange, DefinedForFieldsWithoutSpread) {
  EXPECT_EQ(Simulator::RelativeChange(0, 5, 5), 0);
  EXPECT_EQ(Simulator::RelativeChange(0, 0, 0), 0);
  EXPECT_EQ(Simulator::RelativeChange(0.5, 0, 2), 0.25);
  EXPECT_EQ(Simulator::RelativeChange(1, 0, 0), 1);
  // A uniform field of 300 measured against a millionth of itself.
  EXPECT_NEAR(Simulator::RelativeChange(3e-4, 300, 300), 1, 1e-12);
  EXPECT_TRUE(std::isfinite(Simulator::RelativeChange(1e300, -1e-300, 1e-300)));
}

}  // namespace
