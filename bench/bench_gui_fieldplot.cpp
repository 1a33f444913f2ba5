// Speed of the field plot: a whole off-screen repaint of a solved 100 x 100 grid at the
// drawing area's default size, as every animation frame and every change of view makes
// one. A frame must fit well inside the 100 ms playback tick. The band loop written out
// plainly, every band over every volume, is measured beside it as the reference.
//
//   build/bench/bench_gui_fieldplot --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
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

// A square plate, West at 0, East at 1, North at 2, South insulated, run in one long step
// to its steady state: isotherms curve across the whole grid instead of running straight.
struct SolvedPlate {
  std::unique_ptr<Media> media;
  FConstant zero{0}, one{1}, two{2};
  Face north, south, east, west;
  NumVector<int> marks{2};
  std::unique_ptr<SimManager> manager;

  explicit SolvedPlate(int n) {
    media = std::make_unique<CartesianMedia>(1, 1, n, n, DefaultMaterial());
    north.Insert(Segment{0, 1, new FTemperature(&two)});
    south.Insert(Segment{0, 1, new FFlux(&zero)});
    east.Insert(Segment{0, 1, new FTemperature(&one)});
    west.Insert(Segment{0, 1, new FTemperature(&zero)});
    marks[0] = 0;
    marks[1] = 1;
    NumMatrix<double> start(n, n);
    start.SetAll(0);
    manager = std::make_unique<SimManager>(media.get(), &north, &south, &east, &west, 1e-12, 1e-6,
                                           1, 1000000, 1e9, start, nullptr, nullptr, &marks);
    manager->Run();
    manager->TakeSnapshot();
    manager->ReleaseSimulator();
  }
};

const SolvedPlate& Plate() {
  static const SolvedPlate plate(100);
  return plate;
}

QFont PlotFont() {
  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  font.setPixelSize(15);
  return font;
}

// The state the main window would hold after the run, fitted to the drawing area.
FieldPlotState PlotState(ViewMode mode, int nLines, bool vectors) {
  const SolvedPlate& plate = Plate();
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

void Render(benchmark::State& bench, ViewMode mode, bool vectors) {
  const int nLines = static_cast<int>(bench.range(0));
  const FieldPlotState state = PlotState(mode, nLines, vectors);
  const QFont font = PlotFont();
  for (auto _ : bench) {
    QImage image = RenderFieldPlot(state, QSize(kWidth, kHeight), font);
    benchmark::DoNotOptimize(image.constBits());
  }
  bench.counters["nLines"] = nLines;
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
  const FieldPlotState state = PlotState(ViewMode::Temperature, nLines, false);
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

BENCHMARK(Temperature)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(TemperatureEveryBandEveryVolume)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(Isotherms)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(TemperatureWithVectors)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(MediaView)->Arg(20)->Unit(benchmark::kMillisecond);

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
