// Speed of the solver: one Gauss-Seidel sweep of the simulator against the same sweep
// written as a plain loop over contiguous arrays (the floor this machine allows), and the
// whole run of the default problem.
//
//   build/bench/bench_solver --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "sim/manager.h"
#include "sim/problem.h"

namespace {
std::atomic<long> allocations{0};
}

// Counts every allocation so the benchmark can show that a sweep makes none.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

// Seconds per volume per sweep (shown with an SI prefix: 10n is 10 ns).
benchmark::Counter PerVolume(int n) {
  return benchmark::Counter(
      static_cast<double>(n) * n,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::unique_ptr<Media> MakeGrid(bool mixed, int n) {
  if (mixed)
    return std::make_unique<MixedMedia>(1, 1, 0.5, 0.25, n, n, DefaultMaterial());
  return std::make_unique<CartesianMedia>(1, 1, n, n, DefaultMaterial());
}

// The default problem's sides on a grid of the given kind and size, with a simulator that
// stops after exactly one sweep per Solve.
struct SweepSetup {
  ProblemRecord problem;
  std::unique_ptr<Simulator> sim;
  SweepSetup(bool mixed, int n) {
    problem.media = MakeGrid(mixed, n);
    NumMatrix<double> start(n, n);
    start.SetAll(0);
    sim = std::make_unique<Simulator>(
        problem.media.get(), problem.northFace.get(), problem.southFace.get(),
        problem.eastFace.get(), problem.westFace.get(), 0, 0, 1000, 1, 20, start, nullptr, nullptr);
  }
};

void SimulatorSweep(benchmark::State& state) {
  const bool mixed = state.range(0) != 0;
  const int n = static_cast<int>(state.range(1));
  SweepSetup setup(mixed, n);
  // Allocations are counted over sweeps of their own, so the framework's are not included.
  const long allocationsBefore = allocations.load();
  for (int k = 0; k < 100; ++k)
    setup.sim->Solve();
  const double allocationsPerSweep = (allocations.load() - allocationsBefore) / 100.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(setup.sim->Solve());
  }
  state.counters["per_volume"] = PerVolume(n);
  state.counters["allocs_per_sweep"] = allocationsPerSweep;
  state.SetLabel(mixed ? "mixed" : "cartesian");
}

// The same sweep over contiguous arrays indexed [I * nj + J], with the same visiting order,
// the same terms added in the same order, and the same convergence bookkeeping.
struct FlatSystem {
  int ni, nj;
  std::vector<double> t, b, aP, aN, aS, aW, aE, aNW, aNE, aSW, aSE;
  explicit FlatSystem(const Simulator& s) : ni(s.media->ni), nj(s.media->nj) {
    for (auto [to, from] : {std::pair{&t, &s.T},
                            {&b, &s.b},
                            {&aP, &s.aP},
                            {&aN, &s.aN},
                            {&aS, &s.aS},
                            {&aW, &s.aW},
                            {&aE, &s.aE},
                            {&aNW, &s.aNW},
                            {&aNE, &s.aNE},
                            {&aSW, &s.aSW},
                            {&aSE, &s.aSE}}) {
      to->resize(static_cast<std::size_t>(ni) * nj);
      for (int i = 0; i < ni; ++i) {
        for (int j = 0; j < nj; ++j)
          (*to)[i * nj + j] = (*from)[i][j];
      }
    }
  }
  template <bool hasN, bool hasS, bool hasW, bool hasE>
  void Relax(int p, double& maxChange, double& lo, double& hi) {
    double* T = t.data();
    double sum = b[p];
    if (hasN) {
      sum += aN[p] * T[p + 1];
      if (hasW)
        sum += aNW[p] * T[p - nj + 1];
      if (hasE)
        sum += aNE[p] * T[p + nj + 1];
    }
    if (hasS) {
      sum += aS[p] * T[p - 1];
      if (hasW)
        sum += aSW[p] * T[p - nj - 1];
      if (hasE)
        sum += aSE[p] * T[p + nj - 1];
    }
    if (hasW)
      sum += aW[p] * T[p - nj];
    if (hasE)
      sum += aE[p] * T[p + nj];
    const double value = sum / aP[p];
    const double change = std::fabs(T[p] - value);
    if (change > maxChange)
      maxChange = change;
    if (value < lo)
      lo = value;
    if (value > hi)
      hi = value;
    T[p] = value;
  }
  template <bool hasN, bool hasS>
  void Row(int J, double& maxChange, double& lo, double& hi) {
    Relax<hasN, hasS, false, true>(J, maxChange, lo, hi);
    for (int I = 1; I < ni - 1; ++I)
      Relax<hasN, hasS, true, true>(I * nj + J, maxChange, lo, hi);
    Relax<hasN, hasS, true, false>((ni - 1) * nj + J, maxChange, lo, hi);
  }
  double Sweep() {
    double maxChange = 0, lo = 1.7976931348623157e308, hi = -1.7976931348623157e308;
    Row<true, false>(0, maxChange, lo, hi);
    for (int J = 1; J < nj - 1; ++J)
      Row<true, true>(J, maxChange, lo, hi);
    Row<false, true>(nj - 1, maxChange, lo, hi);
    return maxChange / (hi - lo);
  }
};

void FlatSweepFloor(benchmark::State& state) {
  const bool mixed = state.range(0) != 0;
  const int n = static_cast<int>(state.range(1));
  SweepSetup setup(mixed, n);
  FlatSystem flat(*setup.sim);
  for (auto _ : state) {
    benchmark::DoNotOptimize(flat.Sweep());
  }
  state.counters["per_volume"] = PerVolume(n);
  state.SetLabel(mixed ? "mixed" : "cartesian");
}

void SweepSizes(benchmark::internal::Benchmark* b) {
  for (int mixed : {0, 1}) {
    for (int n : {10, 50, 100, 200})
      b->Args({mixed, n});
  }
}

BENCHMARK(SimulatorSweep)->Apply(SweepSizes);
BENCHMARK(FlatSweepFloor)->Apply(SweepSizes);

// The default problem run as the program runs it, without a progress callback.
void DefaultProblemRun(benchmark::State& state) {
  for (auto _ : state) {
    ProblemRecord problem;
    NumMatrix<double> start(problem.media->ni, problem.media->nj);
    start.SetAll(problem.initialTemp);
    SimManager manager(problem.media.get(), problem.northFace.get(), problem.southFace.get(),
                       problem.eastFace.get(), problem.westFace.get(), problem.tolTime,
                       problem.tolSpace, problem.maxIterTime, problem.maxIterSpace, problem.dt,
                       start, nullptr, nullptr, problem._marks.get());
    benchmark::DoNotOptimize(manager.Run());
    manager.TakeSnapshot();
    state.counters["steps"] = manager.LastSnapshot().Iteration();
  }
  state.SetLabel("10 x 10 gold, West 0, East 1, 1000 steps of 20 s");
}
BENCHMARK(DefaultProblemRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
