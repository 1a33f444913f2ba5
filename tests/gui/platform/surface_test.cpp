#include "gui/platform/surface.h"
#include "tests/gui/support.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kPen = qRgb(200, 0, 0);
const QRgb kBrush = qRgb(0, 0, 200);

QImage Blank(int width = 40, int height = 40) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kWhite);
  return image;
}

PixelSet Box(int left, int top, int right, int bottom) {
  PixelSet box;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x)
      box.insert({x, y});
  }
  return box;
}

struct Bounds {
  int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);
};

// Exclusive right and bottom, like the surface's own shapes.
Bounds BoundsOf(const PixelSet& pixels) {
  Bounds b;
  for (const auto& [x, y] : pixels) {
    b.left = std::min(b.left, x);
    b.top = std::min(b.top, y);
    b.right = std::max(b.right, x + 1);
    b.bottom = std::max(b.bottom, y + 1);
  }
  return b;
}

// Draws one line with a fresh surface and returns what it coloured.
PixelSet DrawLine(int x0, int y0, int x1, int y1, int width = 1) {
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.SetPenColor(QColor(kPen));
    surface.SetPenWidth(width);
    surface.MoveTo(x0, y0);
    surface.LineTo(x1, y1);
  }
  return Painted(image);
}

TEST(SurfaceLine, EveryDirectionCoversStartExcludesEndAndFollowsTheLine) {
  const int directions[][2] = {{7, 3},  {3, 7},  {-3, 7},  {-7, 3}, {-7, -3}, {-3, -7},
                               {3, -7}, {7, -3}, {9, 0},   {0, 9},  {-9, 0},  {0, -9},
                               {5, 5},  {-5, 5}, {-5, -5}, {5, -5}, {12, 1},  {1, -12}};
  for (const auto& d : directions) {
    SCOPED_TRACE(testing::Message() << "direction " << d[0] << "," << d[1]);
    const int x0 = 20, y0 = 20, x1 = x0 + d[0], y1 = y0 + d[1];
    const PixelSet pixels = DrawLine(x0, y0, x1, y1);
    const int n = std::max(std::abs(d[0]), std::abs(d[1]));
    EXPECT_EQ(pixels.size(), static_cast<size_t>(n));
    EXPECT_TRUE(pixels.count({x0, y0}));
    EXPECT_FALSE(pixels.count({x1, y1}));
    // One pixel per step along the major axis, each within half a pixel of the exact line.
    const bool xMajor = std::abs(d[0]) >= std::abs(d[1]);
    for (const auto& [x, y] : pixels) {
      const double along = xMajor ? x - x0 : y - y0;
      const double k = along / (xMajor ? d[0] : d[1]);
      EXPECT_GE(k, 0.0);
      EXPECT_LT(k, 1.0);
      const double exactMinor = (xMajor ? y0 + k * d[1] : x0 + k * d[0]);
      EXPECT_LE(std::abs((xMajor ? y : x) - exactMinor), 0.5) << x << "," << y;
    }
  }
}

TEST(SurfaceLine, ZeroLengthDrawsNothingButMovesThePen) {
  for (int width : {0, 1, 4}) {
    QImage image = Blank();
    {
      Surface surface(&image);
      surface.SetPenWidth(width);
      surface.MoveTo(10, 10);
      surface.LineTo(10, 10);
      EXPECT_EQ(surface.PenPosition(), QPoint(10, 10));
      surface.LineTo(13, 10);
      EXPECT_EQ(surface.PenPosition(), QPoint(13, 10));
    }
    if (width <= 1) {
      EXPECT_EQ(Painted(image), (PixelSet{{10, 10}, {11, 10}, {12, 10}}));
    }
  }
}

TEST(SurfaceLine, PolylineSegmentsNeitherOverlapNorLeaveGaps) {
  QImage image = Blank();
  const QPoint path[] = {{5, 5}, {30, 9}, {26, 33}, {8, 20}, {5, 5}};
  int expected = 0;
  {
    Surface surface(&image);
    surface.SetPenColor(QColor(kPen));
    surface.MoveTo(path[0].x(), path[0].y());
    for (int k = 1; k < 5; ++k) {
      surface.LineTo(path[k].x(), path[k].y());
      expected += std::max(std::abs(path[k].x() - path[k - 1].x()),
                           std::abs(path[k].y() - path[k - 1].y()));
    }
  }
  const PixelSet pixels = Painted(image);
  // Each segment owns exactly as many pixels as it has steps, so any overlap would show
  // as a shortfall; every corner is covered by the segment that starts there.
  EXPECT_EQ(pixels.size(), static_cast<size_t>(expected));
  for (const QPoint& corner : path)
    EXPECT_TRUE(pixels.count({corner.x(), corner.y()}));
}

TEST(SurfaceLine, WidthZeroAndOneAreTheSameSinglePixelLine) {
  EXPECT_EQ(DrawLine(3, 4, 31, 17, 0), DrawLine(3, 4, 31, 17, 1));
  EXPECT_EQ(DrawLine(3, 4, 31, 17, 0).size(), 28u);
}

TEST(SurfaceLine, WidePenStrokesABandAroundTheSegment) {
  const PixelSet pixels = DrawLine(10, 20, 30, 20, 4);
  const Bounds b = BoundsOf(pixels);
  EXPECT_GE(b.bottom - b.top, 4);
  EXPECT_LE(b.bottom - b.top, 5);
  EXPECT_LE(b.left, 10);
  EXPECT_GE(b.right, 31);  // round caps reach past both ends
  EXPECT_LE(b.right, 33);
  for (int x = 10; x <= 30; ++x)
    EXPECT_TRUE(pixels.count({x, 20}));
}

TEST(SurfaceLine, DottedLineColoursEveryOtherPixelAcrossSegments) {
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.SetPenStyle(Surface::PenStyle::Dot);
    surface.MoveTo(2, 5);
    surface.LineTo(7, 5);  // five pixels: on, off, on, off, on
    surface.LineTo(12, 5);
  }
  EXPECT_EQ(Painted(image), (PixelSet{{2, 5}, {4, 5}, {6, 5}, {8, 5}, {10, 5}}));
}

TEST(SurfaceLine, DottedRhythmRunsOnThroughATurnIntoTheThirdSegment) {
  // Five pixels East, five more, then five North: one rhythm along the whole path, so every
  // other pixel of the path counted from its start, whatever each segment's own length.
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.SetPenStyle(Surface::PenStyle::Dot);
    surface.MoveTo(2, 5);
    surface.LineTo(7, 5);
    surface.LineTo(12, 5);
    surface.LineTo(12, 10);
  }
  EXPECT_EQ(Painted(image),
            (PixelSet{{2, 5}, {4, 5}, {6, 5}, {8, 5}, {10, 5}, {12, 5}, {12, 7}, {12, 9}}));
}

TEST(SurfaceLine, LinesFarOffTheDeviceFinishAndClipToIt) {
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.MoveTo(5, 7);
    surface.LineTo(2000000000, 7);
    surface.MoveTo(-2000000000, -2000000000);
    surface.LineTo(2000000000, 2000000000);
  }
  const PixelSet pixels = Painted(image);
  for (int x = 5; x < 40; ++x)
    EXPECT_TRUE(pixels.count({x, 7}));
  for (int k = 0; k < 40; ++k)
    EXPECT_TRUE(pixels.count({k, k}));
  EXPECT_EQ(pixels.size(), 35u + 40u - 1u);  // (7, 7) is on both
}

TEST(SurfaceShapes, RectangleCoversItsColumnsAndRowsOutlinedAndFilled) {
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.SetPenColor(QColor(kPen));
    surface.SetBrushColor(QColor(kBrush));
    surface.Rectangle(5, 7, 15, 12);
  }
  EXPECT_EQ(Painted(image), Box(5, 7, 15, 12));
  for (int x = 5; x < 15; ++x) {
    EXPECT_EQ(image.pixel(x, 7), kPen);
    EXPECT_EQ(image.pixel(x, 11), kPen);
  }
  for (int y = 7; y < 12; ++y) {
    EXPECT_EQ(image.pixel(5, y), kPen);
    EXPECT_EQ(image.pixel(14, y), kPen);
  }
  for (int y = 8; y < 11; ++y) {
    for (int x = 6; x < 14; ++x)
      EXPECT_EQ(image.pixel(x, y), kBrush);
  }
}

TEST(SurfaceShapes, HollowRectangleLeavesItsInsideAndSwappedCornersAreTheSameShape) {
  QImage hollow = Blank();
  QImage swapped = Blank();
  {
    Surface surface(&hollow);
    surface.SetBrushHollow();
    surface.Rectangle(5, 7, 15, 12);
    EXPECT_TRUE(surface.BrushHollow());
  }
  {
    Surface surface(&swapped);
    surface.SetBrushHollow();
    surface.Rectangle(15, 12, 5, 7);
  }
  PixelSet outline = Box(5, 7, 15, 12);
  for (const auto& p : Box(6, 8, 14, 11))
    outline.erase(p);
  EXPECT_EQ(Painted(hollow), outline);
  EXPECT_EQ(Painted(swapped), outline);
}

TEST(SurfaceShapes, TinyAndEmptyRectangles) {
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.Rectangle(3, 3, 4, 4);    // one pixel
    surface.Rectangle(10, 3, 11, 8);  // one column
    surface.Rectangle(20, 3, 20, 8);  // empty
    surface.Ellipse(30, 3, 30, 3);    // empty
  }
  PixelSet expected = Box(10, 3, 11, 8);
  expected.insert({3, 3});
  EXPECT_EQ(Painted(image), expected);
}

TEST(SurfaceShapes, EllipseStaysInsideItsBoxAndTouchesEverySide) {
  const int boxes[][4] = {{5, 5, 12, 12},   {20, 5, 23, 8}, {4, 20, 30, 32},
                          {33, 33, 35, 35}, {36, 2, 37, 3}, {30, 10, 38, 11}};
  for (const auto& r : boxes) {
    SCOPED_TRACE(testing::Message() << r[0] << "," << r[1] << "," << r[2] << "," << r[3]);
    QImage image = Blank();
    {
      Surface surface(&image);
      surface.SetPenColor(QColor(kPen));
      surface.SetBrushColor(QColor(kBrush));
      surface.Ellipse(r[0], r[1], r[2], r[3]);
    }
    const Bounds b = BoundsOf(Painted(image));
    EXPECT_EQ(b.left, r[0]);
    EXPECT_EQ(b.top, r[1]);
    EXPECT_EQ(b.right, r[2]);
    EXPECT_EQ(b.bottom, r[3]);
    if (r[2] - r[0] >= 7 && r[3] - r[1] >= 7) {
      EXPECT_EQ(image.pixel((r[0] + r[2]) / 2, (r[1] + r[3]) / 2), kBrush);
      EXPECT_EQ(image.pixel(r[0], (r[1] + r[3]) / 2), kPen);
      EXPECT_EQ(image.pixel(r[0], r[1]), kWhite);  // corners of the box stay clear
    }
  }
}

TEST(SurfaceShapes, HollowEllipseDrawsOnlyItsOutline) {
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.SetBrushColor(QColor(kBrush));
    surface.SetBrushHollow();
    surface.Ellipse(5, 5, 25, 25);
  }
  EXPECT_EQ(image.pixel(15, 15), kWhite);
  EXPECT_EQ(image.pixel(5, 15), qRgb(0, 0, 0));
  for (const auto& [x, y] : Painted(image))
    EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0));
}

TEST(SurfaceShapes, FillRectFillsExactlyWithTheBrushAndHollowFillsNothing) {
  QImage image = Blank();
  {
    Surface surface(&image);
    surface.SetPenColor(QColor(kPen));
    surface.SetBrushColor(QColor(kBrush));
    surface.FillRect(2, 3, 9, 6);
    surface.FillRect(20, 20, 10, 30);  // inverted: nothing
    surface.SetBrushHollow();
    surface.FillRect(20, 20, 30, 30);
  }
  EXPECT_EQ(Painted(image), Box(2, 3, 9, 6));
  EXPECT_EQ(image.pixel(2, 3), kBrush);
}

TEST(SurfacePolygon, SquareIsFilledAndOutlinedThroughItsVertices) {
  QImage image = Blank();
  const QPoint square[] = {{5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
  {
    Surface surface(&image);
    surface.SetPenColor(QColor(kPen));
    surface.SetBrushColor(QColor(kBrush));
    surface.Polygon(square, 5);
  }
  EXPECT_EQ(Painted(image), Box(5, 5, 16, 16));
  for (int k = 5; k <= 15; ++k) {
    EXPECT_EQ(image.pixel(k, 5), kPen);
    EXPECT_EQ(image.pixel(k, 15), kPen);
    EXPECT_EQ(image.pixel(5, k), kPen);
    EXPECT_EQ(image.pixel(15, k), kPen);
  }
  for (const auto& p : Box(6, 6, 15, 15))
    EXPECT_EQ(image.pixel(p.first, p.second), kBrush);
}

TEST(SurfacePolygon, TriangleFillsInsideItsOutlineOnly) {
  QImage image = Blank();
  const QPoint triangle[] = {{4, 30}, {20, 4}, {36, 30}};  // closing point left out
  {
    Surface surface(&image);
    surface.SetPenColor(QColor(kPen));
    surface.SetBrushColor(QColor(kBrush));
    surface.Polygon(triangle, 3);
  }
  const PixelSet pixels = Painted(image);
  const Bounds b = BoundsOf(pixels);
  EXPECT_EQ(b.left, 4);
  EXPECT_EQ(b.top, 4);
  EXPECT_EQ(b.right, 37);
  EXPECT_EQ(b.bottom, 31);
  for (const QPoint& v : triangle)
    EXPECT_EQ(image.pixel(v), kPen);
  EXPECT_EQ(image.pixel(20, 20), kBrush);
  // Each row is one unbroken run: pen, brush ..., pen.
  for (int y = 5; y < 30; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < 40; ++x) {
      if (image.pixel(x, y) == kWhite)
        continue;
      if (first < 0)
        first = x;
      last = x;
    }
    ASSERT_GE(first, 0) << y;
    EXPECT_EQ(image.pixel(first, y), kPen) << y;
    EXPECT_EQ(image.pixel(last, y), kPen) << y;
    for (int x = first; x <= last; ++x)
      EXPECT_NE(image.pixel(x, y), kWhite) << x << "," << y;
  }
}

TEST(SurfacePolygon, HollowAndDegeneratePolygons) {
  QImage image = Blank();
  const QPoint square[] = {{5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
  const QPoint dot[] = {{30, 30}, {30, 30}};
  const QPoint segment[] = {{20, 30}, {24, 30}, {20, 30}};
  {
    Surface surface(&image);
    surface.SetBrushHollow();
    surface.Polygon(square, 5);
    surface.SetBrushSolid();
    surface.Polygon(dot, 2);
    surface.Polygon(segment, 3);
    surface.Polygon(nullptr, 0);
  }
  EXPECT_EQ(image.pixel(10, 10), kWhite);
  EXPECT_NE(image.pixel(10, 5), kWhite);
  EXPECT_NE(image.pixel(30, 30), kWhite);
  for (int x = 20; x <= 24; ++x)
    EXPECT_NE(image.pixel(x, 30), kWhite);
  EXPECT_EQ(image.pixel(25, 30), kWhite);
}

TEST(SurfaceText, TextSitsBelowRightOfItsOriginInTheFontColourOnAClearBackground) {
  QImage image = Blank(120, 60);
  QSize extent;
  {
    Surface surface(&image);
    surface.SetFont(QFont("Arial"));
    surface.SetFontPixelHeight(15);
    surface.SetFontColor(QColor(kPen));
    surface.SetBrushColor(QColor(kBrush));
    extent = surface.TextExtent("NSEW");
    surface.TextOut(10, 20, "NSEW");
  }
  EXPECT_GT(extent.width(), 10);
  EXPECT_GE(extent.height(), 15);
  const PixelSet pixels = Painted(image);
  ASSERT_FALSE(pixels.empty());
  const Bounds b = BoundsOf(pixels);
  EXPECT_GE(b.left, 10);
  EXPECT_GE(b.top, 20);
  EXPECT_LE(b.right, 10 + extent.width() + 1);
  EXPECT_LE(b.bottom, 20 + extent.height());
  // Without antialiasing and background every coloured pixel is the font colour.
  for (const auto& [x, y] : pixels)
    EXPECT_EQ(image.pixel(x, y), kPen);
}

TEST(SurfacePixel, ReadsWhatWasDrawnAndNothingOutsideTheImage) {
  QImage image = Blank();
  Surface surface(&image);
  surface.SetBrushColor(QColor(kBrush));
  surface.FillRect(0, 0, 2, 2);
  EXPECT_EQ(surface.Pixel(1, 1), QColor(kBrush));
  EXPECT_EQ(surface.Pixel(2, 2), QColor(kWhite));
  EXPECT_FALSE(surface.Pixel(-1, 0).isValid());
  EXPECT_FALSE(surface.Pixel(0, 40).isValid());
}

TEST(SurfacePainter, BorrowedPainterIsLeftAsItWasFound) {
  QImage image = Blank();
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QPen pen(Qt::green, 3);
  painter.setPen(pen);
  {
    Surface surface(painter);
    surface.SetPenColor(QColor(kPen));
    surface.MoveTo(0, 0);
    surface.LineTo(5, 0);
    EXPECT_EQ(surface.Pixel(4, 0), QColor(kPen));
  }
  EXPECT_TRUE(painter.testRenderHint(QPainter::Antialiasing));
  EXPECT_EQ(painter.pen(), pen);
}

}  // namespace
