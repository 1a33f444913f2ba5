// Runs through the manager: animation times, snapshots, stops and continuations.

#include "sim/manager.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "support.h"

namespace {

// The default problem: a 10 x 10 gold square, West 0, East 1, North and South insulated.
std::unique_ptr<TestProblem> DefaultSquare() {
  auto made = std::make_unique<TestProblem>(
      std::make_unique<CartesianMedia>(1, 1, 10, 10, DefaultMaterial()));
  TestProblem& p = *made;
  p.Temperature(p.west, 0);
  p.Temperature(p.east, 1);
  p.Insulate(p.north);
  p.Insulate(p.south);
  p.tolTime = 1e-5;
  p.tolSpace = 1e-5;
  p.dt = 20;
  p.maxIterTime = 1000;
  p.maxIterSpace = 10000;
  return made;
}

struct StopAt {
  int iteration;
  std::vector<int> stageCodes;
  static bool Callback(Simulator* sim, int32_t code, double, void* data) {
    auto* self = static_cast<StopAt*>(data);
    if (code < 0 && code > -5)
      self->stageCodes.push_back(code);
    return !(code == progress::StepAccepted && sim->Iteration() == self->iteration);
  }
};

TEST(SimManager, SnapshotAtEveryMarkWithRunWideExtremes) {
  auto p = DefaultSquare();
  p->tolTime = 0;  // never steady: every mark is reached
  p->maxIterTime = 40;
  const NumVector<int> marks = Marks({0, 10, 20, 40});
  StopAt never{-1, {}};
  auto manager = p->MakeManager(&marks, &StopAt::Callback, &never);
  ASSERT_EQ(manager->Count(), 1);
  EXPECT_EQ(manager->LastSnapshot().Iteration(), 0);
  EXPECT_TRUE(manager->Run());
  ASSERT_EQ(manager->Count(), 3);
  EXPECT_EQ(manager->Snapshot(1).Iteration(), 10);
  EXPECT_DOUBLE_EQ(manager->Snapshot(1).Time(), 200);
  EXPECT_EQ(manager->Snapshot(2).Iteration(), 20);
  // Mark 40 is the last step: the run completes there and Run does not store it.
  EXPECT_EQ(manager->Sim()->Iteration(), 40);
  EXPECT_EQ(never.stageCodes.back(), progress::RunComplete);
  EXPECT_TRUE(manager->TakeSnapshot());
  EXPECT_EQ(manager->Count(), 4);
  EXPECT_FALSE(manager->TakeSnapshot());

  // Snapshots are copies: they keep their values as the run goes on.
  EXPECT_EQ(manager->Snapshot(0).maxT, 0);
  double minT = 1e9, maxT = -1e9;
  for (int k = 0; k < manager->Count(); ++k) {
    minT = std::min(minT, manager->Snapshot(k).minT);
    maxT = std::max(maxT, manager->Snapshot(k).maxT);
  }
  EXPECT_EQ(manager->minT, minT);
  EXPECT_EQ(manager->maxT, maxT);
  EXPECT_GT(manager->maxT, 0.5);
  EXPECT_LT(manager->maxT, 1);
}

// Marks that repeat a step (or go back) used to end the run at the repeat, as if the user
// had stopped it: Run asked for a step already reached and took "nothing to do" for a stop.
TEST(SimManager, RepeatedMarksNeverEndTheRunEarly) {
  auto p = DefaultSquare();
  p->tolTime = 0;
  p->maxIterTime = 30;
  const NumVector<int> marks = Marks({0, 0, 5, 5, 12, 9, 20, 30});
  auto manager = p->MakeManager(&marks);
  EXPECT_TRUE(manager->Run());
  EXPECT_EQ(manager->Sim()->Iteration(), 30);
  ASSERT_EQ(manager->Count(), 4);
  EXPECT_EQ(manager->Snapshot(1).Iteration(), 5);
  EXPECT_EQ(manager->Snapshot(2).Iteration(), 12);
  EXPECT_EQ(manager->Snapshot(3).Iteration(), 20);
  // Each step is stored once.
  EXPECT_TRUE(manager->TakeSnapshot());
  EXPECT_EQ(manager->LastSnapshot().Iteration(), 30);
}

TEST(SimManager, RunWideExtremesSpanEverySnapshotOfACoolingRun) {
  // Cooling from 2 between walls at 0 and 1: the hottest field is the first one, the
  // coldest and the strongest fluxes come later.
  auto p = DefaultSquare();
  p->initial = 2;
  p->tolTime = 0;
  p->maxIterTime = 60;
  const NumVector<int> marks = Marks({0, 5, 20, 60});
  auto manager = p->MakeManager(&marks);
  manager->Run();
  manager->TakeSnapshot();
  ASSERT_EQ(manager->Count(), 4);
  EXPECT_EQ(manager->maxT, 2);
  EXPECT_LT(manager->LastSnapshot().maxT, 2);

  // Every extreme against a scan of every stored value.
  FieldExtremes scanned{-1e300, 1e300, 1e300, -1e300, 1e300, -1e300, 1e300, -1e300, 1e300, -1e300};
  auto scan = [](const NumMatrix<double>& m, double& lo, double& hi) {
    for (int i = 0; i < m.N(); ++i) {
      for (int j = 0; j < m.M(); ++j) {
        lo = std::min(lo, m[i][j]);
        hi = std::max(hi, m[i][j]);
      }
    }
  };
  for (int k = 0; k < manager->Count(); ++k) {
    const SimSnapshot& s = manager->Snapshot(k);
    scan(s.T, scanned.minT, scanned.maxT);
    scan(s.qx, scanned.minQx, scanned.maxQx);
    scan(s.qy, scanned.minQy, scanned.maxQy);
    scan(s.heatSN, scanned.minHeatSN, scanned.maxHeatSN);
    scan(s.heatWE, scanned.minHeatWE, scanned.maxHeatWE);
  }
  const FieldExtremes& run = *manager;
  EXPECT_EQ(run.maxT, scanned.maxT);
  EXPECT_EQ(run.minT, scanned.minT);
  EXPECT_EQ(run.minQx, scanned.minQx);
  EXPECT_EQ(run.maxQx, scanned.maxQx);
  EXPECT_EQ(run.minQy, scanned.minQy);
  EXPECT_EQ(run.maxQy, scanned.maxQy);
  EXPECT_EQ(run.minHeatSN, scanned.minHeatSN);
  EXPECT_EQ(run.maxHeatSN, scanned.maxHeatSN);
  EXPECT_EQ(run.minHeatWE, scanned.minHeatWE);
  EXPECT_EQ(run.maxHeatWE, scanned.maxHeatWE);
  // Not all from one snapshot, or the test would prove little.
  EXPECT_NE(run.minT, manager->Snapshot(0).minT);
}

TEST(SimManager, SteadyStateBetweenMarksIsCapturedByTakeSnapshot) {
  auto p = DefaultSquare();
  const NumVector<int> marks = Marks({0, 1000});
  auto manager = p->MakeManager(&marks);
  EXPECT_TRUE(manager->Run());
  EXPECT_EQ(manager->Count(), 1);
  const int steady = manager->Sim()->Iteration();
  EXPECT_GT(steady, 1);
  EXPECT_LT(steady, 1000);
  EXPECT_TRUE(manager->TakeSnapshot());
  EXPECT_EQ(manager->LastSnapshot().Iteration(), steady);
  // Steady state of the default problem: linear from 0 to 1 in x.
  for (int i = 0; i < 10; ++i)
    EXPECT_NEAR(manager->LastSnapshot().T[i][5], (i + 0.5) / 10, 1e-3);
}

TEST(SimManager, StopAndContinueReachesTheSameFieldAsAnUninterruptedRun) {
  const NumVector<int> marks = Marks({0, 100, 200, 1000});
  auto p1 = DefaultSquare();
  p1->tolTime = 1e-9;
  auto straight = p1->MakeManager(&marks);
  ASSERT_TRUE(straight->Run());
  straight->TakeSnapshot();

  auto p2 = DefaultSquare();
  p2->tolTime = 1e-9;
  StopAt stop{150, {}};
  auto interrupted = p2->MakeManager(&marks, &StopAt::Callback, &stop);
  EXPECT_FALSE(interrupted->Run());
  EXPECT_EQ(interrupted->Count(), 2);
  EXPECT_EQ(interrupted->LastSnapshot().Iteration(), 100);
  EXPECT_EQ(interrupted->CurMark(), 2);
  EXPECT_EQ(interrupted->Sim()->Iteration(), 150);
  // A preview in between takes a snapshot of the stopped state.
  EXPECT_TRUE(interrupted->TakeSnapshot());
  EXPECT_EQ(interrupted->LastSnapshot().Iteration(), 150);
  ASSERT_TRUE(interrupted->Run());
  ASSERT_GE(interrupted->Count(), 4);
  EXPECT_EQ(interrupted->Snapshot(3).Iteration(), 200);
  interrupted->TakeSnapshot();

  const SimSnapshot& a = straight->LastSnapshot();
  const SimSnapshot& b = interrupted->LastSnapshot();
  EXPECT_EQ(a.Iteration(), b.Iteration());
  for (int i = 0; i < 10; ++i) {
    for (int j = 0; j < 10; ++j) {
      EXPECT_EQ(a.T[i][j], b.T[i][j]);
      EXPECT_EQ(a.qx[i][j], b.qx[i][j]);
    }
  }
}

TEST(SimManager, ListGrowsByTwentyAndSurvivesTheSimulator) {
  auto p = DefaultSquare();
  p->tolTime = 0;
  p->maxIterTime = 30;
  NumVector<int> marks(31);
  for (int k = 0; k <= 30; ++k)
    marks[k] = k;
  auto manager = p->MakeManager(&marks);
  EXPECT_EQ(manager->Capacity(), 20);
  EXPECT_TRUE(manager->Run());
  // Mark 30 completes the run and is left to TakeSnapshot.
  ASSERT_EQ(manager->Count(), 30);
  EXPECT_EQ(manager->Capacity(), 40);
  EXPECT_EQ(manager->Snapshot(20).Iteration(), 20);
  EXPECT_TRUE(manager->ReleaseSimulator());
  EXPECT_EQ(manager->Sim(), nullptr);
  EXPECT_FALSE(manager->Run());
  EXPECT_FALSE(manager->TakeSnapshot());
  EXPECT_EQ(manager->Snapshot(29).Iteration(), 29);
  EXPECT_GT(manager->Snapshot(29).maxT, 0);
}

struct ReleaseInsideRun {
  SimManager* manager = nullptr;
  bool refused = false;
  static bool Callback(Simulator*, int32_t code, double, void* data) {
    auto* self = static_cast<ReleaseInsideRun*>(data);
    if (code == progress::StepAccepted && self->manager) {
      self->refused = !self->manager->ReleaseSimulator();
      self->manager = nullptr;
    }
    return true;
  }
};

TEST(SimManager, SimulatorCannotBeReleasedFromInsideItsRun) {
  auto p = DefaultSquare();
  const NumVector<int> marks = Marks({0, 1000});
  ReleaseInsideRun probe;
  auto manager = p->MakeManager(&marks, &ReleaseInsideRun::Callback, &probe);
  probe.manager = manager.get();
  EXPECT_TRUE(manager->Run());
  EXPECT_TRUE(probe.refused);
  EXPECT_NE(manager->Sim(), nullptr);
}

TEST(SimManager, ContinuationFromAStoredField) {
  // A new run started from the last results begins at time 0 from their temperatures.
  auto p = DefaultSquare();
  const NumVector<int> marks = Marks({0, 1000});
  auto first = p->MakeManager(&marks);
  ASSERT_TRUE(first->Run());
  first->TakeSnapshot();
  auto second = std::make_unique<SimManager>(
      p->media.get(), &p->north, &p->south, &p->east, &p->west, p->tolTime, p->tolSpace,
      p->maxIterTime, p->maxIterSpace, p->dt, first->LastSnapshot().T, nullptr, nullptr, &marks);
  EXPECT_EQ(second->LastSnapshot().Time(), 0);
  EXPECT_EQ(second->LastSnapshot().T[3][3], first->LastSnapshot().T[3][3]);
  EXPECT_TRUE(second->Run());
  EXPECT_LT(second->Sim()->Iteration(), first->Sim()->Iteration());
}

#if !defined(__SANITIZE_ADDRESS__)
// The address space the process holds now, as the system counts it against its limit.
uint64_t AddressSpaceBytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0;
  statm >> pages;
  return pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}
#endif

// A run whose snapshots outgrow the memory stops as a failed run that says why, keeping the
// snapshots it stored, instead of ending the program. In a child process with a limit on its
// memory, where allocations fail as on a full machine.
TEST(SimManager, RunOutOfMemoryStopsAndKeepsItsSnapshots) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves far more address space than any limit allows";
#else
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    auto p = DefaultSquare();
    p->media = std::make_unique<CartesianMedia>(1, 1.5, 100, 90, DefaultMaterial());
    p->tolTime = 0;
    p->dt = 1;
    p->maxIterTime = 4000;
    NumVector<int> marks(4001);
    for (int k = 0; k <= 4000; ++k)
      marks[k] = k;
    auto manager = p->MakeManager(&marks);
    // Room for about a hundred snapshots of 360 kB.
    const uint64_t room = AddressSpaceBytes() + (40u << 20);
    const struct rlimit limit { room, room };
    if (setrlimit(RLIMIT_AS, &limit) != 0)
      _exit(100);
    // Snapshot k is step k, the last one whole; the simulator is a step on, that step done.
    const bool complete = manager->Run();
    const SimSnapshot& last = manager->LastSnapshot();
    const int faults = (complete ? 1 : 0) |
                       (manager->Failure() != StepFailure::OutOfMemory ? 2 : 0) |
                       (manager->Count() < 20 || manager->Count() > 1000 ? 4 : 0) |
                       (last.Iteration() != manager->Count() - 1 || last.T.N() != 100 ? 8 : 0) |
                       (manager->Sim()->Iteration() != last.Iteration() + 1 ? 16 : 0);
    _exit(faults);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "bit set for each fault";
#endif
}

}  // namespace
