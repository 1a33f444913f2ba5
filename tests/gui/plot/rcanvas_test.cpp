#include "gui/plot/rcanvas.h"

#include <gtest/gtest.h>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "gui/platform/surface.h"
#include "sim/fheat.h"
#include "tests/gui/support.h"

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);

QImage Blank(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kWhite);
  return image;
}

// The canvas of the worked example: a 100 x 50 rectangle showing the unit square.
struct ExampleCanvas {
  QImage image = Blank(100, 50);
  Surface surface{&image};
  RCanvas canvas{surface, PixelRect{0, 0, 100, 50}, Point{0, 0}, Point{1, 1}, 4};
};

TEST(RCanvasMapping, WorkedExample) {
  ExampleCanvas e;
  EXPECT_DOUBLE_EQ(e.canvas.ScaleX(), 92);
  EXPECT_DOUBLE_EQ(e.canvas.ScaleY(), 42);
  EXPECT_EQ(e.canvas.MapX(0), 4);
  EXPECT_EQ(e.canvas.MapX(1), 96);
  EXPECT_EQ(e.canvas.MapY(0), 46);
  EXPECT_EQ(e.canvas.MapY(1), 4);
  EXPECT_DOUBLE_EQ(e.canvas.UnmapX(4), 0);
  EXPECT_DOUBLE_EQ(e.canvas.UnmapX(96), 1);
  EXPECT_DOUBLE_EQ(e.canvas.UnmapY(46), 0);
  EXPECT_DOUBLE_EQ(e.canvas.UnmapY(4), 1);
  EXPECT_DOUBLE_EQ(e.canvas.UnmapY(25), 0.5);
}

TEST(RCanvasMapping, RectangleOffsetAndQRectConversion) {
  QImage image = Blank(10, 10);
  Surface surface(&image);
  const PixelRect rect = PixelRect::Of(QRect(10, 20, 100, 50));
  EXPECT_EQ(rect.right, 110);
  EXPECT_EQ(rect.bottom, 70);
  RCanvas canvas(surface, rect, Point{-1, 2}, Point{1, 3}, 4);
  EXPECT_EQ(canvas.MapX(-1), 14);
  EXPECT_EQ(canvas.MapX(1), 106);
  EXPECT_EQ(canvas.MapY(2), 66);
  EXPECT_EQ(canvas.MapY(3), 24);
  EXPECT_DOUBLE_EQ(canvas.UnmapX(60), 0);
  EXPECT_DOUBLE_EQ(canvas.UnmapY(45), 2.5);
}

TEST(RCanvasMapping, MapThenUnmapStaysWithinOnePixel) {
  ExampleCanvas e;
  for (double x = -0.3; x <= 1.3; x += 0.0137) {
    const double back = e.canvas.UnmapX(e.canvas.MapX(x));
    EXPECT_LT(std::abs(back - x), 1 / e.canvas.ScaleX()) << x;
    const double backY = e.canvas.UnmapY(e.canvas.MapY(x));
    EXPECT_LT(std::abs(backY - x), 1 / e.canvas.ScaleY()) << x;
  }
}

TEST(RCanvasMapping, DegenerateExtentsWidenToOneUnitCentredOnTheValue) {
  QImage image = Blank(10, 10);
  Surface surface(&image);
  RCanvas canvas(surface, PixelRect{0, 0, 100, 50}, Point{2, 3}, Point{2, 3}, 4);
  EXPECT_DOUBLE_EQ(canvas.WorldMin().x, 1.5);
  EXPECT_DOUBLE_EQ(canvas.WorldMax().x, 2.5);
  EXPECT_DOUBLE_EQ(canvas.WorldMin().y, 2.5);
  EXPECT_DOUBLE_EQ(canvas.WorldMax().y, 3.5);
  EXPECT_DOUBLE_EQ(canvas.ScaleX(), 92);
  EXPECT_DOUBLE_EQ(canvas.ScaleY(), 42);
  EXPECT_EQ(canvas.MapX(2), 50);
  EXPECT_EQ(canvas.MapY(3), 25);

  // Only the degenerate direction changes.
  RCanvas tall(surface, PixelRect{0, 0, 100, 50}, Point{2, 0}, Point{2, 10}, 4);
  EXPECT_DOUBLE_EQ(tall.WorldMin().y, 0);
  EXPECT_DOUBLE_EQ(tall.WorldMax().y, 10);
  EXPECT_DOUBLE_EQ(tall.ScaleY(), 4.2);
}

TEST(RCanvasMapping, NegativeValuesTruncateTowardZero) {
  ExampleCanvas e;
  EXPECT_EQ(e.canvas.MapX(-4.7 / 92), 0);   // -0.7
  EXPECT_EQ(e.canvas.MapX(-5.5 / 92), -1);  // -1.5
  EXPECT_EQ(e.canvas.MapX(0.3 / 92), 4);    // 4.3
  EXPECT_EQ(e.canvas.MapY(46.7 / 42), 0);   // -0.7
  EXPECT_EQ(e.canvas.MapY(47.5 / 42), -1);  // -1.5
}

TEST(RCanvasMapping, WildValuesMapFarOffTheSurfaceWithoutOverflow) {
  ExampleCanvas e;
  EXPECT_LT(e.canvas.MapX(-1e300), -1000000);
  EXPECT_GT(e.canvas.MapX(1e300), 1000000);
  EXPECT_GT(e.canvas.MapY(-std::numeric_limits<double>::infinity()), 1000000);
  const int32_t nan = e.canvas.MapY(std::numeric_limits<double>::quiet_NaN());
  EXPECT_TRUE(nan < -1000000 || nan > 1000000);
}

TEST(RCanvasDrawing, FillQuadOutlinesAndFillsTheMappedCorners) {
  ExampleCanvas e;
  e.canvas.FillQuad(
      Quad{Point{0.25, 0.25}, Point{0.75, 0.25}, Point{0.75, 0.75}, Point{0.25, 0.75}},
      QColor(kRed), QColor(kBlack));
  // Corners map to columns 27 and 73, rows 35 and 14.
  PixelSet expected;
  for (int y = 14; y <= 35; ++y) {
    for (int x = 27; x <= 73; ++x)
      expected.insert({x, y});
  }
  EXPECT_EQ(Painted(e.image), expected);
  EXPECT_EQ(e.image.pixel(27, 20), kRed);
  EXPECT_EQ(e.image.pixel(73, 35), kRed);
  EXPECT_EQ(e.image.pixel(50, 25), kBlack);
}

TEST(RCanvasAxes, ZeroSpacingsDrawOnlyTheAxesAndTheFrame) {
  QImage image = Blank(100, 50);
  {
    Surface surface(&image);
    RCanvas canvas(surface, PixelRect{0, 0, 100, 50}, Point{-1, -1}, Point{1, 1}, 4);
    canvas.DrawAxes(QColor(kRed), Point{0, 0}, Point{0, 0});
  }
  // Scales 46 and 21: the origin maps to (50, 25).
  PixelSet axes;
  for (int x = 4; x < 96; ++x)
    axes.insert({x, 25});
  for (int y = 46; y > 4; --y)
    axes.insert({50, y});
  PixelSet frame;
  for (int x = 0; x < 100; ++x) {
    frame.insert({x, 0});
    frame.insert({x, 49});
  }
  for (int y = 0; y < 50; ++y) {
    frame.insert({0, y});
    frame.insert({99, y});
  }
  PixelSet expected = axes;
  expected.insert(frame.begin(), frame.end());
  EXPECT_EQ(Painted(image), expected);
  for (const auto& [x, y] : axes)
    EXPECT_EQ(image.pixel(x, y), kRed);
  for (const auto& [x, y] : frame)
    EXPECT_EQ(image.pixel(x, y), kBlack);
}

TEST(RCanvasAxes, TicksAreCentredOnTheAxesAtEverySpacingBothWays) {
  QImage image = Blank(100, 50);
  {
    Surface surface(&image);
    RCanvas canvas(surface, PixelRect{0, 0, 100, 50}, Point{-1, -1}, Point{1, 1}, 4);
    canvas.DrawAxes(QColor(kRed), Point{0.5, 0}, Point{0, 0.25});
  }
  // Large x ticks: seven pixels, rows 22..28, at x = -1, -0.5, 0, 0.5, 1.
  for (int column : {4, 27, 50, 73, 96}) {
    for (int y = 22; y <= 28; ++y)
      EXPECT_EQ(image.pixel(column, y), kRed) << column;
    if (column == 50)
      continue;  // the y axis
    EXPECT_EQ(image.pixel(column, 21), kWhite) << column;
    EXPECT_EQ(image.pixel(column, 29), kWhite) << column;
  }
  EXPECT_EQ(image.pixel(38, 24), kWhite);  // no tick between
  // Small y ticks: three pixels, columns 49..51, every 0.25 (5.25 pixels) from row 25.
  for (int row : {46, 40, 35, 30, 25, 19, 14, 9, 4}) {
    for (int x = 49; x <= 51; ++x)
      EXPECT_EQ(image.pixel(x, row), kRed) << row;
    if (row == 25)
      continue;  // the x axis
    EXPECT_EQ(image.pixel(48, row), kWhite) << row;
    EXPECT_EQ(image.pixel(52, row), kWhite) << row;
  }
}

TEST(RCanvasAxes, AxesPassThroughTheOriginEvenOutsideTheExtents) {
  QImage image = Blank(100, 50);
  {
    Surface surface(&image);
    RCanvas canvas(surface, PixelRect{0, 0, 100, 50}, Point{0.5, 0.5}, Point{1.5, 1.5}, 4);
    canvas.DrawAxes(QColor(kRed), Point{0, 0}, Point{0, 0});
  }
  // The origin maps to (-42, 67): neither axis is on the image, only the frame.
  for (const auto& [x, y] : Painted(image))
    EXPECT_EQ(image.pixel(x, y), kBlack);
}

TEST(RCanvasAxes, SpacingsTooFineToAdvanceStillFinish) {
  QImage image = Blank(100, 50);
  Surface surface(&image);
  RCanvas canvas(surface, PixelRect{0, 0, 100, 50}, Point{-1e6, -1e6}, Point{1e6, 1e6}, 4);
  canvas.DrawAxes(QColor(kRed), Point{1e-19, 1e-19}, Point{0, 0});
  EXPECT_EQ(surface.Pixel(50, 23), QColor(kRed));
}

TEST(RCanvasAxesDeathTest, NegativeSpacingsStopNamingTheAssertion) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto draw = [](Point large, Point small) {
    QImage image = Blank(100, 50);
    Surface surface(&image);
    RCanvas canvas(surface, PixelRect{0, 0, 100, 50}, Point{0, 0}, Point{1, 1}, 4);
    canvas.DrawAxes(QColor(kRed), large, small);
  };
  EXPECT_DEATH(draw(Point{-0.1, 0}, Point{0, 0}), "large\\.x>=0 && large\\.y>=0.*gui/rcanvas");
  EXPECT_DEATH(draw(Point{0, -1}, Point{0, 0}), "large\\.x>=0 && large\\.y>=0");
  EXPECT_DEATH(draw(Point{0, 0}, Point{0, -1e-30}), "small\\.x>=0 && small\\.y>=0.*gui/rcanvas");
}

TEST(RCanvasPlot, IntervalNarrowerThanTwoPixelsDrawsNothing) {
  ExampleCanvas e;
  const FLinear steep(100, 0);
  e.canvas.PlotFunction(0, 1.5 / 92, steep, QColor(kRed));  // columns 4 and 5
  e.canvas.PlotFunction(0.5, 0.5, steep, QColor(kRed));
  EXPECT_TRUE(Painted(e.image).empty());
  // Two pixels apart there is room for one piece.
  e.canvas.PlotFunction(0, 2.5 / 92, FConstant(0.5), QColor(kRed));
  EXPECT_EQ(Painted(e.image), (PixelSet{{4, 25}, {5, 25}}));
}

TEST(RCanvasPlot, LinearFunctionGivesOnePixelPerColumnOnTheLine) {
  ExampleCanvas e;
  const FLinear line(0.8, 0.1);
  e.canvas.PlotFunction(0, 1, line, QColor(kRed));
  const PixelSet pixels = Painted(e.image);
  std::set<int> columns;
  for (const auto& [x, y] : pixels) {
    columns.insert(x);
    // Truncation costs up to a pixel, the column's sample may sit a pixel to the side.
    const double exact = 46 - 42 * line.Value((x - 4) / 92.0);
    EXPECT_LE(std::abs(y - exact), 1.5) << x << "," << y;
    EXPECT_EQ(e.image.pixel(x, y), kRed);
  }
  EXPECT_EQ(pixels.size(), 92u);
  EXPECT_EQ(*columns.begin(), 4);
  EXPECT_EQ(*columns.rbegin(), 95);  // the end pixel is excluded
  EXPECT_EQ(columns.size(), 92u);
}

TEST(RCanvasPlot, SteepCurveStaysConnected) {
  ExampleCanvas e;
  const FSin wave(0.5, 0.45, 40);  // up to eight pixels per column
  e.canvas.PlotFunction(0, 1, wave, QColor(kRed));
  const PixelSet pixels = Painted(e.image);
  std::set<int> columns;
  for (const auto& p : pixels)
    columns.insert(p.first);
  EXPECT_EQ(columns.size(), 92u);
  // The first sample is drawn, and everything hangs together with it.
  EXPECT_TRUE(pixels.count({4, 25}));
  EXPECT_TRUE(Connected(pixels));
}

}  // namespace
