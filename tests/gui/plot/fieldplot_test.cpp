// The field plot, painted into images: colours, the four views, vectors and the side
// highlight, checked pixel by pixel against where the physics and the grid put them.

#include "gui/plot/fieldplot.h"
#include "sim/geometry.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "gui/platform/surface.h"
#include "gui/plot/rcanvas.h"
#include "gui/plot/volumeraster.h"
#include "sim/manager.h"
#include "sim/problem.h"
#include "tests/gui/support.h"
#include "tests/sim/support.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kCyan = qRgb(0, 255, 255);
const QRgb kMagenta = qRgb(255, 0, 255);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kSilver = qRgb(192, 192, 192);

QFont PlotFont() {
  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  font.setPixelSize(15);
  return font;
}

// A run that holds a single snapshot of a given field on an insulated grid, with the
// fluxes that field implies.
struct GivenField {
  TestProblem problem;
  NumVector<int> marks = Marks({0, 1});
  std::unique_ptr<SimManager> manager;

  GivenField(std::unique_ptr<Media> media, const std::function<double(int, int)>& t)
      : problem(std::move(media)) {
    problem.Insulate(problem.north);
    problem.Insulate(problem.south);
    problem.Insulate(problem.east);
    problem.Insulate(problem.west);
    problem.maxIterTime = 1;
    NumMatrix<double> start(problem.media->ni, problem.media->nj);
    for (int i = 0; i < problem.media->ni; ++i) {
      for (int j = 0; j < problem.media->nj; ++j)
        start[i][j] = t(i, j);
    }
    manager = std::make_unique<SimManager>(
        problem.media.get(), &problem.north, &problem.south, &problem.east, &problem.west,
        problem.tolTime, problem.tolSpace, problem.maxIterTime, problem.maxIterSpace, problem.dt,
        start, nullptr, nullptr, &marks);
  }
};

// The plot of a grid filling a viewport of the given size, with the run's last snapshot
// and the flux scale SetManager would choose.
FieldPlotState StateFor(const Media& media, const SimManager* manager, ViewMode mode,
                        PixelRect viewport = PixelRect{0, 0, 408, 408}) {
  FieldPlotState state;
  state.media = &media;
  state.manager = manager;
  state.viewMode = mode;
  state.viewport = viewport;
  ComputeBounds(media, state.boundsMin, state.boundsMax, state.cellSize);
  if (manager) {
    state.curSnapshot = manager->Count() - 1;
    const double m = std::max({std::abs(manager->minQx), std::abs(manager->maxQx),
                               std::abs(manager->minQy), std::abs(manager->maxQy)});
    state.fluxScale = std::sqrt(2.0) * m;
  }
  return state;
}

QImage Render(const FieldPlotState& state) {
  return RenderFieldPlot(state, QSize(state.viewport.right, state.viewport.bottom), PlotFont());
}

// World to pixel exactly as the plot maps it.
struct Mapping {
  QImage scratch{1, 1, QImage::Format_RGB32};
  Surface surface{&scratch};
  RCanvas canvas;
  explicit Mapping(const FieldPlotState& state)
      : canvas(surface, state.viewport, state.boundsMin, state.boundsMax, 4) {}
  int X(double x) const { return canvas.MapX(x); }
  int Y(double y) const { return canvas.MapY(y); }
};

QRgb PixelAt(const QImage& image, const Mapping& map, double x, double y) {
  return image.pixel(map.X(x), map.Y(y));
}

QRgb Ramp(double rate, double brightness = 0.5) {
  return TemperatureColor(rate, brightness).rgb();
}

TEST(TemperatureColor, RampRunsThroughTheFivePureColours) {
  EXPECT_EQ(Ramp(0), kBlue);
  EXPECT_EQ(Ramp(0.25), kCyan);
  EXPECT_EQ(Ramp(0.5), kGreen);
  EXPECT_EQ(Ramp(0.75), kYellow);
  EXPECT_EQ(Ramp(1), kRed);
  // Between them one component moves linearly and truncates.
  EXPECT_EQ(Ramp(0.125), qRgb(0, 127, 255));
  EXPECT_EQ(Ramp(0.375), qRgb(0, 255, 127));
  EXPECT_EQ(Ramp(0.625), qRgb(127, 255, 0));
  EXPECT_EQ(Ramp(0.875), qRgb(255, 127, 0));
}

TEST(TemperatureColor, BrightnessShiftsEveryComponentAlike) {
  // 0.25 takes 127 off every component, and clamps at zero.
  EXPECT_EQ(Ramp(0, 0.25), qRgb(0, 0, 128));
  EXPECT_EQ(Ramp(0.5, 0.25), qRgb(0, 128, 0));
  EXPECT_EQ(Ramp(1, 0.25), qRgb(128, 0, 0));
  EXPECT_EQ(Ramp(0.375, 0.25), qRgb(0, 128, 0));
  // Above 0.5 everything lightens towards white; at the ends it is black and white.
  EXPECT_EQ(Ramp(0.5, 0.75), qRgb(127, 255, 127));
  for (double rate : {0.0, 0.3, 0.6, 1.0}) {
    EXPECT_EQ(Ramp(rate, 1), kWhite) << rate;
    EXPECT_EQ(Ramp(rate, 0), kBlack) << rate;
  }
}

TEST(TemperatureColorDeathTest, RatesAndBrightnessOutsideTheUnitRangeAreFaults) {
  EXPECT_DEATH(TemperatureColor(1.0000001, 0.5), "rate>=0 && rate <=1");
  EXPECT_DEATH(TemperatureColor(-1e-12, 0.5), "rate>=0 && rate <=1");
  EXPECT_DEATH(TemperatureColor(std::nan(""), 0.5), "rate>=0 && rate <=1");
  EXPECT_DEATH(TemperatureColor(0.5, 1.5), "brightness>=0 && brightness<=1");
}

TEST(PropertyColor, GoldAndTheEndsOfEachScale) {
  // 255 (317 - 1e-5) / (401 - 1e-5) = 201.6 and 255 (129 - 1e-5) / (5000 - 1e-5) = 6.6.
  EXPECT_EQ(PropertyColor(DefaultMaterial()).rgb(), qRgb(201, 255, 6));
  EXPECT_EQ(PropertyColor(VolumeProperties{0, 0, 0, 0}).rgb(), kBlack);
  EXPECT_EQ(PropertyColor(VolumeProperties{1e-5, 1e-5, 1e-5, 0}).rgb(), kBlack);
  EXPECT_EQ(PropertyColor(VolumeProperties{401, 10000, 5000, 0}).rgb(), kWhite);
  EXPECT_EQ(PropertyColor(VolumeProperties{1e9, 1e9, 1e9, 0}).rgb(), kWhite);
  // Heat generation does not colour.
  EXPECT_EQ(PropertyColor(VolumeProperties{317, 19300, 129, -1e6}).rgb(), qRgb(201, 255, 6));
  // Half-way values, and a value that is not a number counts as none.
  EXPECT_EQ(PropertyColor(VolumeProperties{200.5, 5000, 2500, 0}).rgb(), qRgb(127, 127, 127));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(PropertyColor(VolumeProperties{nan, 10000, nan, 0}).rgb(), qRgb(0, 255, 0));
}

TEST(VertexTemperature, CornersTakeTheirVolumeEdgesTwoAndInteriorFour) {
  GivenField f(std::make_unique<CartesianMedia>(3, 2, 3, 2, DefaultMaterial()),
               [](int i, int j) { return 10.0 * i + j + 1; });
  const SimSnapshot& s = f.manager->Snapshot(0);
  // T[i][j]: 1 2 / 11 12 / 21 22.
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 0, 0), 1);
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 3, 0), 21);
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 0, 2), 2);
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 3, 2), 22);
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 1, 0), 6);     // South edge: (1 + 11) / 2
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 0, 1), 1.5);   // West edge: (1 + 2) / 2
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 3, 1), 21.5);  // East edge
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 2, 2), 17);    // North edge: (12 + 22) / 2
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 1, 1), 6.5);   // (1 + 11 + 12 + 2) / 4
  EXPECT_DOUBLE_EQ(VertexTemperature(s, 2, 1), 16.5);
}

TEST(ComputeBounds, DefaultSquareAndACurvedGrid) {
  ProblemRecord problem;
  Point lo{9, 9}, hi{-9, -9};
  double cellSize = 0;
  ComputeBounds(*problem.media, lo, hi, cellSize);
  EXPECT_DOUBLE_EQ(lo.x, 0);
  EXPECT_DOUBLE_EQ(lo.y, 0);
  EXPECT_DOUBLE_EQ(hi.x, 1);
  EXPECT_DOUBLE_EQ(hi.y, 1);
  // Half the diagonal, sqrt(2)/2, over sqrt(10^2 + 10^2).
  EXPECT_NEAR(cellSize, 0.05, 1e-15);

  // A half annulus: the extremes lie at the ends and the top of the outer arc, none of
  // them at node(0, 0).
  PolarMedia half(2, 1, 180, 3, 4, DefaultMaterial());
  ComputeBounds(half, lo, hi, cellSize);
  EXPECT_NEAR(lo.x, -2, 1e-6);
  EXPECT_NEAR(hi.x, 2, 1e-6);
  EXPECT_NEAR(lo.y, 0, 1e-6);
  EXPECT_NEAR(hi.y, 2, 1e-6);
  EXPECT_NEAR(cellSize, 0.5 * std::sqrt(20.0) / 5, 1e-6);
}

// The letter as the plot should write it: centred on the mapped point, halves truncated.
QImage ExpectedLetter(QSize size, const QString& letter, QPoint at, QRgb colour, QRect& box) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(kBlack);
  Surface surface(&image);
  surface.SetFont(PlotFont());
  surface.SetFontColor(QColor(colour));
  const QSize extent = surface.TextExtent(letter);
  const QPoint origin(at.x() - extent.width() / 2, at.y() - extent.height() / 2);
  surface.TextOut(origin.x(), origin.y(), letter);
  box = QRect(origin, extent).adjusted(-4, -4, 4, 4);
  return image;
}

Point Midpoint(const Point& a, const Point& b) {
  return Point{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}

// A quarter of the sum of the corners, taken in the order the plot walks a volume.
Point VolumeCentre(const Media& media, int i, int j) {
  const Point q[] = {media.node(i + 1, j + 1), media.node(i, j + 1), media.node(i, j),
                     media.node(i + 1, j)};
  return Point{(q[0].x + q[1].x + q[2].x + q[3].x) * 0.25,
               (q[0].y + q[1].y + q[2].y + q[3].y) * 0.25};
}

// Every pixel of the letter's colour around its place is where the letter would put it.
void ExpectLetter(const QImage& plot, const Mapping& map, const QString& letter, Point at,
                  QRgb colour) {
  QRect box;
  const QImage expected =
      ExpectedLetter(plot.size(), letter, QPoint(map.X(at.x), map.Y(at.y)), colour, box);
  int inked = 0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      const bool want = expected.pixel(x, y) == colour;
      inked += want;
      ASSERT_EQ(plot.pixel(x, y) == colour, want)
          << letter.toStdString() << " at " << x << "," << y;
    }
  }
  EXPECT_GT(inked, 10) << letter.toStdString();
}

TEST(FieldPlotBounds, SidesInTheirColoursAndLettersOnTheirLabelPoints) {
  CartesianMedia grid(1, 0.7, 10, 7, DefaultMaterial());
  const FieldPlotState state = StateFor(grid, nullptr, ViewMode::Bounds, PixelRect{0, 0, 508, 358});
  const QImage plot = Render(state);
  const Mapping map(state);
  // 500 pixels per metre both ways; the sides are 4 pixels wide.
  EXPECT_EQ(map.X(1), 504);
  EXPECT_EQ(map.Y(0.7), 4);
  for (int d : {-1, 0, 1}) {
    EXPECT_EQ(plot.pixel(250, 4 + d), kRed);
    EXPECT_EQ(plot.pixel(250, 354 + d), kGreen);
    EXPECT_EQ(plot.pixel(504 + d, 179), kCyan);
    EXPECT_EQ(plot.pixel(4 + d, 179), kMagenta);
  }
  EXPECT_EQ(PixelAt(plot, map, 0.3, 0.5), kBlack);

  // N between node(5, 5) and node(5, 6), at (0.5, 0.55); E in the centre of volume (8, 3),
  // at (0.85, 0.35); S between node(5, 1) and node(5, 2); W in the centre of volume (1, 3).
  const Point n = Midpoint(grid.node(5, 5), grid.node(5, 6));
  EXPECT_NEAR(n.x, 0.5, 1e-12);
  EXPECT_NEAR(n.y, 0.55, 1e-12);
  const Point e = VolumeCentre(grid, 8, 3);
  EXPECT_NEAR(e.x, 0.85, 1e-12);
  EXPECT_NEAR(e.y, 0.35, 1e-12);
  ExpectLetter(plot, map, "N", n, kRed);
  ExpectLetter(plot, map, "E", e, kCyan);
  ExpectLetter(plot, map, "S", Midpoint(grid.node(5, 1), grid.node(5, 2)), kGreen);
  ExpectLetter(plot, map, "W", VolumeCentre(grid, 1, 3), kMagenta);
}

// Where one condition ends and the next begins is marked across its side, at its position
// measured by length along the side, in the Bounds view on every side and otherwise on the
// side the boundary dialog edits.
TEST(FieldPlotBounds, SegmentEndsAreMarkedWhereTheyLieAlongTheirSide) {
  // Nodes crowded towards the South along West: a mark placed by node index would miss.
  CartesianMedia grid(1, 0.7, 10, 7, DefaultMaterial());
  for (int i = 0; i <= 10; ++i) {
    for (int j = 0; j <= 7; ++j) {
      const double t = j / 7.0;
      grid.node(i, j) = Point{i / 10.0, 0.7 * t * t};
    }
  }
  EXPECT_NEAR(SidePoint(grid, 3, 0.35).y, 0.7 * 0.35, 1e-12);
  EXPECT_NEAR(SidePoint(grid, 3, 0.35).x, 0, 1e-12);
  PolarMedia ring(2, 1, 90, 4, 6, DefaultMaterial());
  EXPECT_NEAR(SidePoint(ring, 2, 0.5).x, 2 * std::cos(3.141592653589793 / 4), 1e-6);
  EXPECT_NEAR(SidePoint(ring, 2, 0.5).y, 2 * std::sin(3.141592653589793 / 4), 1e-6);

  Face north, south, east, west;
  FConstant zero(0);
  west.Insert(Segment{0, 1, new FFlux(&zero)});
  west.Insert(Segment{0.35, 1, new FFlux(&zero)});
  north.Insert(Segment{0, 1, new FFlux(&zero)});
  north.Insert(Segment{0.2, 0.6, new FFlux(&zero)});
  for (Face* f : {&south, &east})
    f->Insert(Segment{0, 1, new FFlux(&zero)});
  east.Insert(Segment{0.5, 1, new FFlux(&zero)});
  // Room around the grid for the marks to stand out of it.
  FieldPlotState state = StateFor(grid, nullptr, ViewMode::Bounds, PixelRect{20, 20, 528, 378});
  state.faces[0] = &north;
  state.faces[1] = &south;
  state.faces[2] = &east;
  state.faces[3] = &west;
  const Mapping map(state);
  const QImage plot = Render(state);
  const int westX = map.X(0), northY = map.Y(0.7);
  // The mark is two pixels wide: white on the pixel itself or one beside it.
  auto whiteAcross = [](const QImage& image, int x, int y, bool alongX) {
    for (int d : {-1, 0, 1}) {
      if (image.pixel(alongX ? x : x + d, alongX ? y + d : y) == kWhite)
        return true;
    }
    return false;
  };
  // Across West at 35 % of its length, across North at 20 % and 60 %: standing out of the
  // side, mostly inwards (x grows into the domain from West, y from North).
  for (int d : {-3, 3, 6, 8})
    EXPECT_TRUE(whiteAcross(plot, westX + d, map.Y(0.7 * 0.35), true)) << d;
  for (double x : {0.2, 0.6}) {
    for (int d : {-3, 3, 6, 8})
      EXPECT_TRUE(whiteAcross(plot, map.X(x), northY + d, false)) << x << " " << d;
  }
  // East's inside is to the left.
  for (int d : {3, -3, -6, -8})
    EXPECT_TRUE(whiteAcross(plot, map.X(1) + d, map.Y(0.35), true)) << d;
  // Nowhere else: a whole side's ends are its corners, not marks.
  EXPECT_FALSE(whiteAcross(plot, westX + 6, map.Y(0.7 * 0.6), true));
  EXPECT_FALSE(whiteAcross(plot, map.X(0.4), northY + 6, false));
  EXPECT_FALSE(whiteAcross(plot, map.X(0.5), map.Y(0) - 6, false));

  // In the material view only the side being edited shows its marks.
  state.viewMode = ViewMode::Media;
  state.boundaryDialogVisible = true;
  state.boundaryPage = "North";
  const QImage edited = Render(state);
  EXPECT_TRUE(whiteAcross(edited, map.X(0.6), northY + 6, false));
  EXPECT_FALSE(whiteAcross(edited, westX + 6, map.Y(0.7 * 0.35), true));
  state.boundaryDialogVisible = false;
  EXPECT_FALSE(whiteAcross(Render(state), map.X(0.6), northY + 6, false));
}

TEST(FieldPlotBounds, GridsTwoVolumesDeepKeepTheirLabelsOnTheLastVolume) {
  {
    CartesianMedia grid(1, 1, 2, 2, DefaultMaterial());
    const FieldPlotState state = StateFor(grid, nullptr, ViewMode::Bounds);
    const QImage plot = Render(state);
    const Mapping map(state);
    // Rows and columns 2 do not exist: North and East fall back to row and column 1.
    ExpectLetter(plot, map, "N", Midpoint(grid.node(1, 1), grid.node(1, 2)), kRed);
    ExpectLetter(plot, map, "E", Midpoint(grid.node(1, 1), grid.node(2, 1)), kCyan);
    ExpectLetter(plot, map, "S", Midpoint(grid.node(1, 0), grid.node(1, 1)), kGreen);
    ExpectLetter(plot, map, "W", Midpoint(grid.node(0, 1), grid.node(1, 1)), kMagenta);
  }
  {
    // An odd count across: North's label sits in the centre of volume (1, 1).
    CartesianMedia grid(1.5, 1, 3, 2, DefaultMaterial());
    const FieldPlotState state =
        StateFor(grid, nullptr, ViewMode::Bounds, PixelRect{0, 0, 608, 408});
    const QImage plot = Render(state);
    const Mapping map(state);
    ExpectLetter(plot, map, "N", VolumeCentre(grid, 1, 1), kRed);
    ExpectLetter(plot, map, "E", Midpoint(grid.node(2, 1), grid.node(3, 1)), kCyan);
  }
}

TEST(FieldPlotMedia, MaterialColoursGreyOutlinesAndGenerationMarks) {
  CartesianMedia grid(1, 1, 4, 4, DefaultMaterial());
  const VolumeProperties copper{401, 8933, 385, 1e6};
  grid.volume(1, 1) = copper;
  grid.volume(2, 2).heatGeneration = -5e5;
  const FieldPlotState state = StateFor(grid, nullptr, ViewMode::Media);
  const QImage plot = Render(state);
  const Mapping map(state);
  const QRgb gold = PropertyColor(DefaultMaterial()).rgb();
  const QRgb copperColour = PropertyColor(copper).rgb();

  EXPECT_EQ(PixelAt(plot, map, 0.125, 0.125), gold);  // no mark without generation
  EXPECT_EQ(PixelAt(plot, map, 0.3, 0.3), copperColour);
  EXPECT_EQ(plot.pixel(map.X(0.25), map.Y(0.1)), kGrey);
  EXPECT_EQ(plot.pixel(map.X(0.1), map.Y(0.75)), kGrey);
  EXPECT_EQ(plot.pixel(2, 2), kBlack);  // outside the grid

  // A source: red dot, white heart, at the mapped centre.
  int x = map.X(0.375), y = map.Y(0.375);
  EXPECT_EQ(plot.pixel(x, y), kWhite);
  EXPECT_EQ(plot.pixel(x - 2, y), kRed);
  EXPECT_EQ(plot.pixel(x + 2, y), kRed);
  EXPECT_EQ(plot.pixel(x, y - 2), kRed);
  EXPECT_EQ(plot.pixel(x - 6, y), copperColour);

  // A sink: blue dot crossed by two white diagonals.
  x = map.X(0.625), y = map.Y(0.625);
  EXPECT_EQ(plot.pixel(x, y), kWhite);
  EXPECT_EQ(plot.pixel(x + 2, y + 2), kWhite);
  EXPECT_EQ(plot.pixel(x - 2, y - 2), kWhite);
  EXPECT_EQ(plot.pixel(x + 2, y - 2), kWhite);
  EXPECT_EQ(plot.pixel(x - 2, y + 2), kWhite);
  EXPECT_EQ(plot.pixel(x, y + 2), kBlue);
  EXPECT_EQ(plot.pixel(x - 2, y), kBlue);
  EXPECT_EQ(plot.pixel(x + 6, y), gold);
}

TEST(FieldPlotTemperature, SolvedDefaultProblemShowsEachBandWhereTheLinearProfilePutsIt) {
  SolvedDefault run;
  const SimManager& m = *run.manager;
  // Snapshot 0 is the uniform start, so the run's minimum is 0; at steady state the
  // profile is linear, each volume at its centre's x, so the maximum is 0.95.
  EXPECT_DOUBLE_EQ(m.minT, 0);
  EXPECT_NEAR(m.maxT, 0.95, 1e-4);
  FieldPlotState state = StateFor(*run.problem.media, &m, ViewMode::Temperature);
  const QImage plot = Render(state);
  const Mapping map(state);
  const double step = (m.maxT - m.minT) / 19;
  // Between the first and last nodes the interpolated field equals x: the middle of band k
  // lies at x = (k + 1/2) step.
  for (int k = 3; k <= 16; ++k) {
    const double x = (k + 0.5) * step;
    for (double y : {0.05, 0.45, 0.93})
      EXPECT_EQ(PixelAt(plot, map, x, y), Ramp((k + 0.5) / 19)) << k << " " << y;
  }
  EXPECT_EQ(PixelAt(plot, map, 0.5, 1), kSilver);
  EXPECT_EQ(PixelAt(plot, map, 0.5, 0), kSilver);
  EXPECT_EQ(PixelAt(plot, map, 0, 0.5), kSilver);
  EXPECT_EQ(plot.pixel(2, 200), kBlack);
}

TEST(FieldPlotTemperature, TwoLevelsMakeOneGreenBandOverTheWholeGrid) {
  SolvedDefault run;
  FieldPlotState state = StateFor(*run.problem.media, run.manager.get(), ViewMode::Temperature);
  state.nLines = 2;
  const QImage plot = Render(state);
  for (int y = 6; y < 402; y += 7) {
    for (int x = 6; x < 402; x += 7)
      ASSERT_EQ(plot.pixel(x, y), kGreen) << x << "," << y;
  }
}

TEST(FieldPlotTemperature, EqualTemperaturesSpanOneDegreeAboveThem) {
  GivenField f(std::make_unique<CartesianMedia>(1, 1, 5, 5, DefaultMaterial()),
               [](int, int) { return 5.0; });
  FieldPlotState state = StateFor(*f.problem.media, f.manager.get(), ViewMode::Temperature);
  const QImage bands = Render(state);
  // Band 0 is [5, 5 + 1/19]; every volume lies on its lower level.
  for (int y = 6; y < 402; y += 9) {
    for (int x = 6; x < 402; x += 9)
      ASSERT_EQ(bands.pixel(x, y), Ramp(0.5 / 19)) << x << "," << y;
  }
  // No edge of a uniform field crosses a level: only the outline is drawn.
  state.viewMode = ViewMode::Isotherms;
  const QImage lines = Render(state);
  for (int y = 5; y < 403; ++y) {
    for (int x = 5; x < 403; ++x)
      ASSERT_EQ(lines.pixel(x, y), kBlack) << x << "," << y;
  }
  EXPECT_EQ(lines.pixel(200, 4), kSilver);
}

TEST(FieldPlotIsotherms, LevelsOfTheLinearProfileAreVerticalLinesAtTheirTemperatures) {
  SolvedDefault run;
  const SimManager& m = *run.manager;
  FieldPlotState state = StateFor(*run.problem.media, &m, ViewMode::Isotherms);
  const QImage plot = Render(state);
  const Mapping map(state);
  const double step = (m.maxT - m.minT) / 19;
  for (double y : {0.05, 0.45, 0.75}) {
    const int row = map.Y(y);
    // Levels 0.15 .. 0.85 (k = 3 .. 17) cross this stretch of the row, one pixel each.
    int lit = 0;
    for (int x = map.X(0.12); x <= map.X(0.88); ++x)
      lit += plot.pixel(x, row) != kBlack;
    EXPECT_EQ(lit, 15) << y;
    for (int k = 3; k <= 17; ++k) {
      const int column = map.X(k * step);
      const QRgb colour = Ramp((k + 0.5) / 19);
      const bool here = plot.pixel(column, row) == colour ||
                        plot.pixel(column - 1, row) == colour ||
                        plot.pixel(column + 1, row) == colour;
      EXPECT_TRUE(here) << "level " << k << " row " << row;
      EXPECT_EQ(plot.pixel(map.X((k + 0.5) * step), row), kBlack) << k;
    }
  }
}

TEST(FieldPlotVectors, ArrowsPointDownTheGradientWithTheirHeadsAhead) {
  SolvedDefault run;
  const SimManager& m = *run.manager;
  const SimSnapshot& last = m.LastSnapshot();
  FieldPlotState state = StateFor(*run.problem.media, &m, ViewMode::Media);
  state.vectors = true;
  // The run's own scale is set by the jump at the East side in the first snapshot, ten times
  // the steady flux, which leaves steady arrows a pixel or two long. Scale them up to see
  // their shape.
  state.fluxScale = 1.25 * std::abs(last.qx[4][4]);
  const Mapping map(state);
  const QRgb gold = PropertyColor(DefaultMaterial()).rgb();

  // Heat flows from the hot East side to the West: every arrow points towards -x.
  const int i = 4, j = 4;
  const Point c{0.45, 0.45};
  ASSERT_LT(last.qx[i][j], 0);
  const double u = state.cellSize * std::abs(last.qx[i][j]) / state.fluxScale;
  const QRgb colour = Ramp((last.T[i][j] - m.minT) / (m.maxT - m.minT));

  const QImage plot = Render(state);
  const int row = map.Y(c.y);
  EXPECT_EQ(plot.pixel(map.X(c.x), row), colour);
  EXPECT_EQ(plot.pixel(map.X(c.x - 0.5 * u), row), colour);  // head
  EXPECT_EQ(plot.pixel(map.X(c.x + 0.5 * u), row), colour);  // tail
  EXPECT_EQ(plot.pixel(map.X(c.x - 0.045), row), gold);      // beyond the tip
  EXPECT_EQ(plot.pixel(map.X(c.x + 0.045), row), gold);      // beyond the tail
  // The head is wider than the line, the tail is not.
  EXPECT_EQ(plot.pixel(map.X(c.x - 0.2 * u), row - 1), colour);
  EXPECT_EQ(plot.pixel(map.X(c.x - 0.2 * u), row + 1), colour);
  EXPECT_EQ(plot.pixel(map.X(c.x + 0.5 * u), row - 1), gold);

  // Off, nothing of it is drawn.
  state.vectors = false;
  const QImage plain = Render(state);
  EXPECT_EQ(plain.pixel(map.X(c.x - 0.5 * u), row), gold);

  // At the largest size the arrows are six times as long. They overlap along the row, so
  // look at the last one drawn in it, at the East end.
  state.vectors = true;
  state.vectorSize = 20;
  const QImage large = Render(state);
  const double east = 0.95;
  const double u9 = state.cellSize * std::abs(last.qx[9][j]) / state.fluxScale;
  const QRgb colour9 = Ramp((last.T[9][j] - m.minT) / (m.maxT - m.minT));
  EXPECT_EQ(large.pixel(map.X(east - 5.5 * u9), row), colour9);
  EXPECT_NE(large.pixel(map.X(east - 6.5 * u9), row), colour9);
  EXPECT_NE(plot.pixel(map.X(east - 5.5 * u9), row), colour9);

  // Over the bands they are drawn darker.
  state.vectorSize = 0;
  state.viewMode = ViewMode::Temperature;
  const QImage onBands = Render(state);
  EXPECT_EQ(onBands.pixel(map.X(c.x), row),
            Ramp((last.T[i][j] - m.minT) / (m.maxT - m.minT), 0.25));
}

TEST(FieldPlotVectors, ArrowsAcrossTheRowsPointSouthWithTheHeadSpreadBothWays) {
  // Warmer to the North: the flux, and every arrow, points South.
  GivenField f(std::make_unique<CartesianMedia>(1, 1, 5, 5, DefaultMaterial()),
               [](int, int j) { return 10.0 * j; });
  const SimSnapshot& s = f.manager->Snapshot(0);
  ASSERT_LT(s.qy[2][2], 0);
  EXPECT_NEAR(s.qx[2][2], 0, 1e-9);
  FieldPlotState state = StateFor(*f.problem.media, f.manager.get(), ViewMode::Media);
  state.vectors = true;
  state.fluxScale = 1.25 * std::abs(s.qy[2][2]);
  const double u = state.cellSize / 1.25;
  const Mapping map(state);
  const QImage plot = Render(state);
  const QRgb colour = Ramp(0.5);  // T = 20 on a run from 0 to 40
  const QRgb gold = PropertyColor(DefaultMaterial()).rgb();
  const int column = map.X(0.5);
  EXPECT_EQ(plot.pixel(column, map.Y(0.5 - 0.9 * u)), colour);
  EXPECT_EQ(plot.pixel(column, map.Y(0.5 + 0.9 * u)), colour);
  EXPECT_EQ(plot.pixel(column, map.Y(0.5 - 1.2 * u)), gold);
  for (int d : {-2, 2}) {
    EXPECT_EQ(plot.pixel(column + d, map.Y(0.5 - 0.2 * u)), colour) << d;
    EXPECT_EQ(plot.pixel(column + d, map.Y(0.5 + 0.5 * u)), gold) << d;
  }
}

TEST(FieldPlotVectors, ZeroFluxDrawsNoArrow) {
  GivenField f(std::make_unique<CartesianMedia>(1, 1, 6, 6, DefaultMaterial()),
               [](int, int) { return 3.0; });
  FieldPlotState state = StateFor(*f.problem.media, f.manager.get(), ViewMode::Temperature);
  const QImage without = Render(state);
  state.vectors = true;
  state.vectorSize = 20;
  EXPECT_EQ(Render(state), without);
}

TEST(FieldPlotHighlight, ActivePageSideIsWideAndYellowBeneathTheView) {
  ProblemRecord problem;
  FieldPlotState state = StateFor(*problem.media, nullptr, ViewMode::Media);
  state.boundaryDialogVisible = true;
  state.boundaryPage = "West";
  const Mapping map(state);
  const QRgb gold = PropertyColor(DefaultMaterial()).rgb();
  const int west = map.X(0);
  const int middle = map.Y(0.45);
  const int north = map.Y(1);

  const QImage plot = Render(state);
  for (int d : {1, 2, 3})
    EXPECT_EQ(plot.pixel(west - d, middle), kYellow) << d;
  EXPECT_EQ(plot.pixel(west, middle), kGrey);  // the volumes' outline covers the inner half
  EXPECT_EQ(plot.pixel(west + 2, middle), gold);
  EXPECT_EQ(plot.pixel(200, north - 2), kBlack);

  state.boundaryPage = "Elsewhere";  // any other caption means West
  EXPECT_EQ(Render(state), plot);

  state.boundaryPage = "North";
  const QImage northern = Render(state);
  EXPECT_EQ(northern.pixel(200, north - 2), kYellow);
  EXPECT_EQ(northern.pixel(west - 2, middle), kBlack);

  state.boundaryDialogVisible = false;
  EXPECT_EQ(Render(state).pixel(200, north - 2), kBlack);

  // Without results the field views draw the highlight alone.
  state.boundaryDialogVisible = true;
  state.boundaryPage = "West";
  state.viewMode = ViewMode::Isotherms;
  const QImage empty = Render(state);
  for (int y = 0; y < empty.height(); ++y) {
    for (int x = 0; x < empty.width(); ++x) {
      const QRgb p = empty.pixel(x, y);
      ASSERT_TRUE(p == kBlack || (p == kYellow && x < 10)) << x << "," << y;
    }
  }
  EXPECT_EQ(empty.pixel(west - 2, middle), kYellow);
}

// The field views written out directly from their definition, every band over every volume
// and every shape drawn on its own, as the oracle for the plot's own loops.
QImage ReferencePlot(const FieldPlotState& state) {
  QImage image(state.viewport.right, state.viewport.bottom, QImage::Format_RGB32);
  image.fill(kBlack);
  Surface surface(&image);
  RCanvas canvas(surface, state.viewport, state.boundsMin, state.boundsMax, 4);
  surface.SetPenWidth(0);
  const Media& media = *state.media;
  const SimManager& m = *state.manager;
  const SimSnapshot& s = m.Snapshot(state.curSnapshot);
  double delta = m.maxT - m.minT;
  if (delta > -1e-5 && delta < 1e-5)
    delta = 1;
  for (int k = 0; k <= state.nLines - 2; ++k) {
    const double lo = k * (delta / (state.nLines - 1)) + m.minT;
    const double hi = delta / (state.nLines - 1) + lo;
    const QColor colour = TemperatureColor(((lo + hi) / 2 - m.minT) / delta, 0.5);
    for (int j = 0; j < media.nj; ++j) {
      for (int i = 0; i < media.ni; ++i) {
        const Quad quad{media.node(i + 1, j + 1), media.node(i, j + 1), media.node(i, j),
                        media.node(i + 1, j)};
        const QuadValues values{static_cast<float>(VertexTemperature(s, i + 1, j + 1)),
                                static_cast<float>(VertexTemperature(s, i, j + 1)),
                                static_cast<float>(VertexTemperature(s, i, j)),
                                static_cast<float>(VertexTemperature(s, i + 1, j))};
        if (state.viewMode == ViewMode::Temperature)
          canvas.FillBand(quad, values, static_cast<float>(lo), static_cast<float>(hi), colour);
        else
          canvas.DrawIsoline(quad, values, static_cast<float>(lo), colour);
      }
    }
  }
  surface.SetPenColor(QColor(kSilver));
  auto side = [&](auto node, int count) {
    surface.MoveTo(canvas.MapX(node(0).x), canvas.MapY(node(0).y));
    for (int k = 1; k <= count; ++k)
      surface.LineTo(canvas.MapX(node(k).x), canvas.MapY(node(k).y));
  };
  side([&](int k) { return media.node(k, media.nj); }, media.ni);
  side([&](int k) { return media.node(k, 0); }, media.ni);
  side([&](int k) { return media.node(media.ni, k); }, media.nj);
  side([&](int k) { return media.node(0, k); }, media.nj);
  if (!state.vectors)
    return image;
  const double scale = (5 * state.vectorSize / 20.0 + 1) * state.cellSize / state.fluxScale;
  const double brightness = state.viewMode == ViewMode::Temperature ? 0.25 : 0.5;
  for (int j = 0; j < media.nj; ++j) {
    for (int i = 0; i < media.ni; ++i) {
      if (!(std::sqrt(s.qx[i][j] * s.qx[i][j] + s.qy[i][j] * s.qy[i][j]) > 0))
        continue;
      const Point u{scale * s.qx[i][j], scale * s.qy[i][j]};
      const Point c = VolumeCentre(media, i, j);
      const QColor colour = TemperatureColor((s.T[i][j] - m.minT) / delta, brightness);
      canvas.FillQuad(Quad{c, Point{c.x + 0.15 * u.y, c.y - 0.15 * u.x},
                           Point{c.x + u.x, c.y + u.y}, Point{c.x - 0.15 * u.y, c.y + 0.15 * u.x}},
                      colour, colour);
      surface.MoveTo(canvas.MapX(c.x - u.x), canvas.MapY(c.y - u.y));
      surface.LineTo(canvas.MapX(c.x + u.x), canvas.MapY(c.y + u.y));
    }
  }
  return image;
}

TEST(FieldPlotBands, PlotLoopsDrawExactlyThePixelsOfTheirDefinition) {
  // Whole-number temperatures 0 .. 10 with 11 levels put many corners exactly on levels.
  GivenField steps(std::make_unique<PolarMedia>(2, 0.5, 120, 9, 11, DefaultMaterial()),
                   [](int i, int j) { return static_cast<double>((3 * i + 7 * j) % 11); });
  GivenField smooth(std::make_unique<MixedMedia>(1, 1.2, 0.6, 0.3, 14, 12, DefaultMaterial()),
                    [](int i, int j) { return std::sin(0.7 * i) * std::cos(0.5 * j) * 40 + 3; });
  // Node values 0, 0.5, 1.5, ... 4.5, 5 with levels every 0.5: the level 0.5 runs along a
  // grid line, drawn only by the volumes on its upper side.
  GivenField ramp(std::make_unique<CartesianMedia>(1.2, 0.8, 6, 4, DefaultMaterial()),
                  [](int i, int) { return static_cast<double>(i); });
  struct Case {
    GivenField* field;
    int nLines;
    int vectorSize;  // none when negative
  };
  for (const Case& c : {Case{&steps, 11, -1}, Case{&steps, 4, 20}, Case{&smooth, 37, 3},
                        Case{&smooth, 2, -1}, Case{&ramp, 11, 0}}) {
    for (ViewMode mode : {ViewMode::Temperature, ViewMode::Isotherms}) {
      FieldPlotState state = StateFor(*c.field->problem.media, c.field->manager.get(), mode,
                                      PixelRect{0, 0, 500, 420});
      state.nLines = c.nLines;
      state.vectors = c.vectorSize >= 0;
      state.vectorSize = std::max(c.vectorSize, 0);
      const QImage plot = Render(state);
      const QImage oracle = ReferencePlot(state);
      EXPECT_EQ(plot, oracle) << c.nLines << " lines, mode " << static_cast<int>(mode);
      // And it is a real picture, not two blank ones (a single level at the minimum, which
      // only volumes reach and no node, is the one case with nothing to draw).
      if (mode == ViewMode::Isotherms && c.nLines == 2)
        continue;
      int coloured = 0;
      for (int y = 0; y < plot.height(); y += 3) {
        for (int x = 0; x < plot.width(); x += 3)
          coloured += plot.pixel(x, y) != kBlack && plot.pixel(x, y) != kSilver;
      }
      EXPECT_GT(coloured, 50);
    }
  }
}

// The plot painted through a paint event's painter, as the window's own repaint does.
QImage PaintThrough(const FieldPlotState& state, QSize size,
                    const std::function<void(QPainter&)>& prepare) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(kBlack);
  QPainter painter(&image);
  prepare(painter);
  Surface surface(painter);
  surface.SetFont(PlotFont());
  Paint(surface, state);
  return image;
}

TEST(FieldPlotBands, EveryDrawingRouteGivesTheSamePicture) {
  // Off screen the plot stores outline pixels straight into the image; through a clipped
  // painter it draws them as points; through a shifted painter it leaves every shape to the
  // surface. All three must agree to the pixel.
  GivenField f(std::make_unique<PolarMedia>(1.5, 0.4, 150, 13, 17, DefaultMaterial()),
               [](int i, int j) { return std::cos(0.4 * i + 0.3 * j) * 25 + 0.2 * i * j; });
  Media& media = *f.problem.media;
  for (int i = 0; i < media.ni; ++i) {
    for (int j = 0; j < media.nj; ++j) {
      media.volume(i, j) = VolumeProperties{20.0 * i, 600.0 * j, 300.0 + 100 * i, 0};
      if ((i + 2 * j) % 9 == 0)
        media.volume(i, j).heatGeneration = (i % 2 == 0) ? 1e5 : -1e5;
    }
  }
  const PixelRect viewport{0, 0, 460, 400};
  const QSize size(460, 400);
  for (ViewMode mode : {ViewMode::Media, ViewMode::Temperature, ViewMode::Isotherms}) {
    for (int vectorSize : {-1, 0, 20}) {
      FieldPlotState state = StateFor(media, f.manager.get(), mode, viewport);
      state.nLines = 23;
      state.vectors = vectorSize >= 0;
      state.vectorSize = std::max(vectorSize, 0);
      const QImage direct = RenderFieldPlot(state, size, PlotFont());
      const QImage points = PaintThrough(
          state, size, [&](QPainter& painter) { painter.setClipRect(QRect(QPoint(0, 0), size)); });
      const QImage shifted = PaintThrough(state, size + QSize(5, 3),
                                          [](QPainter& painter) { painter.translate(5, 3); });
      const std::string what =
          "mode " + std::to_string(static_cast<int>(mode)) + " size " + std::to_string(vectorSize);
      EXPECT_EQ(points, direct) << what;
      EXPECT_EQ(shifted.copy(5, 3, size.width(), size.height()), direct) << what;
    }
  }

  // Volumes smaller than their generation marks: outlines and marks overlap and must keep
  // their order.
  CartesianMedia fine(1, 1, 60, 60, DefaultMaterial());
  for (int i = 0; i < fine.ni; ++i) {
    for (int j = 0; j < fine.nj; ++j)
      fine.volume(i, j).heatGeneration = (i + j) % 3 == 0 ? 1 : ((i * j) % 5 == 1 ? -1 : 0);
  }
  const FieldPlotState state = StateFor(fine, nullptr, ViewMode::Media, viewport);
  const QImage direct = RenderFieldPlot(state, size, PlotFont());
  const QImage shifted =
      PaintThrough(state, size + QSize(5, 3), [](QPainter& painter) { painter.translate(5, 3); });
  EXPECT_EQ(shifted.copy(5, 3, size.width(), size.height()), direct);
}

TEST(FieldPlotVectors, ArrowLengthAndHeadFollowFluxSizeAndScale) {
  // A 1.6 m x 1.2 m plate of 8 x 6 volumes: half its diagonal over sqrt(8^2 + 6^2) puts the
  // reference length at 0.5 * 2 / 10 = 0.1 m, and the viewport at 250 pixels a metre.
  GivenField f(std::make_unique<CartesianMedia>(1.6, 1.2, 8, 6, DefaultMaterial()),
               [](int i, int) { return 10.0 * i; });
  const SimSnapshot& s = f.manager->Snapshot(0);
  const int i = 3, j = 2;  // centre (0.7, 0.5)
  const double q = std::abs(s.qx[i][j]);
  ASSERT_LT(s.qx[i][j], 0);  // warmer to the East: the heat flows West
  ASSERT_NEAR(s.qy[i][j], 0, 1e-9 * q);
  const QRgb gold = PropertyColor(DefaultMaterial()).rgb();
  const QRgb colour = Ramp((s.T[i][j] - f.manager->minT) / (f.manager->maxT - f.manager->minT));
  struct Case {
    int vectorSize;
    double fluxOverScale;
    double halfLength;  // pixels: (5 size/20 + 1) 0.1 m (q / fluxScale) 250 px/m
  };
  for (const Case& c : {Case{8, 0.25, 18.75}, Case{0, 0.5, 12.5}, Case{20, 0.125, 18.75}}) {
    FieldPlotState state =
        StateFor(*f.problem.media, f.manager.get(), ViewMode::Media, PixelRect{0, 0, 408, 308});
    ASSERT_NEAR(state.cellSize, 0.1, 1e-12);
    state.vectors = true;
    state.vectorSize = c.vectorSize;
    state.fluxScale = q / c.fluxOverScale;
    const QImage plot = Render(state);
    const int x = 4 + 175, y = 304 - 125;  // the mapped centre
    ASSERT_EQ(plot.pixel(x, y), colour);
    int west = x, east = x;
    while (plot.pixel(west - 1, y) == colour)
      --west;
    while (plot.pixel(east + 1, y) == colour)
      ++east;
    EXPECT_EQ(plot.pixel(west - 1, y), gold) << c.vectorSize;
    EXPECT_EQ(plot.pixel(east + 1, y), gold) << c.vectorSize;
    // Centred on the volume, 2 |u| long, give or take the pixel each end truncates to.
    EXPECT_NEAR(east - west + 1, 2 * c.halfLength, 1.5) << c.vectorSize;
    EXPECT_NEAR((east + west) / 2.0, x, 1.5) << c.vectorSize;
    // The head, 0.3 |u| wide at its base, lies West of the centre; the tail is a line.
    const int spread = static_cast<int>(0.15 * c.halfLength) - 1;
    const int headX = x - static_cast<int>(0.25 * c.halfLength);
    const int tailX = x + static_cast<int>(0.5 * c.halfLength);
    EXPECT_EQ(plot.pixel(headX, y - spread), colour) << c.vectorSize;
    EXPECT_EQ(plot.pixel(headX, y + spread), colour) << c.vectorSize;
    EXPECT_EQ(plot.pixel(tailX, y - 1), gold) << c.vectorSize;
    EXPECT_EQ(plot.pixel(x, y - spread - 3), gold) << c.vectorSize;
  }
}

// ---- Grids finer than a few pixels a volume ------------------------------------------

// Pixels whose colour is in `image` nowhere within `radius` of (x, y).
bool ColourNear(const QImage& image, int x, int y, int radius, QRgb colour) {
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const QPoint p(x + dx, y + dy);
      if (image.rect().contains(p) && image.pixel(p) == colour)
        return true;
    }
  }
  return false;
}

int CountColour(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      count += image.pixel(x, y) == colour;
  }
  return count;
}

TEST(FieldPlotFine, BandsMatchPolygonsDrawnFiveTimesFinerInAllButAThinFringe) {
  // A plate with a hole, 170 x 130 volumes: about 2 pixels a volume at 400 x 360, and about
  // 10 at five times that, where every volume is drawn as its own polygons again.
  GivenField f(
      std::make_unique<MixedMedia>(1, 1.2, 0.6, 0.3, 170, 130, DefaultMaterial()),
      [](int i, int j) { return std::sin(0.031 * i) * std::cos(0.043 * j) * 40 + 0.2 * j; });
  const Media& media = *f.problem.media;
  FieldPlotState coarse =
      StateFor(media, f.manager.get(), ViewMode::Temperature, PixelRect{0, 0, 400, 360});
  coarse.nLines = 23;
  FieldPlotState fine = coarse;
  fine.viewport = PixelRect{0, 0, 2000, 1800};
  const QImage plot = Render(coarse);
  const QImage finer = Render(fine);
  const Mapping map(coarse);
  const Mapping fineMap(fine);

  // The finer picture is the polygons' one, outlines and all; the coarse one has none.
  coarse.viewMode = fine.viewMode = ViewMode::Media;
  EXPECT_EQ(CountColour(Render(coarse), kGrey), 0);
  EXPECT_GT(CountColour(Render(fine), kGrey), 100000);

  int inside = 0, fringe = 0;
  for (int y = 0; y < plot.height(); ++y) {
    for (int x = 0; x < plot.width(); ++x) {
      // The world point the pixel stands for, and the finer pixel holding it.
      const double wx = map.canvas.UnmapX(x), wy = map.canvas.UnmapY(y);
      const int fx = fineMap.X(wx), fy = fineMap.Y(wy);
      const QRgb want = finer.rect().contains(fx, fy) ? finer.pixel(fx, fy) : kBlack;
      const QRgb got = plot.pixel(x, y);
      inside += want != kBlack;
      if (got == want)
        continue;
      ++fringe;
      // A pixel may differ only where the finer picture has its colour within 1.4 pixels, or
      // beside the outline, which covers a band's last sliver in the finer picture.
      ASSERT_TRUE(ColourNear(finer, fx, fy, 7, got) || ColourNear(finer, fx, fy, 7, kSilver))
          << x << "," << y << " " << std::hex << got << " " << want;
    }
  }
  EXPECT_GT(inside, 80000);
  // The fringe: one pixel along about 22 band edges and the outline, a few percent.
  EXPECT_LT(fringe, inside / 20) << fringe << " of " << inside;
}

TEST(FieldPlotFine, EveryPixelOfTheMaterialMapShowsTheVolumeTheProbeFinds) {
  // A ring sector of 100 x 64 volumes, nearly every one its own colour: volumes of one to
  // three pixels, inner ones smaller than outer ones.
  PolarMedia ring(1, 0.35, 110, 100, 64, DefaultMaterial());
  for (int i = 0; i < ring.ni; ++i) {
    for (int j = 0; j < ring.nj; ++j)
      ring.volume(i, j) =
          VolumeProperties{1.0 + i * 4, 100.0 + 150 * j, 50.0 + (i * 7 + j * 13) % 300 * 16, 0};
  }
  const FieldPlotState state = StateFor(ring, nullptr, ViewMode::Media, PixelRect{0, 0, 230, 180});
  const QImage plot = Render(state);
  const Mapping map(state);
  int found = 0;
  for (int y = 0; y < plot.height(); ++y) {
    for (int x = 0; x < plot.width(); ++x) {
      // Outside the grid the search runs through every volume: look at fewer of those.
      if (plot.pixel(x, y) == kBlack && (x % 4 != 0 || y % 4 != 0))
        continue;
      const VolumeIndex v = FindVolume(ring, Point{map.canvas.UnmapX(x), map.canvas.UnmapY(y)});
      const QRgb want = v.Valid() ? PropertyColor(ring.volume(v.i, v.j)).rgb() : kBlack;
      found += v.Valid();
      ASSERT_EQ(plot.pixel(x, y), want) << x << "," << y << " volume " << v.i << "," << v.j;
    }
  }
  EXPECT_GT(found, 8000);

  // Inside a volume, the bands read the value of each pixel from the triangle FindVolume
  // puts it in (split South-West to North-East). Large skewed volumes with corner values
  // that lie on no plane: the other diagonal, or a weight given to the wrong corner, would
  // give another value almost everywhere.
  PolarMedia sector(1, 0.35, 110, 3, 2, DefaultMaterial());
  const FieldPlotState big =
      StateFor(sector, nullptr, ViewMode::Temperature, PixelRect{0, 0, 230, 180});
  const Mapping bigMap(big);
  auto corner = [&sector](int32_t node) {
    const int32_t i = node % (sector.ni + 1), j = node / (sector.ni + 1);
    return std::pair<Point, double>{sector.node(i, j), i * i * 3.0 - j * 7.0 + i * j * 11.0};
  };
  int inside = 0;
  ForEachPixelInVolumes(
      sector, bigMap.canvas, QRect(0, 0, 230, 180),
      [&](int32_t x, int32_t y, int32_t i, int32_t j, const TriangleWeights& w) {
        const Point p{bigMap.canvas.UnmapX(x), bigMap.canvas.UnmapY(y)};
        const VolumeIndex v = FindVolume(sector, p);
        ASSERT_EQ(v, (VolumeIndex{i, j})) << x << "," << y;
        // The plane through the corners of the triangle holding p, by Cramer's rule.
        const int32_t sw = j * (sector.ni + 1) + i, se = sw + 1, nw = sw + sector.ni + 1,
                      ne = nw + 1;
        double best = -1, want = 0;
        for (const auto& t :
             {std::array<int32_t, 3>{nw, ne, sw}, std::array<int32_t, 3>{se, ne, sw}}) {
          const auto [a, fa] = corner(t[0]);
          const auto [b, fb] = corner(t[1]);
          const auto [c, fc] = corner(t[2]);
          const double det = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
          const double u = ((p.x - a.x) * (c.y - a.y) - (c.x - a.x) * (p.y - a.y)) / det;
          const double s = ((b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y)) / det;
          // The triangle the point is deepest inside (on the diagonal both agree).
          const double depth = std::min({u, s, 1 - u - s});
          if (depth > best) {
            best = depth;
            want = fa + u * (fb - fa) + s * (fc - fa);
          }
        }
        double got = 0;
        for (int k = 0; k < 3; ++k)
          got += w.weight[k] * corner(w.node[k]).second;
        ASSERT_NEAR(got, want, 1e-9 * 100) << x << "," << y << " in " << i << "," << j;
        ++inside;
      });
  EXPECT_GT(inside, 10000);
}

TEST(FieldPlotFine, ArrowsStandForBlocksAsTheArrowsOfTheCoarserGridWould) {
  // T = 30 x + 20 y: the same flux everywhere inside. 240 x 180 volumes of 1.45 pixels make
  // blocks of 6 x 6, the smallest at least 8 pixels across, which are the volumes of a
  // 40 x 30 grid, drawn volume by volume.
  auto linear = [](const Media& m) {
    return [&m](int i, int j) {
      const Point c = VolumeCentre(m, i, j);
      return 30 * c.x + 20 * c.y;
    };
  };
  auto fineMedia = std::make_unique<CartesianMedia>(1.2, 0.9, 240, 180, DefaultMaterial());
  auto coarseMedia = std::make_unique<CartesianMedia>(1.2, 0.9, 40, 30, DefaultMaterial());
  const Media& fm = *fineMedia;
  const Media& cm = *coarseMedia;
  GivenField fine(std::move(fineMedia), linear(fm));
  GivenField coarse(std::move(coarseMedia), linear(cm));
  const PixelRect viewport{0, 0, 356, 269};  // 290 pixels a metre
  // The same colour scale for both: the coarser grid's extreme volumes lie further inside.
  for (SimManager* m : {fine.manager.get(), coarse.manager.get()}) {
    m->minT = 0;
    m->maxT = 60;
  }
  for (int vectorSize : {0, 12}) {
    FieldPlotState a = StateFor(fm, fine.manager.get(), ViewMode::Temperature, viewport);
    FieldPlotState b = StateFor(cm, coarse.manager.get(), ViewMode::Temperature, viewport);
    a.vectors = b.vectors = true;
    a.vectorSize = b.vectorSize = vectorSize;
    a.fluxScale = b.fluxScale = 40 * 317;  // |q| = 36 k
    const QImage thinned = Render(a);
    const QImage reference = Render(b);
    // Arrows are the darker colours; compare them inside, a block away from the sides,
    // where a block's volumes all have the inner flux.
    int arrows = 0, differ = 0;
    for (int y = 20; y < 245; ++y) {
      for (int x = 20; x < 332; ++x) {
        auto dark = [](QRgb p) { return qRed(p) <= 128 && qGreen(p) <= 128 && qBlue(p) <= 128; };
        const QRgb p = thinned.pixel(x, y), r = reference.pixel(x, y);
        arrows += dark(r);
        differ += (dark(p) || dark(r)) && p != r;
      }
    }
    EXPECT_GT(arrows, 1500) << vectorSize;
    EXPECT_LT(differ, arrows / 50) << vectorSize << ": " << differ << " of " << arrows;
  }
}

TEST(FieldPlotFine, GenerationMarksOnePerBlockWhereTheSourcesAndSinksAre) {
  CartesianMedia grid(1, 1, 300, 300, DefaultMaterial());
  for (int i = 0; i < grid.ni; ++i) {
    for (int j = 0; j < grid.nj; ++j) {
      if (i < 60 && j < 60)
        grid.volume(i, j).heatGeneration = 1e4;  // South-West fifth: a source
      if (i >= 200 && j >= 240)
        grid.volume(i, j).heatGeneration = -1e4;  // a sink in the North-East
    }
  }
  const FieldPlotState state = StateFor(grid, nullptr, ViewMode::Media);  // 1.3 pixels
  const QImage plot = Render(state);
  const Mapping map(state);
  int red = 0, blue = 0;
  for (int y = 0; y < plot.height(); ++y) {
    for (int x = 0; x < plot.width(); ++x) {
      const double wx = map.canvas.UnmapX(x), wy = map.canvas.UnmapY(y);
      if (plot.pixel(x, y) == kRed) {
        ++red;
        EXPECT_TRUE(wx < 0.2 + 0.01 && wy < 0.2 + 0.01) << x << "," << y;
      } else if (plot.pixel(x, y) == kBlue) {
        ++blue;
        EXPECT_TRUE(wx > 2.0 / 3 - 0.01 && wy > 0.8 - 0.01) << x << "," << y;
      }
    }
  }
  // 78 x 78 pixels of source hold 9 x 9 blocks of 7 volumes, each mark 7 pixels across
  // with a red ring of 12 pixels and more: far fewer than one mark per volume would draw.
  EXPECT_GT(red, 9 * 9 * 10);
  EXPECT_LT(red, 9 * 9 * 30);
  EXPECT_GT(blue, 0);
  EXPECT_EQ(CountColour(plot, kGrey), 0);
}

TEST(FieldPlotFine, EveryDrawingRouteGivesTheSamePicture) {
  GivenField f(std::make_unique<PolarMedia>(1.5, 0.4, 150, 200, 170, DefaultMaterial()),
               [](int i, int j) { return std::cos(0.04 * i + 0.03 * j) * 25 + 0.002 * i * j; });
  const PixelRect viewport{0, 0, 460, 400};
  const QSize size(460, 400);
  for (ViewMode mode : {ViewMode::Media, ViewMode::Temperature}) {
    FieldPlotState state = StateFor(*f.problem.media, f.manager.get(), mode, viewport);
    state.vectors = true;
    const QImage direct = RenderFieldPlot(state, size, PlotFont());
    const QImage clipped = PaintThrough(
        state, size, [&](QPainter& painter) { painter.setClipRect(QRect(0, 0, 300, 250)); });
    const QImage shifted =
        PaintThrough(state, size + QSize(5, 3), [](QPainter& painter) { painter.translate(5, 3); });
    EXPECT_EQ(shifted.copy(5, 3, size.width(), size.height()), direct);
    EXPECT_EQ(clipped.copy(0, 0, 300, 250), direct.copy(0, 0, 300, 250));
    EXPECT_EQ(clipped.pixel(350, 200), kBlack);
    EXPECT_NE(direct.pixel(350, 200), kBlack);
  }
}

TEST(FieldPlotRobustness, ResultsThatAreNotNumbersDrawNothingForThemAndNeverStop) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  GivenField f(std::make_unique<CartesianMedia>(1, 1, 8, 8, DefaultMaterial()),
               [nan](int i, int j) { return i == 5 && j == 5 ? nan : 0.1 * i; });
  ASSERT_TRUE(std::isfinite(f.manager->minT) && std::isfinite(f.manager->maxT));
  FieldPlotState state = StateFor(*f.problem.media, f.manager.get(), ViewMode::Temperature);
  state.vectors = true;
  const Mapping map(state);
  const QImage plot = Render(state);
  // Away from it the field is drawn; its own volume gets neither band nor arrow.
  EXPECT_EQ(PixelAt(plot, map, 0.1, 0.1), PixelAt(plot, map, 0.1, 0.3));
  EXPECT_NE(PixelAt(plot, map, 0.1, 0.1), kBlack);
  EXPECT_EQ(PixelAt(plot, map, 0.6875, 0.7), kBlack);
  state.viewMode = ViewMode::Isotherms;
  Render(state);

  // Extremes that are not finite leave nothing to scale the colours by.
  SimManager& m = *f.manager;
  for (auto [lo, hi] : {std::pair{0.0, inf}, std::pair{nan, 0.7}, std::pair{-inf, inf}}) {
    m.minT = lo;
    m.maxT = hi;
    for (ViewMode mode : {ViewMode::Temperature, ViewMode::Isotherms, ViewMode::Media}) {
      state.viewMode = mode;
      const QImage image = Render(state);
      if (mode != ViewMode::Media) {
        EXPECT_EQ(PixelAt(image, map, 0.3, 0.3), kBlack);
      }
    }
  }

  // Extremes a hair inside the field, as rounding can leave them, only clamp the colours.
  m.minT = 0.05;
  m.maxT = 0.65;
  state.viewMode = ViewMode::Temperature;
  const QImage clamped = Render(state);
  EXPECT_EQ(PixelAt(clamped, map, 0.0625, 0.5625), Ramp(0, 0.25));  // arrow of T = 0
  EXPECT_EQ(PixelAt(clamped, map, 0.9375, 0.3125), Ramp(1, 0.25));  // arrow of T = 0.7

  // A stale snapshot index draws no field and no arrows.
  state.curSnapshot = 7;
  const QImage stale = Render(state);
  EXPECT_EQ(PixelAt(stale, map, 0.3, 0.3), kBlack);

  // No size, no image.
  EXPECT_TRUE(RenderFieldPlot(state, QSize(0, 0), PlotFont()).isNull());
}

}  // namespace
