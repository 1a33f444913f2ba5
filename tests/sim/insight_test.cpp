// Looking inside a run: the time history of watched volumes, the equation of one volume as
// the simulator solved it, and the time-step advisor's numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "sim/advisor.h"
#include "sim/equation.h"
#include "sim/history.h"
#include "sim/problem.h"
#include "sim/tutorials.h"
#include "support.h"

namespace {

const VolumeProperties copper{401, 8933, 385, 0};
const VolumeProperties steel{60.5, 7854, 434, 0};
const VolumeProperties heated{15, 2500, 900, 4e4};

// A ring sector (every face skewed but the radial ones), painted with three materials one of
// which heats, held at 1 on its inner arc, cooled by convection into 0.25 on its outer arc
// (h varying along it), with a flux on one straight side and insulated on the other.
std::unique_ptr<TestProblem> PaintedSector(SolverKind solver) {
  auto p = std::make_unique<TestProblem>(std::make_unique<PolarMedia>(0.3, 0.1, 70, 7, 6, steel));
  Media& m = *p->media;
  for (int i = 0; i < m.ni; ++i) {
    for (int j = 0; j < m.nj; ++j) {
      if (i >= 4)
        m.volume(i, j) = copper;
      else if (j == 2 && i >= 1)
        m.volume(i, j) = heated;
    }
  }
  p->Temperature(p->west, 1);
  p->Lay(p->east, new FConvection(p->Add(std::make_unique<FLinear>(30, 20)), p->Constant(0.25)));
  p->Lay(p->south, new FFlux(p->Add(std::make_unique<FSin>(100, 50, 3))));
  p->Insulate(p->north);
  p->dt = 40;
  p->maxIterTime = 30;
  p->tolTime = 1e-12;
  p->solver = solver;
  return p;
}

// Copies the solver's right-hand side as each step's first sweep starts from it.
struct RightHandSides {
  std::vector<NumMatrix<double>> b;  // b[k - 1]: the right-hand side of step k
  static bool Callback(Simulator* sim, int32_t code, double, void* data) {
    if (code == 1)
      static_cast<RightHandSides*>(data)->b.push_back(sim->b);
    return true;
  }
};

// ---- The history ---------------------------------------------------------------------------

// Every snapshot of a run must appear in the history with the very same numbers: a row
// recorded before the step's field was final (or from the field before it), a column
// mixed up, or a thinning that loses a snapshot's row would all break it. Runs of several
// shapes: to the end, stopped by the user and resumed, ended early at steady state, and with
// so few rows allowed that the history is thinned many times over.
TEST(TimeHistory, HoldsEverySnapshotToTheBitAndEveryStepInBetween) {
  struct Case {
    const char* name;
    std::vector<int> marks;
    int steps;
    double tolTime;
    int stopAt;  // a stop by the user after this step, then Run again; 0 for none
    std::size_t maxRows;
  };
  const Case cases[] = {
      {"to the end", {0, 3, 7, 20, 30}, 30, 1e-12, 0, TimeHistory::kMaxRows},
      {"stopped and resumed", {0, 5, 11, 30}, 30, 1e-12, 13, TimeHistory::kMaxRows},
      {"steady early", {0, 2, 400}, 400, 1e-4, 0, TimeHistory::kMaxRows},
      {"thinned", {0, 1, 9, 17, 18, 29, 30}, 30, 1e-12, 0, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = PaintedSector(SolverKind::GaussSeidel);
    p->maxIterTime = c.steps;
    p->tolTime = c.tolTime;
    p->tolSpace = 1e-10;
    NumVector<int> marks(static_cast<int32_t>(c.marks.size()));
    for (std::size_t k = 0; k < c.marks.size(); ++k)
      marks[static_cast<int32_t>(k)] = c.marks[k];
    struct Stop {
      int at;
      static bool Callback(Simulator* sim, int32_t code, double, void* data) {
        return !(code == progress::StepAccepted &&
                 sim->Iteration() == static_cast<Stop*>(data)->at);
      }
    } stop{c.stopAt};
    auto run = p->MakeManager(&marks, &Stop::Callback, &stop);
    const std::vector<VolumeIndex> watched = {{6, 5}, {0, 0}, {3, 2}};
    run->Watch(watched, c.maxRows);
    bool done = run->Run();
    if (c.stopAt > 0) {
      ASSERT_FALSE(done);
      stop.at = -1;
      done = run->Run();
    }
    ASSERT_TRUE(done);
    run->TakeSnapshot();
    run->ReleaseSimulator();

    const TimeHistory& h = run->History();
    ASSERT_EQ(h.Volumes().size(), watched.size());
    ASSERT_GE(h.Rows(), 2u);
    EXPECT_EQ(h.Iteration(0), 0);
    EXPECT_EQ(h.Iteration(h.Rows() - 1), run->LastSnapshot().Iteration());
    for (std::size_t r = 1; r < h.Rows(); ++r) {
      ASSERT_LT(h.Iteration(r - 1), h.Iteration(r)) << "row " << r;
      // Times are the steps' own: iteration times dt, summed step by step.
      EXPECT_NEAR(h.Time(r), h.Iteration(r) * p->dt, 1e-9 * h.Time(r));
    }
    if (c.maxRows == TimeHistory::kMaxRows) {
      // Nothing thinned: one row per step from the start to the last.
      EXPECT_EQ(h.Stride(), 1);
      EXPECT_EQ(h.Rows(), static_cast<std::size_t>(run->LastSnapshot().Iteration()) + 1);
    } else {
      EXPECT_GT(h.Stride(), 2);
      EXPECT_LT(h.Rows(), 31u);
    }
    for (int32_t s = 0; s < run->Count(); ++s) {
      const SimSnapshot& snap = run->Snapshot(s);
      std::size_t row = 0;
      while (row < h.Rows() && h.Iteration(row) != snap.Iteration())
        ++row;
      ASSERT_LT(row, h.Rows()) << "no row at snapshot " << s;
      EXPECT_TRUE(h.Pinned(row));
      EXPECT_EQ(h.Time(row), snap.Time());
      for (std::size_t k = 0; k < watched.size(); ++k)
        EXPECT_EQ(h.Value(row, k), snap.T[watched[k].i][watched[k].j]) << "snapshot " << s;
    }
  }
}

// The rows between snapshots are the steps' fields, not copies of the snapshots: each is
// the field of its own step, as a run that stores every step shows.
TEST(TimeHistory, RowsBetweenSnapshotsAreTheStepsOwnFields) {
  auto sparse = PaintedSector(SolverKind::Direct);
  auto dense = PaintedSector(SolverKind::Direct);
  const NumVector<int> few = Marks({0, 30});
  NumVector<int> every(31);
  for (int k = 0; k <= 30; ++k)
    every[k] = k;
  auto a = sparse->MakeManager(&few);
  auto b = dense->MakeManager(&every);
  a->Watch({{2, 3}, {5, 1}});
  b->Watch({{5, 1}});
  ASSERT_TRUE(a->Run());
  ASSERT_TRUE(b->Run());
  b->TakeSnapshot();
  ASSERT_EQ(b->Count(), 31);
  ASSERT_EQ(a->History().Rows(), 31u);
  for (int k = 0; k <= 30; ++k)
    EXPECT_EQ(a->History().Value(static_cast<std::size_t>(k), 1), b->Snapshot(k).T[5][1]);
  EXPECT_EQ(a->History().ColumnOf(VolumeIndex{5, 1}), 1);
  EXPECT_EQ(a->History().ColumnOf(VolumeIndex{1, 5}), -1);
}

// ---- The equation of a volume --------------------------------------------------------------

// On a skewed, painted grid with convection, heat generation and a flux, at every volume (so
// every corner, edge and inner kind of stencil): the right-hand side shown is bit for bit the
// one the solver solved with, the residual shown is the one that right-hand side leaves (and
// over all volumes the run window's residual), the terms add up to the temperature shown up
// to that residual, and the kept equations after the run read the same as the live ones even
// when the grid is painted over afterwards. The sweeps stop early (loose tolerance), so the
// residuals are far from zero and a residual formed from other numbers would show.
TEST(VolumeEquation, IsTheSolversOwnOnASkewedPaintedConvectiveGrid) {
  auto p = PaintedSector(SolverKind::GaussSeidel);
  p->tolSpace = 1e-3;
  const NumVector<int> marks = Marks({0, 4, 30});
  RightHandSides rhs;
  auto run = p->MakeManager(&marks, &RightHandSides::Callback, &rhs);
  ASSERT_TRUE(run->Run());
  run->TakeSnapshot();
  ASSERT_EQ(run->Count(), 3);
  const Simulator& sim = *run->Sim();
  const Media& media = *p->media;

  for (int32_t s : {1, 2}) {
    const SimSnapshot& snap = run->Snapshot(s);
    ASSERT_LE(static_cast<std::size_t>(snap.Iteration()), rhs.b.size());
    const NumMatrix<double>& solved = rhs.b[static_cast<std::size_t>(snap.Iteration()) - 1];
    double residualSum = 0;
    double largestResidual = 0;
    for (int32_t I = 0; I < media.ni; ++I) {
      for (int32_t J = 0; J < media.nj; ++J) {
        SCOPED_TRACE(testing::Message() << "snapshot " << s << " volume " << I << ", " << J);
        const VolumeEquation q = EquationOf(sim, snap, VolumeIndex{I, J});
        ASSERT_TRUE(q.solved);
        EXPECT_EQ(q.b, solved[I][J]);
        EXPECT_EQ(q.T, snap.T[I][J]);
        // The residual from the solver's own right-hand side, summed over the matrix row
        // visited as rows and columns rather than in the stencil's order.
        double row = solved[I][J] - sim.aP[I][J] * snap.T[I][J];
        for (int di = -1; di <= 1; ++di) {
          for (int dj = -1; dj <= 1; ++dj) {
            const int i = I + di, j = J + dj;
            if ((di == 0 && dj == 0) || i < 0 || j < 0 || i >= media.ni || j >= media.nj)
              continue;
            const NumMatrix<double>* a[3][3] = {{&sim.aSW, &sim.aW, &sim.aNW},
                                                {&sim.aS, nullptr, &sim.aN},
                                                {&sim.aSE, &sim.aE, &sim.aNE}};
            row += (*a[di + 1][dj + 1])[I][J] * snap.T[i][j];
          }
        }
        const double scale = std::fabs(sim.aP[I][J] * snap.T[I][J]) + std::fabs(solved[I][J]);
        EXPECT_NEAR(q.residual, row, 1e-12 * scale);
        // The terms give the temperature, short by what the residual leaves.
        EXPECT_NEAR(q.balancedT - q.T, q.residual / q.aP, 1e-12 * std::fabs(q.T) + 1e-15);
        // Centre coefficient: storage plus the steady part, which is the neighbours' and the
        // boundary faces' coefficients together.
        double apSum = q.storage;
        for (const NeighbourTerm& n : q.neighbours)
          apSum += n.a;
        for (const BoundaryFaceTerm& f : q.boundary)
          apSum += f.ap;
        EXPECT_NEAR(q.aP, apSum, 1e-12 * q.aP);
        residualSum += std::fabs(q.residual * q.material.specificHeat);
        largestResidual = std::fmax(largestResidual, std::fabs(q.residual / q.aP));
      }
    }
    // The run window's residual is the same sum.
    EXPECT_NEAR(residualSum, snap.ledger.residual, 1e-9 * snap.ledger.residual);
    EXPECT_GT(largestResidual, 1e-6) << "the sweeps stopped early: residuals must show";
  }

  // The corner by the heated band and the convective arc: both boundary faces, with the
  // values their conditions gave there.
  const SimSnapshot& last = run->LastSnapshot();
  const VolumeEquation corner = EquationOf(sim, last, VolumeIndex{6, 0});
  ASSERT_EQ(corner.boundary.size(), 2u);
  EXPECT_EQ(corner.boundary[0].side, FaceSide::South);
  EXPECT_EQ(corner.boundary[0].use.condition.kind, ConditionValues::Kind::Flux);
  EXPECT_EQ(corner.boundary[1].side, FaceSide::East);
  const BoundaryFaceTerm& convective = corner.boundary[1];
  EXPECT_EQ(convective.use.condition.kind, ConditionValues::Kind::Convection);
  const double x = convective.use.x;
  EXPECT_GT(x, 0);
  EXPECT_LT(x, 1.0 / 6);
  EXPECT_DOUBLE_EQ(convective.use.condition.value, 30 * x + 20);
  EXPECT_EQ(convective.use.condition.ambient, 0.25);
  EXPECT_EQ(convective.b, convective.ap * 0.25);
  // ap c_P = L h / (h delta / k + 1) with the face's length L from the grid's nodes.
  const Point& se = media.node(7, 0);
  const Point& ne = media.node(7, 1);
  const double length = std::hypot(ne.x - se.x, ne.y - se.y);
  const double h = 30 * x + 20;
  EXPECT_NEAR(convective.ap * copper.specificHeat,
              length * h / (h * convective.use.delta / copper.conductivity + 1), 1e-12);
  EXPECT_GT(convective.use.delta, 0);
  // Skewed: the diagonal neighbours carry cross-diffusion.
  const VolumeEquation inner = EquationOf(sim, last, VolumeIndex{3, 2});
  EXPECT_EQ(inner.neighbours.size(), 8u);
  EXPECT_EQ(inner.source, heated.heatGeneration * inner.area / heated.specificHeat);

  // After the run the kept equations read the same, whatever the grid holds by then.
  std::vector<VolumeEquation> live;
  for (int32_t I = 0; I < media.ni; ++I)
    live.push_back(EquationOf(sim, last, VolumeIndex{I, 2}));
  run->ReleaseSimulator();
  ASSERT_NE(run->Equations(), nullptr);
  for (int32_t i = 0; i < media.ni; ++i) {
    for (int32_t j = 0; j < media.nj; ++j)
      p->media->volume(i, j) = VolumeProperties{1, 1, 1, 1};
  }
  for (int32_t I = 0; I < media.ni; ++I) {
    VolumeEquation kept;
    ASSERT_TRUE(EquationOf(*run, media, run->Count() - 1, VolumeIndex{I, 2}, kept));
    const VolumeEquation& l = live[static_cast<std::size_t>(I)];
    EXPECT_EQ(kept.residual, l.residual);
    EXPECT_EQ(kept.b, l.b);
    EXPECT_EQ(kept.aP, l.aP);
    EXPECT_EQ(kept.material.conductivity, l.material.conductivity);
    ASSERT_EQ(kept.neighbours.size(), l.neighbours.size());
    for (std::size_t n = 0; n < l.neighbours.size(); ++n)
      EXPECT_EQ(kept.neighbours[n].a, l.neighbours[n].a);
    ASSERT_EQ(kept.boundary.size(), l.boundary.size());
    for (std::size_t f = 0; f < l.boundary.size(); ++f) {
      EXPECT_EQ(kept.boundary[f].ap, l.boundary[f].ap);
      EXPECT_EQ(kept.boundary[f].use.condition.value, l.boundary[f].use.condition.value);
    }
  }
  VolumeEquation none;
  EXPECT_FALSE(EquationOf(*run, media, run->Count(), VolumeIndex{0, 0}, none));
  EXPECT_FALSE(EquationOf(*run, media, 0, VolumeIndex{media.ni, 0}, none));
}

// Solved exactly, each volume's balance of heat rates closes: what flows in through its four
// faces plus what it generates is what it stores, in W/m. Where two materials meet on a
// skewed grid the two volumes weigh their face's conductivity each from its own side, and
// the stored heat rate (taken from one side) differs a little from the other's equation;
// the balance is exact wherever a volume's neighbours share its material.
TEST(VolumeEquation, HeatRatesThroughTheFacesBalanceTheStorageWhenSolvedExactly) {
  auto p = PaintedSector(SolverKind::Direct);
  const NumVector<int> marks = Marks({0, 3, 30});
  auto run = p->MakeManager(&marks);
  ASSERT_TRUE(run->Run());
  const Simulator& sim = *run->Sim();
  const SimSnapshot& snap = run->Snapshot(1);
  const Media& m = *p->media;
  int checked = 0;
  for (int32_t I = 0; I < m.ni; ++I) {
    for (int32_t J = 0; J < m.nj; ++J) {
      const VolumeEquation q = EquationOf(sim, snap, VolumeIndex{I, J});
      EXPECT_NEAR(q.balancedT, q.T, 1e-12 * std::fabs(q.T) + 1e-14);
      bool alike = true;
      for (const NeighbourTerm& n : q.neighbours)
        alike = alike && m.volume(n.volume.i, n.volume.j).conductivity == q.material.conductivity;
      if (!alike)
        continue;
      ++checked;
      const double cp = q.material.specificHeat;
      const double in = q.heatIn[0] + q.heatIn[1] + q.heatIn[2] + q.heatIn[3];
      const double stored = q.storage * cp * (q.T - q.oldT);
      const double generated = q.material.heatGeneration * q.area;
      EXPECT_NEAR(in + generated, stored, 1e-9 * (std::fabs(stored) + std::fabs(in) + 1))
          << I << ", " << J;
    }
  }
  EXPECT_GT(checked, 10);
  // The starting field solved nothing.
  const VolumeEquation start = EquationOf(sim, run->Snapshot(0), VolumeIndex{1, 1});
  EXPECT_FALSE(start.solved);
  EXPECT_EQ(start.residual, 0);
}

// A steady run has one step, at infinite time: the history holds the start and the steady
// field, and the steady field's equation has no storage term and holds (direct solve).
TEST(VolumeEquation, SteadyFieldHasNoStorageAndHoldsItsEquation) {
  auto p = PaintedSector(SolverKind::Direct);
  p->mode = RunMode::Steady;
  const NumVector<int> marks = Marks({0, 30});
  auto run = p->MakeManager(&marks);
  run->Watch({{3, 2}, {6, 0}});
  ASSERT_TRUE(run->Run());
  ASSERT_EQ(run->Count(), 2);
  const TimeHistory& h = run->History();
  ASSERT_EQ(h.Rows(), 2u);
  EXPECT_EQ(h.Time(0), 0);
  EXPECT_TRUE(std::isinf(h.Time(1)));
  EXPECT_EQ(h.Value(1, 0), run->Snapshot(1).T[3][2]);
  run->ReleaseSimulator();
  VolumeEquation q;
  ASSERT_TRUE(EquationOf(*run, *p->media, 1, VolumeIndex{6, 0}, q));
  EXPECT_TRUE(q.steady);
  EXPECT_EQ(q.storage, 0);
  EXPECT_EQ(q.aP, q.aPs);
  EXPECT_EQ(q.b, q.bs);
  EXPECT_NEAR(q.balancedT, q.T, 1e-12 * std::fabs(q.T));
  EXPECT_LT(std::fabs(q.residual), 1e-12 * q.aP * std::fabs(q.T));
}

// The help's Example 2 reads the equation of the volume at the top of the fin's base and
// quotes its numbers; they must stay the program's.
TEST(VolumeEquation, FinTutorialVolumeGivesTheHelpsNumbers) {
  auto fin = tutorial::Fin();
  auto run = tutorial::Run(*fin);
  VolumeEquation q;
  ASSERT_TRUE(EquationOf(*run, *fin->media, run->Count() - 1, VolumeIndex{0, 3}, q));
  const double cp = q.material.specificHeat;
  EXPECT_EQ(q.time, 390);
  ASSERT_EQ(q.neighbours.size(), 2u);
  EXPECT_NEAR(q.neighbours[0].a * cp, 1185, 1e-9);  // South
  EXPECT_NEAR(q.neighbours[1].a * cp, 47.4, 1e-9);  // East
  ASSERT_EQ(q.boundary.size(), 2u);
  EXPECT_NEAR(q.boundary[0].ap * cp, 0.2499736, 5e-8);  // North, convection
  EXPECT_NEAR(q.boundary[1].ap * cp, 94.8, 1e-9);       // West, held at 100
  EXPECT_NEAR(q.balancedT, 97.9909631, 5e-8);
  EXPECT_NEAR(q.T, 97.9909631, 5e-8);
  EXPECT_NEAR(q.residual * cp, 2e-6, 5e-7);
  EXPECT_NEAR(q.heatIn[static_cast<int>(FaceSide::West)], 190.4567, 5e-5);
  EXPECT_NEAR(q.heatIn[static_cast<int>(FaceSide::South)], 11.7764, 5e-5);
  EXPECT_NEAR(q.heatIn[static_cast<int>(FaceSide::East)], -177.7379, 5e-5);
  EXPECT_NEAR(q.heatIn[static_cast<int>(FaceSide::North)], -24.4952, 5e-5);
}

// ---- The watched volumes of a problem --------------------------------------------------------

TEST(WatchedVolumes, AtMostEightInsideTheGridAndFollowTheirPointsToANewGrid) {
  ProblemRecord problem;  // 10 x 10 over 1 m x 1 m
  EXPECT_FALSE(problem.SetWatched(VolumeIndex{10, 0}, true));
  EXPECT_FALSE(problem.SetWatched(VolumeIndex{-1, 3}, true));
  for (int k = 0; k < ProblemRecord::kMaxWatched; ++k)
    EXPECT_TRUE(problem.SetWatched(VolumeIndex{k, 9 - k}, true));
  EXPECT_FALSE(problem.SetWatched(VolumeIndex{9, 9}, true)) << "a ninth";
  EXPECT_FALSE(problem.SetWatched(VolumeIndex{0, 9}, true)) << "twice";
  EXPECT_TRUE(problem.SetWatched(VolumeIndex{1, 8}, false));
  EXPECT_FALSE(problem.SetWatched(VolumeIndex{1, 8}, false));
  EXPECT_TRUE(problem.SetWatched(VolumeIndex{9, 9}, true));
  ASSERT_EQ(problem.watched.size(), 8u);
  EXPECT_EQ(problem.watched[1], (VolumeIndex{2, 7})) << "order kept when one goes";
  EXPECT_EQ(problem.watched[7], (VolumeIndex{9, 9}));

  // A grid three times as fine one way and half as fine the other, and one that covers only
  // the left part of the square.
  const Media& old = *problem.media;
  CartesianMedia finer(1, 1, 30, 5, DefaultMaterial());
  ProblemRecord copy;
  copy.watched = {{0, 9}, {3, 6}, {9, 9}};
  copy.KeepWatchedOn(old, finer);
  ASSERT_EQ(copy.watched.size(), 3u);
  EXPECT_EQ(copy.watched[0], (VolumeIndex{1, 4}));
  EXPECT_EQ(copy.watched[1], (VolumeIndex{10, 3}));
  EXPECT_EQ(copy.watched[2], (VolumeIndex{28, 4}));
  CartesianMedia half(0.5, 1, 2, 2, DefaultMaterial());
  copy.watched = {{0, 9}, {1, 8}, {9, 9}};
  copy.KeepWatchedOn(old, half);
  ASSERT_EQ(copy.watched.size(), 1u) << "two in one volume are one; one outside goes";
  EXPECT_EQ(copy.watched[0], (VolumeIndex{0, 1}));
}

// ---- The advisor ---------------------------------------------------------------------------

// A grid of unequal columns, copper on the left and steel on the right, worked by hand:
// widths 0.05, 0.1, 0.1, 0.15 and rows 0.15 high, so h = 0.05, 0.1, 0.1, 0.15.
TEST(TimeStepAdvice, NumbersOfATwoMaterialGridAndTheAdviceThatFollows) {
  CartesianMedia grid(0.4, 0.3, 4, 2, copper);
  const double x[] = {0, 0.05, 0.15, 0.25, 0.4};
  for (int i = 0; i <= 4; ++i) {
    for (int j = 0; j <= 2; ++j)
      grid.node(i, j).x = x[i];
  }
  for (int j = 0; j < 2; ++j) {
    grid.volume(2, j) = steel;
    grid.volume(3, j) = steel;
  }
  const double alphaCopper = 401 / (8933.0 * 385);
  const double alphaSteel = 60.5 / (7854.0 * 434);
  const double diffusion = 0.4 * 0.4 / alphaSteel;  // 9014.6 s: the South side, 0.4 m
  ASSERT_NEAR(diffusion, 9014.6, 0.1);

  const NumVector<int> endOnly = Marks({0, 1000});
  TimeStepAdvice a = AdviseTimeStep(grid, 2, 1000, endOnly);
  EXPECT_NEAR(a.maxFourier, alphaCopper * 2 / (0.05 * 0.05), 1e-12);
  EXPECT_NEAR(a.minFourier, alphaSteel * 2 / (0.15 * 0.15), 1e-12);
  EXPECT_NEAR(a.slowestDiffusivity, alphaSteel, 1e-18);
  EXPECT_NEAR(a.longestSide, 0.4, 1e-15);
  EXPECT_NEAR(a.diffusionTime, diffusion, 1e-9);
  EXPECT_NEAR(a.stepsToDiffuse, diffusion / 2, 1e-9);
  EXPECT_EQ(a.endTime, 2000);
  EXPECT_EQ(a.firstSnapshotTime, 0) << "no animation time between the start and the end";
  EXPECT_EQ(a.advice, TimeStepAdvice::Advice::RunEndsEarly);

  EXPECT_EQ(AdviseTimeStep(grid, 10, 1000, endOnly).advice, TimeStepAdvice::Advice::None);
  EXPECT_EQ(AdviseTimeStep(grid, 1e4, 1000, endOnly).advice,
            TimeStepAdvice::Advice::StepLongerThanDiffusion);
  // The first animation time after 0 at 20000 s: the transient is over by then. Marks past
  // the steps typed do not count: the parameters would drop them.
  const NumVector<int> marks = Marks({0, 200, 500, 1000});
  a = AdviseTimeStep(grid, 100, 1000, marks);
  EXPECT_EQ(a.firstSnapshotTime, 20000);
  EXPECT_EQ(a.advice, TimeStepAdvice::Advice::FirstSnapshotLate);
  EXPECT_EQ(AdviseTimeStep(grid, 100, 150, marks).advice, TimeStepAdvice::Advice::None);
  EXPECT_EQ(AdviseTimeStep(grid, 10, 1000, Marks({0, 100, 1000})).advice,
            TimeStepAdvice::Advice::None);

  // A material that does not conduct: heat never spreads through it.
  grid.volume(0, 0).conductivity = 0;
  a = AdviseTimeStep(grid, 10, 1000, endOnly);
  EXPECT_TRUE(std::isinf(a.diffusionTime));
  EXPECT_EQ(a.minFourier, 0);
  EXPECT_EQ(a.advice, TimeStepAdvice::Advice::None);
}

}  // namespace
