// Speed of the field plot: a whole off-screen repaint at the benchmark's drawing area of
// 640 x 400, as every animation frame and every change of view makes one, for a plate of
// 100 x 100 and 500 x 500 volumes and a 500 x 500 plate with a semicircular hole. A frame
// must fit inside the 100 ms playback tick: `ticks` is the processor time of one repaint
// over 100 ms, which a shared machine's load does not inflate as it does the wall time.
// The band loop written out plainly, every band over every volume, is measured beside it
// as the reference.
//
//   build/bench/bench_gui_fieldplot --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <memory>

#include "gui/platform/surface.h"
#include "gui/plot/fieldplot.h"
#include "gui/plot/rcanvas.h"
#include "sim/face.h"
#include "sim/fheat.h"
#include "sim/geometry.h"
#include "sim/manager.h"
#include "sim/media.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;
constexpr double kTickSeconds = 0.1;

enum GridKind : int { kPlate = 0, kHoledPlate = 1 };

// A plate holding one snapshot of a field given in closed form, so that even the largest
// grid is ready in a moment: warm in the North-East corner, with isotherms that curve
// across the whole grid, and a few volumes of a second material that generate heat. The
// manager is built but not run; its first snapshot carries the fluxes of the field.
struct FieldOnPlate {
  std::unique_ptr<Media> media;
  FConstant zero{0};
  Face north, south, east, west;
  NumVector<int> marks{2};
  std::unique_ptr<SimManager> manager;

  FieldOnPlate(GridKind kind, int n) {
    if (kind == kPlate)
      media = std::make_unique<CartesianMedia>(1, 1, n, n, DefaultMaterial());
    else
      media = std::make_unique<MixedMedia>(1, 1, 0.5, 0.25, n, n, DefaultMaterial());
    for (Face* face : {&north, &south, &east, &west})
      face->Insert(Segment{0, 1, new FFlux(&zero)});
    marks[0] = 0;
    marks[1] = 1;
    NumMatrix<double> start(n, n);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        const Point c = GeometryOf(*media, i, j).centre;
        start[i][j] = 2 * c.x * c.y + std::sin(3 * c.x) * std::cos(2 * c.y);
        if (std::abs(c.x - 0.7) < 0.1 && std::abs(c.y - 0.3) < 0.1)
          media->volume(i, j) = VolumeProperties{50, 7800, 460, 1e5};
      }
    }
    manager = std::make_unique<SimManager>(media.get(), &north, &south, &east, &west, 1e-6, 1e-6, 1,
                                           1, 1, start, nullptr, nullptr, &marks);
    manager->ReleaseSimulator();
  }
};

const FieldOnPlate& Plate(GridKind kind, int n) {
  static std::map<std::pair<int, int>, std::unique_ptr<FieldOnPlate>> plates;
  std::unique_ptr<FieldOnPlate>& plate = plates[{kind, n}];
  if (!plate)
    plate = std::make_unique<FieldOnPlate>(kind, n);
  return *plate;
}

QFont PlotFont() {
  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  font.setPixelSize(15);
  return font;
}

// The state the main window would hold with the run's results, fitted to the drawing area.
FieldPlotState PlotState(const FieldOnPlate& plate, ViewMode mode, int nLines, bool vectors) {
  FieldPlotState state;
  state.media = plate.media.get();
  state.manager = plate.manager.get();
  state.curSnapshot = plate.manager->Count() - 1;
  state.viewMode = mode;
  state.nLines = nLines;
  state.vectors = vectors;
  state.vectorSize = 10;
  ComputeBounds(*state.media, state.boundsMin, state.boundsMax, state.cellSize);
  // A square box in a wide area: the height limits the scale, the slack is split sideways.
  const int left = static_cast<int>(((kWidth - 1) - (kHeight - 1)) * 0.5);
  state.viewport = PixelRect{left, 0, kWidth - 1 - left, kHeight - 1};
  const SimManager& m = *plate.manager;
  state.fluxScale = std::sqrt(2.0) * std::max({std::abs(m.minQx), std::abs(m.maxQx),
                                               std::abs(m.minQy), std::abs(m.maxQy)});
  return state;
}

// Arguments: grid kind, volumes a side, levels.
void Render(benchmark::State& bench, ViewMode mode, bool vectors) {
  const auto kind = static_cast<GridKind>(bench.range(0));
  const int n = static_cast<int>(bench.range(1));
  const int nLines = static_cast<int>(bench.range(2));
  const FieldPlotState state = PlotState(Plate(kind, n), mode, nLines, vectors);
  const QFont font = PlotFont();
  double seconds = 0;
  for (auto _ : bench) {
    const std::clock_t start = std::clock();
    QImage image = RenderFieldPlot(state, QSize(kWidth, kHeight), font);
    benchmark::DoNotOptimize(image.constBits());
    seconds += static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  }
  bench.counters["n"] = n;
  bench.counters["nLines"] = nLines;
  bench.counters["ticks"] = seconds / static_cast<double>(bench.iterations()) / kTickSeconds;
}

void Temperature(benchmark::State& bench) {
  Render(bench, ViewMode::Temperature, false);
}
void Isotherms(benchmark::State& bench) {
  Render(bench, ViewMode::Isotherms, false);
}
void TemperatureWithVectors(benchmark::State& bench) {
  Render(bench, ViewMode::Temperature, true);
}
void MediaView(benchmark::State& bench) {
  Render(bench, ViewMode::Media, false);
}

// Every band over every volume, the loop as first written: the reference for the plot's own.
void TemperatureEveryBandEveryVolume(benchmark::State& bench) {
  const int nLines = static_cast<int>(bench.range(0));
  const FieldPlotState state = PlotState(Plate(kPlate, 100), ViewMode::Temperature, nLines, false);
  const Media& media = *state.media;
  const SimManager& m = *state.manager;
  const SimSnapshot& s = m.Snapshot(state.curSnapshot);
  for (auto _ : bench) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
      Surface surface(&image);
      surface.SetPenWidth(0);
      RCanvas canvas(surface, state.viewport, state.boundsMin, state.boundsMax, 4);
      const double delta = m.maxT - m.minT;
      for (int k = 0; k <= nLines - 2; ++k) {
        const double lo = k * (delta / (nLines - 1)) + m.minT;
        const double hi = delta / (nLines - 1) + lo;
        const QColor colour = TemperatureColor(((lo + hi) / 2 - m.minT) / delta, 0.5);
        for (int j = 0; j < media.nj; ++j) {
          for (int i = 0; i < media.ni; ++i) {
            const Quad quad{media.node(i + 1, j + 1), media.node(i, j + 1), media.node(i, j),
                            media.node(i + 1, j)};
            const QuadValues values{static_cast<float>(VertexTemperature(s, i + 1, j + 1)),
                                    static_cast<float>(VertexTemperature(s, i, j + 1)),
                                    static_cast<float>(VertexTemperature(s, i, j)),
                                    static_cast<float>(VertexTemperature(s, i + 1, j))};
            canvas.FillBand(quad, values, static_cast<float>(lo), static_cast<float>(hi), colour);
          }
        }
      }
    }
    benchmark::DoNotOptimize(image.constBits());
  }
  bench.counters["nLines"] = nLines;
}

// Grid kind, volumes a side and levels of every view the table of the README shows.
void Grids(benchmark::internal::Benchmark* b, std::initializer_list<int> levels) {
  for (int nLines : levels) {
    b->Args({kPlate, 100, nLines});
    b->Args({kPlate, 500, nLines});
    b->Args({kHoledPlate, 500, nLines});
  }
}

BENCHMARK(Temperature)->Apply([](auto* b) {
                        Grids(b, {20, 100});
                      }) -> Unit(benchmark::kMillisecond);
BENCHMARK(Isotherms)->Apply([](auto* b) { Grids(b, {100}); }) -> Unit(benchmark::kMillisecond);
BENCHMARK(TemperatureWithVectors)
    ->Apply([](auto* b) { Grids(b, {100}); }) -> Unit(benchmark::kMillisecond);
BENCHMARK(MediaView)->Apply([](auto* b) { Grids(b, {20}); }) -> Unit(benchmark::kMillisecond);
BENCHMARK(TemperatureEveryBandEveryVolume)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Painting text and images needs a GUI application, but no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
