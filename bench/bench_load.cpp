// The direct solver on a busy machine: the default problem refined to n x n volumes, run
// with the direct solver to its steady state (the run's own steady-state test, as the
// program runs it), timed four ways in one go:
//
//   quiet, two threads    as shipped
//   quiet, one thread     the worker disabled (DirectSolver::SetThreadLimit(1))
//   loaded, two threads   with two busy processes, started by this program for the run
//   loaded, one thread    the same load, the worker disabled
//
// and, beside them, the steady field in one solve (the run mode "Steady state"), quiet. The
// goals: loaded, two threads never slower than 1.1 x one thread at every size; quiet, two
// threads at least 1.5 x faster than one at 200 x 200.
//
// Each run is a child process of its own, the cases interleaved and repeated so that a
// passing burst of other work spreads over all of them; the table gives the median wall-clock
// time of each, with the machine's load average before and after.
//
//   build/bench/bench_load              50, 200 and 500 a side, three repeats
//   build/bench/bench_load --repeat 5   more repeats
//   build/bench/bench_load --sizes 50,200

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/inchild.h"
#include "sim/directsolver.h"
#include "sim/manager.h"
#include "sim/problem.h"

namespace {

enum class Way { QuietTwo, QuietOne, LoadedTwo, LoadedOne, Steady };
constexpr Way kWays[] = {Way::QuietTwo, Way::QuietOne, Way::LoadedTwo, Way::LoadedOne, Way::Steady};

struct Outcome {
  double wall = 0;
  double west = 0;  // heat rate out through West, W/m
  int32_t steps = 0;
  bool complete = false;
};

double WestOutflow(const SimSnapshot& s) {
  double west = 0;
  for (int32_t j = 0; j < s.heatWE.M(); ++j)
    west += s.heatWE[0][j];
  return west;
}

Outcome RunDefault(int n, RunMode mode) {
  ProblemRecord p;
  p.media = std::make_unique<CartesianMedia>(1, 1, n, n, DefaultMaterial());
  p.solver = SolverKind::Direct;
  NumMatrix<double> start(n, n);
  start.SetAll(p.initialTemp);
  Outcome outcome;
  const auto began = std::chrono::steady_clock::now();
  SimManager run(p.media.get(), p.northFace.get(), p.southFace.get(), p.eastFace.get(),
                 p.westFace.get(), p.tolTime, p.tolSpace, p.maxIterTime, p.maxIterSpace, p.dt,
                 start, nullptr, nullptr, p._marks.get(), p.solver, mode);
  outcome.complete = run.Run();
  run.TakeSnapshot();
  outcome.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  outcome.steps = run.LastSnapshot().Iteration();
  outcome.west = WestOutflow(run.LastSnapshot());
  return outcome;
}

// Two processes that do nothing but count, as another program would keep both processors
// busy; they live from the constructor to the destructor.
class BusyProcesses {
 public:
  BusyProcesses() {
    for (pid_t& pid : pids) {
      pid = fork();
      if (pid == 0) {
        volatile unsigned long count = 0;
        for (;;)
          count = count + 1;
      }
    }
    // Let the scheduler see them before the run starts.
    usleep(50000);
  }
  ~BusyProcesses() {
    for (pid_t pid : pids) {
      if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  }
  BusyProcesses(const BusyProcesses&) = delete;
  BusyProcesses& operator=(const BusyProcesses&) = delete;

 private:
  pid_t pids[2] = {0, 0};
};

bool Measure(int n, Way way, Outcome& outcome) {
  const bool oneThread = way == Way::QuietOne || way == Way::LoadedOne;
  const bool loaded = way == Way::LoadedTwo || way == Way::LoadedOne;
  const RunMode mode = way == Way::Steady ? RunMode::Steady : RunMode::Transient;
  const auto work = [&] {
    if (oneThread)
      DirectSolver::SetThreadLimit(1);
    return RunDefault(n, mode);
  };
  if (loaded) {
    BusyProcesses busy;
    return InChild(work, outcome);
  }
  return InChild(work, outcome);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 == 1 ? v[m] : (v[m - 1] + v[m]) / 2;
}

std::string Load() {
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) != 3)
    return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f, %.2f, %.2f", load[0], load[1], load[2]);
  return text;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, s < 0.1 ? "%.3f s" : s < 10 ? "%.2f s" : "%.1f s", s);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  std::vector<int> sizes = {50, 200, 500};
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--repeat") == 0 && k + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++k]));
    } else if (std::strcmp(argv[k], "--sizes") == 0 && k + 1 < argc) {
      sizes.clear();
      for (const char* s = argv[++k]; *s != '\0';) {
        sizes.push_back(std::atoi(s));
        const char* comma = std::strchr(s, ',');
        s = comma ? comma + 1 : s + std::strlen(s);
      }
    } else {
      std::fprintf(stderr, "usage: %s [--repeat N] [--sizes 50,200,500]\n", argv[0]);
      return 2;
    }
  }

  std::printf("Load average (1, 5, 15 min) before: %s\n", Load().c_str());
  std::fflush(stdout);
  std::map<std::pair<int, Way>, std::vector<double>> times;
  std::map<std::pair<int, Way>, Outcome> last;
  for (int r = 0; r < repeat; ++r) {
    for (int n : sizes) {
      for (Way way : kWays) {
        Outcome outcome;
        if (!Measure(n, way, outcome) || !outcome.complete) {
          std::fprintf(stderr, "the run at %d x %d failed\n", n, n);
          return 1;
        }
        times[{n, way}].push_back(outcome.wall);
        last[{n, way}] = outcome;
      }
    }
    std::fprintf(stderr, "repeat %d of %d done\n", r + 1, repeat);
  }
  std::printf("Load average (1, 5, 15 min) after:  %s\n\n", Load().c_str());

  std::printf(
      "Median wall-clock time of %d runs each, to the steady state (loaded: two busy processes "
      "running).\n\n",
      repeat);
  std::printf(
      "| Volumes | Steps | Quiet, 2 threads | Quiet, 1 thread | Gain | Loaded, 2 threads | "
      "Loaded, 1 thread | Loaded 2 / 1 | Steady state, one solve |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  bool loadGoal = true;
  bool quietGoal = true;
  for (int n : sizes) {
    const double q2 = Median(times[{n, Way::QuietTwo}]);
    const double q1 = Median(times[{n, Way::QuietOne}]);
    const double l2 = Median(times[{n, Way::LoadedTwo}]);
    const double l1 = Median(times[{n, Way::LoadedOne}]);
    const double steady = Median(times[{n, Way::Steady}]);
    std::printf("| %d x %d | %d | %s | %s | %.2f x | %s | %s | %.2f | %s |\n", n, n,
                last[{n, Way::QuietTwo}].steps, Seconds(q2).c_str(), Seconds(q1).c_str(), q1 / q2,
                Seconds(l2).c_str(), Seconds(l1).c_str(), l2 / l1, Seconds(steady).c_str());
    loadGoal = loadGoal && l2 <= 1.1 * l1;
    if (n == 200)
      quietGoal = q1 / q2 >= 1.5;
  }
  std::printf("\nHeat rate out through West (exact: 317 W/m):");
  for (int n : sizes) {
    std::printf(" %d x %d: transient %.6f, steady %.6f;", n, n, last[{n, Way::QuietTwo}].west,
                last[{n, Way::Steady}].west);
  }
  std::printf(
      "\nGoals: loaded, 2 threads <= 1.1 x 1 thread at every size: %s; quiet gain at "
      "200 x 200 >= 1.5: %s\n",
      loadGoal ? "met" : "NOT met",
      std::find(sizes.begin(), sizes.end(), 200) == sizes.end() ? "not measured"
      : quietGoal                                               ? "met"
                                                                : "NOT met");
  return 0;
}
