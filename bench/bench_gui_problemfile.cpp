// Speed of writing and reading a problem file whose every volume has a material of its own
// (a student painting a gradient, or a file made by a script), for n x n volumes from 50 to
// 500. Both must grow with the number of volumes and no faster: `per_volume` should stay
// level down each column. The largest case is the largest problem a file may hold.
//
//   build/bench/bench_gui_problemfile --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <memory>

#include "gui/document/problemfile.h"
#include "sim/media.h"
#include "sim/problem.h"

namespace {

std::unique_ptr<ProblemRecord> Painted(int n) {
  auto p = std::make_unique<ProblemRecord>();
  p->media = std::make_unique<CartesianMedia>(1, 1, n, n, DefaultMaterial());
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const double k = 1 + (j * n + i) * 1e-7;
      p->media->volume(i, j) = VolumeProperties{317 * k, 19300 * k, 129 * k, 1000 * k};
    }
  }
  return p;
}

void Counters(benchmark::State& state, int n) {
  state.counters["volumes"] = static_cast<double>(n) * n;
  state.counters["per_volume"] =
      benchmark::Counter(static_cast<double>(n) * n, benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void Serialize(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto p = Painted(n);
  for (auto _ : state)
    benchmark::DoNotOptimize(problemfile::Serialize(*p));
  Counters(state, n);
}

void Parse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const QByteArray bytes = problemfile::Serialize(*Painted(n));
  for (auto _ : state)
    benchmark::DoNotOptimize(problemfile::Parse(bytes));
  Counters(state, n);
}

BENCHMARK(Serialize)->Arg(50)->Arg(100)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(Parse)->Arg(50)->Arg(100)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
