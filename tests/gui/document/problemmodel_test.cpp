// The problem's model and its history, judged by the problem file: whatever is done, undone
// and redone, the problem at each place in the history serialises to the very bytes it did
// when it was first there.

#include "gui/document/problemmodel.h"

#include <gtest/gtest.h>

#include <QUndoStack>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "gui/document/problemfile.h"
#include "sim/fheat.h"

namespace {

class RandomChanges {
 public:
  RandomChanges(ProblemModel& model, uint32_t seed) : model(model), random(seed) {}

  // One change of a kind drawn at random, with random values; what the model answered, and
  // the prefix the step's name must have when it was taken.
  bool Change(QString* expectedName) {
    const ProblemRecord& p = model.Problem();
    switch (Pick(10)) {
      case 0: {  // a stroke over a few volumes, some crossed twice, some already painted so
        model.BeginStroke();
        const VolumeProperties material = Material();
        bool any = false;
        for (int k = Pick(6); k >= 0; --k) {
          const VolumeIndex v{Pick(p.media->ni), Pick(p.media->nj)};
          any = model.PaintVolume(v, k % 3 == 0 ? Material() : material) || any;
        }
        *expectedName = QStringLiteral("Paint ");
        return any;
      }
      case 1:
        *expectedName = QStringLiteral("Apply ");
        return model.ApplyToAll(Material());
      case 2: {
        const Side side = static_cast<Side>(Pick(4));
        const double lower = Pick(9) / 10.0 + Pick(7) / 100.0;
        const double upper = lower + (1 + Pick(50)) / 64.0;
        *expectedName = QStringLiteral("Add ");
        return model.AddSegment(side, lower, std::min(upper, 1.0), Condition());
      }
      case 3: {
        const Side side = static_cast<Side>(Pick(4));
        *expectedName = QStringLiteral("Delete ");
        return model.DeleteSegment(side, Pick(FaceOf(p, side).count));
      }
      case 4: {
        std::unique_ptr<Function1D> f;
        switch (Pick(4)) {
          case 0:
            f = std::make_unique<FConstant>(Value());
            break;
          case 1:
            f = std::make_unique<FLinear>(Value(), Value());
            break;
          case 2:
            f = std::make_unique<FSin>(Value(), Value(), Value());
            break;
          default:
            f = std::make_unique<FCos>(Value(), Value(), Value());
        }
        *expectedName = QStringLiteral("New Function f(x) = ");
        return model.AddFunction(std::move(f));
      }
      case 5: {
        std::unique_ptr<Media> grid;
        const int32_t ni = 2 + Pick(9);
        const int32_t nj = 4 + Pick(8);
        switch (Pick(3)) {
          case 0:
            grid = std::make_unique<CartesianMedia>(0.5 + Pick(7) / 8.0, 0.25 + Pick(5) / 3.0, ni,
                                                    nj, DefaultMaterial());
            break;
          case 1:
            grid = std::make_unique<PolarMedia>(1.5 + Pick(3), 0.5, 30 + Pick(300), ni, nj,
                                                DefaultMaterial());
            break;
          default:
            grid = std::make_unique<MixedMedia>(2, 1.5, 0.75, 0.25 + Pick(4) / 10.0, ni, nj,
                                                DefaultMaterial());
        }
        *expectedName = QStringLiteral("New ");
        return model.ReplaceGrid(std::move(grid));
      }
      case 6: {
        // A change of the mode alone, of the solver alone, or of everything.
        ProblemModel::Parameters q{p.tolTime, p.tolSpace, p.maxIterTime, p.maxIterSpace,
                                   p.dt,      p.solver,   p.runMode};
        const int what = Pick(3);
        if (what == 0) {
          q.runMode = q.runMode == RunMode::Steady ? RunMode::Transient : RunMode::Steady;
          *expectedName = QStringLiteral("Set Run to ");
        } else if (what == 1) {
          q.solver = q.solver == SolverKind::Direct ? SolverKind::GaussSeidel : SolverKind::Direct;
          *expectedName = QStringLiteral("Set Solver to ");
        } else {
          q.tolTime = 1e-7 + std::abs(Value()) * 1e-7;
          q.maxIterTime = 2 + Pick(2000);
          q.dt = 0.125 + Pick(100) * 0.37;
          *expectedName = QStringLiteral("Change Simulation Parameters");
        }
        return model.SetParameters(q);
      }
      case 9: {
        // Mostly watching, so that the list fills and a ninth is refused; half the time an
        // unwatch of one watched, in the middle of the order.
        if (!p.watched.empty() && Pick(2) == 0) {
          const VolumeIndex v =
              p.watched[static_cast<std::size_t>(Pick(static_cast<int32_t>(p.watched.size())))];
          *expectedName = QStringLiteral("Unwatch Volume (%1, %2)").arg(v.i + 1).arg(v.j + 1);
          return model.SetWatched(v, false);
        }
        const VolumeIndex v{Pick(p.media->ni), Pick(p.media->nj)};
        *expectedName = QStringLiteral("Watch Volume (%1, %2)").arg(v.i + 1).arg(v.j + 1);
        return model.SetWatched(v, true);
      }
      case 7:
        *expectedName = QStringLiteral("Set Initial Temperature to ");
        return model.SetInitialTemperature(Value());
      default: {
        // Strictly increasing from 0 to the last step.
        const int32_t last = p.maxIterTime;
        std::vector<int> marks{0};
        for (int32_t step = 1 + Pick(5); step < last; step += 1 + Pick(last / 3 + 1))
          marks.push_back(step);
        marks.push_back(last);
        NumVector<int> times(static_cast<int32_t>(marks.size()));
        for (std::size_t k = 0; k < marks.size(); ++k)
          times[static_cast<int32_t>(k)] = marks[k];
        *expectedName = QStringLiteral("Set %1 Animation Times").arg(marks.size());
        return model.SetAnimationTimes(times);
      }
    }
  }

 private:
  int32_t Pick(int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(random); }
  // Values with many digits, so that a value rounded anywhere on its way would show.
  double Value() { return std::uniform_real_distribution<double>(-50, 50)(random); }
  VolumeProperties Material() {
    static const VolumeProperties palette[] = {
        {401, 8933, 385, 0}, {60.5, 7854, 434, 2.5e5}, {0.038, 40, 1210, 0}, {317, 19300, 129, 0}};
    VolumeProperties m = palette[Pick(4)];
    if (Pick(3) == 0)
      m.heatGeneration = Value() * 1000;
    return m;
  }
  std::unique_ptr<FHeat> Condition() {
    const auto& list = model.Problem().functionList;
    const Function1D* f =
        list[static_cast<std::size_t>(Pick(static_cast<int32_t>(list.size())))].get();
    const Function1D* g =
        list[static_cast<std::size_t>(Pick(static_cast<int32_t>(list.size())))].get();
    switch (Pick(3)) {
      case 0:
        return std::make_unique<FTemperature>(f);
      case 1:
        return std::make_unique<FFlux>(f);
      default:
        return std::make_unique<FConvection>(f, g);
    }
  }

  ProblemModel& model;
  std::mt19937 random;
};

// A random walk over changes, undos and redos: after each, the problem serialises exactly as
// it did when the history last stood at the same place; then all the way back to the start and
// all the way forward to the end. Catches a command that forgets part of what it changed
// (a second visit to a volume in a stroke, the marks a new step count cut, the materials of a
// replaced grid, a face's shared condition), one that restores a copy instead of the original,
// a redo that differs from the do, and a branch after an undo that keeps stale steps.
TEST(ProblemModel, EveryChangeUndoesAndRedoesToTheByte) {
  int32_t totalSteps = 0;
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    {
      ProblemRecord problem;
      ProblemModel model(problem);
      const QUndoStack& history = model.History();
      RandomChanges changes(model, seed);
      std::mt19937 walk(seed * 7919u);
      // states[k]: the problem when the history stands at index k.
      std::vector<QByteArray> states{problemfile::Serialize(problem)};
      for (int move = 0; move < 90; ++move) {
        const int kind = std::uniform_int_distribution<int>(0, 9)(walk);
        if (kind == 0) {
          const bool could = history.canUndo();
          ASSERT_EQ(model.Undo(), could);
        } else if (kind == 1) {
          const bool could = history.canRedo();
          ASSERT_EQ(model.Redo(), could);
        } else {
          const int before = history.index();
          QString name;
          const QByteArray was = problemfile::Serialize(problem);
          const bool taken = changes.Change(&name);
          if (problemfile::Serialize(problem) != was) {
            ASSERT_TRUE(taken);
            ASSERT_EQ(history.index(), before + 1) << "one step per change";
            EXPECT_TRUE(history.undoText().startsWith(name)) << history.undoText().toStdString();
            states.resize(static_cast<std::size_t>(before) + 1);
            states.push_back(problemfile::Serialize(problem));
            // Every step leaves a problem a file can hold: a watched volume left outside a
            // smaller grid, or a condition on a function no longer listed, would not read.
            const problemfile::ReadResult read = problemfile::Parse(states.back());
            ASSERT_TRUE(read.problem) << name.toStdString() << ": " << read.message.toStdString();
            ++totalSteps;
          } else {
            // Refused, or a stroke that painted its volumes back as they were (which, like
            // any stroke, forgot what could have been redone).
            ASSERT_EQ(history.index(), before)
                << "a step that changed nothing: " << history.undoText().toStdString();
            states.resize(static_cast<std::size_t>(history.count()) + 1);
          }
        }
        ASSERT_EQ(static_cast<std::size_t>(history.count()) + 1, states.size());
        ASSERT_EQ(problemfile::Serialize(problem),
                  states[static_cast<std::size_t>(history.index())]);
      }
      while (model.Undo()) {
      }
      EXPECT_EQ(problemfile::Serialize(problem), states.front());
      while (model.Redo()) {
      }
      EXPECT_EQ(problemfile::Serialize(problem), states.back());
    }
    // The history let go of every condition it held, undone or not.
    EXPECT_EQ(FHeat::Instances(), 0);
  }
  // The walks took many steps of every kind, not a few refusals.
  EXPECT_GT(totalSteps, 24 * 40);
}

// A stroke is one step however many volumes it paints, and every press begins a new one;
// nothing changes and no step is taken while a run holds the problem.
TEST(ProblemModel, AStrokeIsOneStepAndARunHoldsTheProblem) {
  ProblemRecord problem;
  problem.media = std::make_unique<CartesianMedia>(1.5, 0.5, 7, 4, DefaultMaterial());
  ProblemModel model(problem);
  const VolumeProperties copper{401, 8933, 385, 0};
  const VolumeProperties steel{60.5, 7854, 434, 2.5e5};
  const QByteArray start = problemfile::Serialize(problem);

  model.BeginStroke();
  for (int i = 0; i < 7; ++i)
    ASSERT_TRUE(model.PaintVolume(VolumeIndex{i, 1}, copper));
  // Back over a volume of the same stroke with another material: its first material is what
  // the undo restores.
  ASSERT_TRUE(model.PaintVolume(VolumeIndex{2, 1}, steel));
  EXPECT_FALSE(model.PaintVolume(VolumeIndex{2, 1}, steel)) << "nothing to paint";
  EXPECT_FALSE(model.PaintVolume(VolumeIndex{7, 1}, steel)) << "outside the grid";
  const QByteArray stripe = problemfile::Serialize(problem);
  model.BeginStroke();
  ASSERT_TRUE(model.PaintVolume(VolumeIndex{6, 3}, steel));
  EXPECT_EQ(model.History().count(), 2);
  EXPECT_EQ(model.History().undoText(), "Paint Carbon steel, plain");
  EXPECT_EQ(model.History().text(0), "Paint Copper");

  {
    ProblemRecord::RunHold hold(problem);
    EXPECT_FALSE(model.MayChange());
    EXPECT_FALSE(model.Undo());
    model.BeginStroke();
    EXPECT_FALSE(model.PaintVolume(VolumeIndex{0, 0}, steel));
    EXPECT_FALSE(model.SetInitialTemperature(37.5));
    EXPECT_EQ(model.History().count(), 2);
  }
  ASSERT_TRUE(model.Undo());
  EXPECT_EQ(problemfile::Serialize(problem), stripe);
  ASSERT_TRUE(model.Undo());
  EXPECT_EQ(problemfile::Serialize(problem), start);
  EXPECT_EQ(problem.media->volume(2, 1).conductivity, DefaultMaterial().conductivity);
}

}  // namespace
