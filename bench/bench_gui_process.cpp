// What the run dialog adds to a run: the progress callback, label updates, graph repaints
// and event processing, measured against the same run without any window. Headless and
// dialog runs alternate, so a busy machine slows both alike.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_gui_process --benchmark_counters_tabular=true
//
// Times are this thread's CPU time. overhead_pct is (dialog - headless) / headless over all
// iterations; the goal is under 20 on the 100 x 100 grid.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <ctime>
#include <memory>

#include "gui/dialogs/Process.h"
#include "sim/problem.h"

namespace {

class BenchTarget : public RunTarget {
 public:
  explicit BenchTarget(int n) {
    if (n != problem.media->ni)
      problem.media = std::make_unique<CartesianMedia>(1.0, 1.0, n, n, DefaultMaterial());
  }
  ProblemRecord& Problem() override { return problem; }
  const SimManager* Results() const override { return results.get(); }
  bool SetManager(SimManager* manager) override {
    if (manager != results.get())
      results.reset(manager);
    return true;
  }

  ProblemRecord problem;
  std::unique_ptr<SimManager> results;
};

// CPU time of this thread: the run and everything the dialog does happen on it, and time
// the machine gives to other work does not count.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

int HeadlessRun(ProblemRecord& p) {
  NumMatrix<double> start(p.media->ni, p.media->nj);
  start.SetAll(p.initialTemp);
  SimManager manager(p.media.get(), p.northFace.get(), p.southFace.get(), p.eastFace.get(),
                     p.westFace.get(), p.tolTime, p.tolSpace, p.maxIterTime, p.maxIterSpace, p.dt,
                     start, nullptr, nullptr, p._marks.get());
  manager.Run();
  manager.TakeSnapshot();
  return manager.LastSnapshot().Iteration();
}

// The whole showing as the user has it: shown, Run clicked, Finish clicked. The second
// argument is the dialog's event interval in ms; 0 processes events at every counter
// update, which shows what the interval saves.
void DialogOverhead(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  BenchTarget target(n);
  TProcessDlg dlg(target);
  dlg.pumpIntervalMs = static_cast<int>(state.range(1));
  double headless = 0, dialog = 0;
  int steps = 0;
  bool headlessFirst = true;
  for (auto _ : state) {
    double t0 = 0, t1 = 0;
    if (headlessFirst) {
      t0 = ThreadSeconds();
      steps = HeadlessRun(target.problem);
      headless += ThreadSeconds() - t0;
    }
    t1 = ThreadSeconds();
    dlg.show();
    dlg.Run->click();
    dlg.Finish->click();
    const double shown = ThreadSeconds() - t1;
    dialog += shown;
    state.SetIterationTime(shown);
    if (!headlessFirst) {
      t0 = ThreadSeconds();
      steps = HeadlessRun(target.problem);
      headless += ThreadSeconds() - t0;
    }
    // Taking turns, so that neither side always runs on a warm cache or a cooler core.
    headlessFirst = !headlessFirst;
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["headless_ms"] = 1e3 * headless / runs;
  state.counters["dialog_ms"] = 1e3 * dialog / runs;
  state.counters["overhead_pct"] = 100 * (dialog - headless) / headless;
  state.counters["steps"] = steps;
  state.SetLabel(n == 10 ? "default problem" : "default sides on a 100 x 100 grid");
}
BENCHMARK(DialogOverhead)
    ->Args({10, 10})
    ->Args({10, 0})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DialogOverhead)
    ->Args({100, 10})
    ->Args({100, 0})
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
