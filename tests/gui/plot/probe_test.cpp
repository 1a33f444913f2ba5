// The volume under the mouse, the colour bar and the marker on it.

#include "gui/plot/probe.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>
#include <memory>

#include "gui/platform/surface.h"
#include "gui/plot/fieldplot.h"
#include "sim/manager.h"
#include "sim/problem.h"
#include "tests/gui/support.h"
#include "tests/sim/support.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kPanel = qRgb(240, 240, 240);

VolumeIndex At(int32_t i, int32_t j) {
  return VolumeIndex{i, j};
}
const VolumeIndex kNone{-1, -1};

TEST(FindVolume, InteriorPointsFindTheirVolume) {
  CartesianMedia grid(3, 2, 3, 2, DefaultMaterial());  // unit cells
  EXPECT_EQ(FindVolume(grid, Point{0.3, 0.2}), At(0, 0));
  EXPECT_EQ(FindVolume(grid, Point{0.7, 0.2}), At(0, 0));  // below the diagonal
  EXPECT_EQ(FindVolume(grid, Point{0.2, 0.7}), At(0, 0));  // above it
  EXPECT_EQ(FindVolume(grid, Point{1.5, 0.5}), At(1, 0));
  EXPECT_EQ(FindVolume(grid, Point{2.9, 1.1}), At(2, 1));
  EXPECT_EQ(FindVolume(grid, Point{0.1, 1.9}), At(0, 1));
}

TEST(FindVolume, SharedEdgesNodesAndDiagonalsGoToTheFirstVolumeInScanOrder) {
  CartesianMedia grid(3, 2, 3, 2, DefaultMaterial());
  EXPECT_EQ(FindVolume(grid, Point{0.5, 0.5}), At(0, 0));  // the diagonal of both triangles
  EXPECT_EQ(FindVolume(grid, Point{1, 0.5}), At(0, 0));    // edge with (1, 0)
  EXPECT_EQ(FindVolume(grid, Point{1.5, 1}), At(1, 0));    // edge with (1, 1)
  EXPECT_EQ(FindVolume(grid, Point{2, 1}), At(1, 0));      // node of four volumes
  EXPECT_EQ(FindVolume(grid, Point{2.5, 1.5}), At(2, 1));
  // Within the tolerance of an edge counts as on it, even from outside the grid.
  EXPECT_EQ(FindVolume(grid, Point{-1e-7, 0.5}), At(0, 0));
  EXPECT_EQ(FindVolume(grid, Point{3 + 1e-7, 2}), At(2, 1));
}

TEST(FindVolume, VolumesOfAMillimetreAreFoundAsExactlyAsVolumesOfAMetre) {
  // The tolerance scales with the volume: an absolute one reached across two volumes here.
  CartesianMedia fine(1, 0.5, 500, 250, DefaultMaterial());
  for (int32_t i : {0, 3, 250, 499}) {
    for (int32_t j : {0, 7, 120, 249}) {
      const Point c{(i + 0.5) / 500, (j + 0.5) / 500};
      EXPECT_EQ(FindVolume(fine, c), At(i, j)) << i << "," << j;
      EXPECT_EQ(FindVolume(fine, Point{c.x - 0.0009, c.y + 0.0009}), At(i, j)) << i << "," << j;
    }
  }
  // Scaled down a thousand times, the unit grid finds what it found at full size.
  CartesianMedia tiny(0.003, 0.002, 3, 2, DefaultMaterial());
  EXPECT_EQ(FindVolume(tiny, Point{0.0007, 0.0002}), At(0, 0));
  EXPECT_EQ(FindVolume(tiny, Point{0.001, 0.0005}), At(0, 0));
  EXPECT_EQ(FindVolume(tiny, Point{0.0015, 0.001}), At(1, 0));
  EXPECT_EQ(FindVolume(tiny, Point{0.0029, 0.0011}), At(2, 1));
  EXPECT_EQ(FindVolume(tiny, Point{-1e-10, 0.0005}), At(0, 0));
  EXPECT_EQ(FindVolume(tiny, Point{-1e-7, 0.0005}), kNone);
}

TEST(FindVolume, PointsOutsideTheGridOrNotNumbersFindNone) {
  CartesianMedia grid(3, 2, 3, 2, DefaultMaterial());
  EXPECT_EQ(FindVolume(grid, Point{3.5, 0.5}), kNone);
  EXPECT_EQ(FindVolume(grid, Point{-0.01, 0.5}), kNone);
  EXPECT_EQ(FindVolume(grid, Point{-1e-4, 0.5}), kNone);  // beyond the tolerance
  EXPECT_EQ(FindVolume(grid, Point{1, 2.01}), kNone);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FindVolume(grid, Point{nan, 0.5}), kNone);
  EXPECT_EQ(FindVolume(grid, Point{0.5, inf}), kNone);
  EXPECT_FALSE(kNone.Valid());
}

TEST(FindVolume, CurvedGridsWhoseCornersRunTheOtherWay) {
  // A quarter annulus: i outwards from radius 1 to 2, j anticlockwise over 90 degrees. Its
  // volumes are not rectangles, and a mirrored copy turns every triangle round.
  PolarMedia ring(2, 1, 90, 4, 6, DefaultMaterial());
  auto polar = [](double r, double degrees) {
    const double a = degrees * std::acos(-1.0) / 180;
    return Point{r * std::cos(a), r * std::sin(a)};
  };
  EXPECT_EQ(FindVolume(ring, polar(1.1, 5)), At(0, 0));
  EXPECT_EQ(FindVolume(ring, polar(1.6, 40)), At(2, 2));
  EXPECT_EQ(FindVolume(ring, polar(1.95, 88)), At(3, 5));
  EXPECT_EQ(FindVolume(ring, polar(0.9, 45)), kNone);   // in the hole
  EXPECT_EQ(FindVolume(ring, Point{1.9, 1.9}), kNone);  // beyond the arc, inside the box

  for (int32_t i = 0; i <= ring.ni; ++i) {
    for (int32_t j = 0; j <= ring.nj; ++j)
      ring.node(i, j).x = -ring.node(i, j).x;
  }
  Point mirrored = polar(1.6, 40);
  mirrored.x = -mirrored.x;
  EXPECT_EQ(FindVolume(ring, mirrored), At(2, 2));
}

TEST(ScaleBitmap, HotTopColdBottomInABlackFrame) {
  const QSize size = ScaleBitmapSize(QSize(65, 137));
  ASSERT_EQ(size, QSize(55, 131));
  QImage bitmap(size, QImage::Format_RGB32);
  bitmap.fill(kGreen);
  PaintScaleBitmap(bitmap);
  const int w = size.width(), h = size.height();
  for (int x = 0; x < w; ++x) {
    EXPECT_EQ(bitmap.pixel(x, 0), kBlack);
    EXPECT_EQ(bitmap.pixel(x, h - 1), kBlack);
  }
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(bitmap.pixel(0, y), kBlack);
    EXPECT_EQ(bitmap.pixel(w - 1, y), kBlack);
  }
  // Row y has rate 1 - (y - 1)/(h - 1): red at the top, nearly blue at the bottom.
  for (int y = 1; y <= h - 2; ++y) {
    const QRgb row = TemperatureColor(1 - (y - 1.0) / (h - 1), 0.5).rgb();
    for (int x = 1; x <= w - 2; ++x)
      ASSERT_EQ(bitmap.pixel(x, y), row) << x << "," << y;
  }
  EXPECT_EQ(bitmap.pixel(20, 1), kRed);
  EXPECT_EQ(bitmap.pixel(20, 66), kGreen);
  EXPECT_EQ(bitmap.pixel(20, h - 2), qRgb(0, 15, 255));

  QImage none;
  PaintScaleBitmap(none);  // nothing to paint on, nothing done
  EXPECT_TRUE(none.isNull());
}

// The scale box of the standard size, painted on a panel-coloured background.
QImage PaintedScale(const QImage* bitmap, std::optional<double> depth) {
  QImage box(65, 137, QImage::Format_RGB32);
  box.fill(kPanel);
  Surface surface(&box);
  PaintScale(surface, box.size(), bitmap, depth);
  return box;
}

// The rows of the marker's tip column (two pixels left of the bar) that are black.
std::vector<int> TipRows(const QImage& box) {
  std::vector<int> rows;
  for (int y = 0; y < box.height(); ++y) {
    if (box.pixel(8, y) == kBlack)
      rows.push_back(y);
  }
  return rows;
}

TEST(PaintScale, BarAgainstTheRightEdgeAndTheMarkerTipOnItsRow) {
  QImage bitmap(ScaleBitmapSize(QSize(65, 137)), QImage::Format_RGB32);
  PaintScaleBitmap(bitmap);
  const int h = bitmap.height();

  const QImage plain = PaintedScale(&bitmap, std::nullopt);
  EXPECT_EQ(plain.copy(10, 3, 55, 131), bitmap);
  EXPECT_EQ(plain.pixel(9, 60), kPanel);
  EXPECT_TRUE(TipRows(plain).empty());

  // Depth 0 (the run's maximum) points at bar row 1, depth 1 (the minimum) at row h - 1;
  // the bar starts at box row 3.
  EXPECT_EQ(TipRows(PaintedScale(&bitmap, 0.0)), std::vector<int>{3 + 1});
  EXPECT_EQ(TipRows(PaintedScale(&bitmap, 1.0)), std::vector<int>{3 + h - 1});
  EXPECT_EQ(TipRows(PaintedScale(&bitmap, 0.5)), std::vector<int>{3 + 1 + 64});

  // The whole triangle: 3 pixels wide, 6 high, left of the bar, the bar untouched.
  const QImage marked = PaintedScale(&bitmap, 0.0);
  int black = 0;
  for (int y = 0; y < 137; ++y) {
    for (int x = 0; x < 10; ++x) {
      if (marked.pixel(x, y) == kBlack) {
        ++black;
        EXPECT_TRUE(x >= 5 && x <= 8 && y >= 1 && y <= 7) << x << "," << y;
      }
    }
  }
  EXPECT_GT(black, 8);
  EXPECT_EQ(marked.copy(10, 3, 55, 131), bitmap);

  // Depths from rounding just outside [0, 1] are held to the bar; a missing one draws none.
  EXPECT_EQ(TipRows(PaintedScale(&bitmap, -1e-9)), std::vector<int>{4});
  EXPECT_EQ(TipRows(PaintedScale(&bitmap, 1 + 1e-9)), std::vector<int>{3 + h - 1});
  EXPECT_TRUE(TipRows(PaintedScale(&bitmap, std::nan(""))).empty());
}

TEST(PaintScale, WithoutResultsAnEmptyFramedBoxStandsInForTheBar) {
  const QImage box = PaintedScale(nullptr, 0.0);
  EXPECT_EQ(box.pixel(10, 3), kBlack);
  EXPECT_EQ(box.pixel(64, 133), kBlack);
  EXPECT_EQ(box.pixel(10, 133), kBlack);
  EXPECT_EQ(box.pixel(30, 70), kWhite);
  EXPECT_EQ(box.pixel(9, 70), kPanel);
  EXPECT_EQ(box.pixel(30, 2), kPanel);
  EXPECT_EQ(box.pixel(30, 134), kPanel);
  EXPECT_TRUE(TipRows(box).empty());  // no results, no marker
}

TEST(MarkerDepth, HottestVolumeAtTheTopColdestAtTheBottom) {
  SolvedDefault run;
  SimManager& m = *run.manager;
  const int32_t last = m.Count() - 1;
  const SimSnapshot& s = m.Snapshot(last);
  VolumeIndex hottest = At(0, 0);
  for (int32_t i = 0; i < s.T.N(); ++i) {
    for (int32_t j = 0; j < s.T.M(); ++j) {
      if (s.T[i][j] > s.T[hottest.i][hottest.j])
        hottest = At(i, j);
    }
  }
  EXPECT_EQ(hottest.i, 9);  // next to the hot East side
  EXPECT_EQ(MarkerDepth(m, last, hottest), 0.0);
  // Snapshot 0 is the uniform start at the run's minimum.
  EXPECT_EQ(MarkerDepth(m, 0, At(3, 3)), 1.0);
  const std::optional<double> middle = MarkerDepth(m, last, At(4, 7));
  ASSERT_TRUE(middle);
  EXPECT_NEAR(*middle, 1 - s.T[4][7] / s.T[9][7], 1e-3);
  EXPECT_NEAR(*middle, 1 - 0.45 / 0.95, 1e-3);

  EXPECT_FALSE(MarkerDepth(m, last, kNone));
  EXPECT_FALSE(MarkerDepth(m, last + 1, At(1, 1)));
  EXPECT_FALSE(MarkerDepth(m, -1, At(1, 1)));
  EXPECT_FALSE(MarkerDepth(m, last, At(10, 0)));

  // The bar rows the marker tip points at, through the painted scale.
  QImage bitmap(ScaleBitmapSize(QSize(65, 137)), QImage::Format_RGB32);
  PaintScaleBitmap(bitmap);
  EXPECT_EQ(TipRows(PaintedScale(&bitmap, MarkerDepth(m, last, hottest))), std::vector<int>{3 + 1});
  EXPECT_EQ(TipRows(PaintedScale(&bitmap, MarkerDepth(m, 0, hottest))),
            std::vector<int>{3 + bitmap.height() - 1});

  // Extremes that are not numbers leave no place for the marker.
  m.maxT = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(MarkerDepth(m, last, hottest));
}

TEST(MarkerDepth, EqualTemperaturesUseARangeOfOne) {
  TestProblem p(std::make_unique<CartesianMedia>(1, 1, 3, 3, DefaultMaterial()));
  p.Insulate(p.north);
  p.Insulate(p.south);
  p.Insulate(p.east);
  p.Insulate(p.west);
  p.initial = 7;
  const NumVector<int> marks = Marks({0, 1});
  p.maxIterTime = 1;
  auto m = p.MakeManager(&marks);
  EXPECT_EQ(MarkerDepth(*m, 0, At(1, 1)), 1.0);
  // A temperature a little above the equal extremes sits that far up a one-degree bar.
  m->minT = 6.75;
  m->maxT = 6.75 + 1e-6;
  EXPECT_EQ(MarkerDepth(*m, 0, At(1, 1)), 0.75);
}

}  // namespace
