#include "gui/plot/graphbox.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QRect>

#include <cmath>
#include <iostream>
#include <limits>
#include <memory>
#include <sstream>

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 160, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

// Collects what the box writes to the diagnostic stream.
class CerrCapture {
 public:
  CerrCapture() : old(std::cerr.rdbuf(buffer.rdbuf())) {}
  ~CerrCapture() { std::cerr.rdbuf(old); }
  std::string Text() const { return buffer.str(); }

 private:
  std::ostringstream buffer;
  std::streambuf* old;
};

// The smallest rectangle holding every pixel of the colour; empty when there is none.
QRect PixelsOf(const QImage& image, QRgb colour) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == colour)
        box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

int CountOf(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      n += image.pixel(x, y) == colour;
  }
  return n;
}

// 200 x 100 pixels: the frame runs over columns 20..180 and rows 10..90, and the unit
// square of world coordinates fills it.
std::unique_ptr<TGraphBox> UnitBox() {
  auto box = std::make_unique<TGraphBox>();
  box->resize(200, 100);
  box->SetXRange(0, 1);
  box->SetYRange(0, 1);
  return box;
}

TEST(GraphData, UnlimitedSeriesGrowsByItsGrowth) {
  Data data(50, 10, -1);
  EXPECT_EQ(data.MaxCapacity(), std::numeric_limits<uint32_t>::max());
  EXPECT_EQ(data.Capacity(), 50u);
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(data.Add(i, -i), i);
  EXPECT_EQ(data.Capacity(), 50u);
  data.Add(50, -50);
  EXPECT_EQ(data.Capacity(), 60u);
  for (int i = 51; i < 61; ++i)
    data.Add(i, -i);
  EXPECT_EQ(data.Capacity(), 70u);
  for (int i = 61; i < 1000; ++i)
    data.Add(i, -i);
  EXPECT_EQ(data.Count(), 1000);
  EXPECT_EQ(data.Capacity(), 1000u);
  // Growing copies every point, in order.
  for (int i = 0; i < 1000; i += 37) {
    EXPECT_EQ(data.Point(i).x, i);
    EXPECT_EQ(data.Point(i).y, -i);
  }
}

TEST(GraphData, BoundedSeriesDropsTheOldestPoint) {
  Data data(50, 10, 50);
  for (int i = 1; i <= 51; ++i)
    data.Add(i, 2 * i);
  EXPECT_EQ(data.Count(), 50);
  EXPECT_EQ(data.Capacity(), 50u);
  EXPECT_EQ(data.Point(0).x, 2);
  EXPECT_EQ(data.Point(49).x, 51);
  EXPECT_EQ(data.Point(49).y, 102);

  // Growth stops at the bound even when a full step would pass it.
  Data partial(10, 10, 25);
  for (int i = 0; i < 11; ++i)
    partial.Add(i, 0);
  EXPECT_EQ(partial.Capacity(), 20u);
  for (int i = 11; i < 21; ++i)
    partial.Add(i, 0);
  EXPECT_EQ(partial.Capacity(), 25u);
  for (int i = 21; i < 40; ++i)
    EXPECT_EQ(partial.Add(i, 0), std::min(i, 24));
  EXPECT_EQ(partial.Count(), 25);
  EXPECT_EQ(partial.Point(0).x, 15);
  EXPECT_EQ(partial.Point(24).x, 39);
}

TEST(GraphData, DegenerateCapacitiesStillHoldPoints) {
  Data smallerBound(50, 10, 20);  // the bound never falls below the first allocation
  EXPECT_EQ(smallerBound.MaxCapacity(), 50u);

  Data noRoom(0, 0, 0);
  EXPECT_EQ(noRoom.Add(1, 1), 0);
  EXPECT_EQ(noRoom.Add(2, 2), 0);
  EXPECT_EQ(noRoom.Count(), 1);
  EXPECT_EQ(noRoom.Point(0).x, 2);

  Data noGrowth(0, 0, -1);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(noGrowth.Add(i, i), i);
  EXPECT_EQ(noGrowth.Capacity(), 5u);

  float x0, x1, y0, y1;
  Data empty(1, 1, 1);
  empty.Bounds(x0, x1, y0, y1);
  EXPECT_EQ(x0, -1);
  EXPECT_EQ(x1, 1);
  EXPECT_EQ(y0, -1);
  EXPECT_EQ(y1, 1);
}

TEST(GraphRanges, SinglePointSpansOneEachWayAndDrawsNothing) {
  TGraphBox box;
  box.resize(280, 206);
  Data data(50, 10, -1);
  data.Add(2, 3);
  box.AddSeries(&data, "Error", QColor(kRed), true);
  EXPECT_EQ(box.XMin(), 1);
  EXPECT_EQ(box.XMax(), 3);
  EXPECT_EQ(box.YMin(), 2);
  EXPECT_EQ(box.YMax(), 4);
  EXPECT_EQ(CountOf(box.Image(), kRed), 0);
}

TEST(GraphRanges, EmptySeriesWidensToUnitRange) {
  TGraphBox box;
  box.resize(280, 206);
  Data empty(50, 10, -1);
  Data inside(50, 10, -1);
  inside.Add(5, 5.5f);
  inside.Add(6, 6);
  box.AddSeries(&empty, "empty", QColor(kBlue), false);
  box.AddSeries(&inside, "inside", QColor(kRed), true);
  EXPECT_EQ(box.XMin(), -1);
  EXPECT_EQ(box.XMax(), 6);
  EXPECT_EQ(box.YMin(), -1);
  EXPECT_EQ(box.YMax(), 6);

  // Without series the last ranges stay.
  box.RemoveSeries(&empty, false);
  box.Repaint();
  EXPECT_EQ(box.XMin(), 5);
  EXPECT_EQ(box.YMin(), 5.5f);
  box.RemoveSeries(&inside, true);
  EXPECT_EQ(box.XMin(), 5);
  EXPECT_EQ(box.XMax(), 6);
  EXPECT_EQ(box.YMin(), 5.5f);
  EXPECT_EQ(box.YMax(), 6);
}

TEST(GraphRanges, FixedRangesWinUntilAutoIsRestored) {
  TGraphBox box;
  box.resize(280, 206);
  Data data(50, 10, -1);
  data.Add(0, 10);
  data.Add(4, 20);
  box.AddSeries(&data, "d", QColor(kRed), false);
  box.SetXRange(-2, 8);
  EXPECT_EQ(box.XMin(), -2);
  EXPECT_EQ(box.XMax(), 8);
  EXPECT_EQ(box.YMin(), 10);  // y still follows the data
  box.SetYRange(7, 7);        // an empty range opens by one each way
  EXPECT_EQ(box.YMin(), 6);
  EXPECT_EQ(box.YMax(), 8);
  box.AutoXRange();
  EXPECT_EQ(box.XMin(), 0);
  EXPECT_EQ(box.XMax(), 4);
  EXPECT_EQ(box.YMin(), 6);
  box.AutoRanges();
  EXPECT_EQ(box.YMin(), 10);
  EXPECT_EQ(box.YMax(), 20);

  // A new point is seen at the next repaint, which the series asks for.
  data.Add(9, 30);
  EXPECT_EQ(box.XMax(), 4);
  data.NotifyBoxes();
  EXPECT_EQ(box.XMax(), 9);
  EXPECT_EQ(box.YMax(), 30);
}

TEST(GraphRanges, StepsGiveDivisionsAndZeroIsRefused) {
  TGraphBox box;
  box.resize(280, 206);
  box.SetXRange(0, 1);
  box.SetXStep(0.3f, false);
  EXPECT_EQ(box.XDivisions(), 3);
  box.SetXStep(2, false);
  EXPECT_EQ(box.XDivisions(), 1);
  box.SetXStep(0.25f, true);
  EXPECT_EQ(box.XDivisions(), 4);
  {
    CerrCapture err;
    box.SetXStep(0, true);
    EXPECT_EQ(err.Text(), " Invalid Value for x_step! ");
  }
  EXPECT_EQ(box.XDivisions(), 4);
  // A fixed step follows later range changes.
  box.SetXRange(0, 2);
  EXPECT_EQ(box.XDivisions(), 8);
  box.AutoXStep();
  EXPECT_EQ(box.XDivisions(), 1);
  box.SetXRange(0, 4);
  EXPECT_EQ(box.XDivisions(), 1);

  box.SetYRange(-1, 1);
  box.SetYStep(0.5f, true);
  EXPECT_EQ(box.YDivisions(), 4);
  {
    CerrCapture err;
    box.SetYStep(0, true);
    EXPECT_EQ(err.Text(), " Invalid Value for y_step! ");
  }
  EXPECT_EQ(box.YDivisions(), 4);
  // Steps that cannot divide the range still leave a usable count.
  box.SetYStep(-0.5f, true);
  EXPECT_NE(box.YDivisions(), 0);
  box.SetYStep(std::numeric_limits<float>::quiet_NaN(), true);
  EXPECT_EQ(box.YDivisions(), 1);
  box.SetYStep(1e-30f, true);
  EXPECT_GT(box.YDivisions(), 0);
}

TEST(GraphDiagnostics, BadIndicesFlagsAndGridCountsAreReported) {
  TGraphBox box;
  box.resize(200, 100);
  Data data(50, 10, -1);
  box.AddSeries(&data, "Error", QColor(kRed), false);
  {
    CerrCapture err;
    ASSERT_NE(box.SeriesAt(0), nullptr);
    EXPECT_EQ(box.SeriesAt(0)->name, "Error");
    EXPECT_EQ(box.SeriesAt(0)->data, &data);
    EXPECT_EQ(box.SeriesAt(1), nullptr);
    EXPECT_EQ(err.Text(), "");
    EXPECT_EQ(box.SeriesAt(5), nullptr);
    EXPECT_EQ(err.Text(), "Unable to find list element number: 5\n");
  }
  {
    CerrCapture err;
    EXPECT_EQ(box.RemoveSeriesAt(3, true), 0);
    EXPECT_EQ(box.SeriesCount(), 1);
    EXPECT_EQ(err.Text(), "Unable to find list element number: 3\n");
  }
  {
    CerrCapture err;
    box.ShowXLabels(2, true);
    EXPECT_EQ(err.Text(), " Invalid Value\t for x text axis flag ");
  }
  {
    CerrCapture err;
    box.ShowYLabels(-1, true);
    EXPECT_EQ(err.Text(), " Invalid Value\t for y text axis flag ");
  }
  {
    CerrCapture err;
    box.SetGrid(0, 3, QColor(kGreen));
    EXPECT_EQ(err.Text(), " Invalid Value for grid range x! ");
    EXPECT_EQ(box.GridX(), 0);
    EXPECT_EQ(box.GridY(), 3);
    EXPECT_TRUE(box.GridShown());
    EXPECT_EQ(box.GridColour(), QColor(kGreen));
  }
  {
    CerrCapture err;
    box.SetGrid(4, -2, QColor(kBlue));
    EXPECT_EQ(err.Text(), " Invalid Value for grid range y! ");
    EXPECT_EQ(box.GridX(), 4);
    EXPECT_EQ(box.GridY(), 3);
  }
}

TEST(GraphPixels, FrameExcludesTheEndPixelOfEachSide) {
  auto box = UnitBox();
  const QImage& image = box->Image();
  ASSERT_EQ(image.size(), QSize(200, 100));
  EXPECT_EQ(image.pixel(19, 90), kWhite);
  EXPECT_EQ(image.pixel(20, 90), kBlack);
  EXPECT_EQ(image.pixel(179, 90), kBlack);
  EXPECT_EQ(image.pixel(180, 89), kBlack);
  EXPECT_EQ(image.pixel(180, 90), kWhite);  // both lines meeting here stop short of it
  EXPECT_EQ(image.pixel(180, 10), kBlack);
  EXPECT_EQ(image.pixel(20, 10), kBlack);
  EXPECT_EQ(PixelsOf(image, kBlack), QRect(QPoint(20, 10), QPoint(180, 90)));
  EXPECT_EQ(CountOf(image, kBlack), 2 * 160 + 79 + 80);  // the corner (20, 10) is shared

  box->SetBackground(QColor(kBlue));
  EXPECT_EQ(box->Image().pixel(5, 5), kBlue);
  box->SetFrameColour(0, 160, 0);  // the component form waits for the next repaint
  EXPECT_EQ(box->Image().pixel(20, 90), kBlack);
  box->Repaint();
  EXPECT_EQ(box->Image().pixel(20, 90), kGreen);
}

TEST(GraphPixels, PaintEventShowsTheCurrentData) {
  auto box = UnitBox();
  Data data(50, 10, -1);
  data.Add(0, 0);
  data.Add(1, 1);
  box->AddSeries(&data, "d", QColor(kRed), false);  // not repainted yet
  EXPECT_EQ(CountOf(box->Image(), kRed), 0);
  const QImage shown = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(200, 100));
  EXPECT_EQ(shown.pixel(100, 50), kRed);
  EXPECT_EQ(shown.pixel(20, 10), kBlack);
  EXPECT_EQ(shown, box->Image());
}

// One drawing per change: a paint after Repaint shows the image drawn (its cache key does
// not move), while a point added, a colour set or a size changed without a repaint is drawn
// by the next paint.
TEST(GraphPixels, PaintDrawsAgainOnlyAfterAChange) {
  auto box = UnitBox();
  Data data(50, 10, -1);
  data.Add(0, 0);
  box->AddSeries(&data, "d", QColor(kRed), true);
  const qint64 drawn = box->Image().cacheKey();
  box->grab();
  EXPECT_EQ(box->Image().cacheKey(), drawn);

  data.Add(1, 1);
  QImage shown = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_NE(box->Image().cacheKey(), drawn);
  EXPECT_EQ(shown.pixel(100, 50), kRed);

  box->SetTextColour(QColor(0, 0, 255));
  box->SetTitle("T", false);
  shown = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_GT(CountOf(shown, qRgb(0, 0, 255)), 0);

  box->resize(240, 120);
  shown = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.size(), QSize(240, 120));
  EXPECT_EQ(shown, box->Image());
}

TEST(GraphPixels, SeriesLineRunsBetweenMappedPoints) {
  auto box = UnitBox();
  Data data(50, 10, -1);
  data.Add(0, 0);
  data.Add(1, 1);
  box->AddSeries(&data, "d", QColor(kRed), true);
  const QImage& image = box->Image();
  EXPECT_EQ(image.pixel(20, 90), kRed);
  EXPECT_EQ(image.pixel(100, 50), kRed);
  EXPECT_NE(image.pixel(180, 10), kRed);  // the end pixel belongs to the frame
  EXPECT_EQ(PixelsOf(image, kRed), QRect(QPoint(20, 11), QPoint(179, 90)));
}

TEST(GraphPixels, LinesLeavingThePlotAreaAreCutAtTheFrame) {
  const QRect frame(QPoint(20, 10), QPoint(180, 90));
  struct Case {
    float x1, y1, x2, y2;
    QPoint inside;  // a pixel the line must colour
    QPoint edge;    // the pixel where the cut line ends
  };
  const Case cases[] = {
      {0.5f, 0.5f, 0.5f, 100.0f, {100, 50}, {100, 11}},   // straight up
      {0.5f, 0.5f, 0.5f, -100.0f, {100, 50}, {100, 89}},  // straight down
      {0.5f, 0.5f, 10.0f, 0.6f, {100, 50}, {179, 50}},    // far to the right
      {0.5f, 0.5f, -1e30f, 0.5f, {100, 50}, {21, 50}},    // very far to the left
      {10.0f, 0.6f, 0.5f, 0.5f, {101, 50}, {180, 50}},    // in from the right, starting on it
      {0.5f, 0.5f, 3.0f, 3.0f, {100, 50}, {179, 11}},     // out through the corner
  };
  for (const Case& c : cases) {
    auto box = UnitBox();
    Data data(50, 10, -1);
    data.Add(c.x1, c.y1);
    data.Add(c.x2, c.y2);
    box->AddSeries(&data, "d", QColor(kRed), true);
    const QImage& image = box->Image();
    const QRect red = PixelsOf(image, kRed);
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2);
    ASSERT_FALSE(red.isEmpty());
    EXPECT_TRUE(frame.contains(red))
        << red.x() << "," << red.y() << " " << red.width() << "x" << red.height();
    EXPECT_EQ(image.pixel(c.inside), kRed);
    EXPECT_EQ(image.pixel(c.edge), kRed);
  }
}

TEST(GraphPixels, SegmentsWhollyOutsideOrUnusableDrawNothing) {
  auto box = UnitBox();
  Data data(50, 10, -1);
  data.Add(2, 0.5f);  // both right of the frame
  data.Add(3, 0.7f);
  data.Add(std::numeric_limits<float>::quiet_NaN(), 0.5f);
  data.Add(0.5f, std::numeric_limits<float>::infinity());
  data.Add(0.2f, -5);  // both below
  data.Add(0.8f, -6);
  box->AddSeries(&data, "d", QColor(kRed), true);
  EXPECT_EQ(CountOf(box->Image(), kRed), 0);

  // Ranges too wide for a float give no place to draw either.
  auto wide = std::make_unique<TGraphBox>();
  wide->resize(200, 100);
  Data extreme(50, 10, -1);
  extreme.Add(-3e38f, 0);
  extreme.Add(3e38f, 1);
  wide->AddSeries(&extreme, "x", QColor(kRed), true);
  EXPECT_TRUE(std::isinf(wide->XMax() - wide->XMin()));
  EXPECT_EQ(CountOf(wide->Image(), kRed), 0);
}

TEST(GraphPixels, GridDotsAreThreeByThree) {
  auto box = UnitBox();
  box->SetGrid(2, 2, QColor(kGreen));
  const QImage& image = box->Image();
  // Columns 100 and 180, rows 10 and 50.
  EXPECT_EQ(CountOf(image, kGreen), 4 * 9);
  EXPECT_EQ(PixelsOf(image, kGreen), QRect(QPoint(99, 9), QPoint(181, 51)));
  for (QPoint p : {QPoint(99, 49), QPoint(101, 51), QPoint(179, 9), QPoint(181, 11)}) {
    EXPECT_EQ(image.pixel(p), kGreen) << p.x() << "," << p.y();
  }
  EXPECT_NE(image.pixel(102, 50), kGreen);
  EXPECT_NE(image.pixel(100, 90), kGreen);
  box->HideGrid();
  EXPECT_FALSE(box->GridShown());
  EXPECT_EQ(CountOf(box->Image(), kGreen), 0);
}

TEST(GraphPixels, TitleAndAxisNamesAreCentredAndSwitchable) {
  TGraphBox box;
  box.resize(280, 206);
  box.SetTextColour(QColor(kBlue));
  box.SetTitle("Convergence", true);
  const QRect title = PixelsOf(box.Image(), kBlue);
  ASSERT_FALSE(title.isEmpty());
  EXPECT_GE(title.top(), 6);  // round(0.03 * 206)
  EXPECT_LT(title.bottom(), 21);
  EXPECT_NEAR(title.center().x(), 140, 3);

  box.ShowTitle(0, true);
  EXPECT_EQ(CountOf(box.Image(), kBlue), 0);
  box.ShowTitle(1, true);  // only a new text shows it again
  EXPECT_EQ(CountOf(box.Image(), kBlue), 0);

  box.SetXName("time", true);
  const QRect xName = PixelsOf(box.Image(), kBlue);
  ASSERT_FALSE(xName.isEmpty());
  EXPECT_GE(xName.top(), 187);  // round(206 - 0.09 * 206)
  EXPECT_NEAR(xName.center().x(), 140, 3);
  box.ShowXName(0, true);

  box.SetYName("error", true);
  const QRect yName = PixelsOf(box.Image(), kBlue);
  ASSERT_FALSE(yName.isEmpty());
  EXPECT_GT(yName.height(), 3 * yName.width());  // one letter a line
  EXPECT_NEAR(yName.center().x(), 22, 4);        // round(0.08 * 280)
  EXPECT_NEAR(yName.center().y(), 103, 6);
}

TEST(GraphPixels, ZeroSizedBoxKeepsItsRanges) {
  TGraphBox box;
  box.resize(0, 0);
  Data data(50, 10, -1);
  data.Add(1, 1);
  data.Add(2, 3);
  box.AddSeries(&data, "d", QColor(kRed), true);
  EXPECT_TRUE(box.Image().isNull());
  EXPECT_EQ(box.XMax(), 2);
  EXPECT_EQ(box.YMax(), 3);
  box.resize(50, 40);
  box.Repaint();
  EXPECT_EQ(box.Image().size(), QSize(50, 40));
}

TEST(GraphLinks, SeriesAndBoxesStayConsistentOnRemoval) {
  TGraphBox a, b;
  a.resize(200, 100);
  b.resize(200, 100);
  Data data(50, 10, -1);
  Data other(50, 10, -1);
  EXPECT_EQ(a.RemoveSeries(&data, true), 0);

  a.AddSeries(&data, "d", QColor(kRed), false);
  b.AddSeries(&data, "d", QColor(kRed), false);
  a.AddSeries(&other, "o", QColor(kBlue), false);
  a.AddSeries(&data, "again", QColor(kRed), false);
  EXPECT_EQ(data.BoxCount(), 3);
  EXPECT_EQ(a.SeriesCount(), 3);

  EXPECT_EQ(a.RemoveSeries(&data, false), 1);  // the first entry goes
  EXPECT_EQ(a.SeriesAt(0)->data, &other);
  EXPECT_EQ(a.SeriesAt(1)->name, "again");
  EXPECT_EQ(data.BoxCount(), 2);
  EXPECT_TRUE(data.ShownBy(&a));

  EXPECT_EQ(a.RemoveSeriesAt(1, true), 1);
  EXPECT_FALSE(data.ShownBy(&a));
  EXPECT_TRUE(data.ShownBy(&b));
  EXPECT_EQ(a.SeriesCount(), 1);
  EXPECT_EQ(other.BoxCount(), 1);
}

TEST(GraphLinks, DestroyingASeriesClearsAndRepaintsEveryBox) {
  auto a = UnitBox();
  auto b = UnitBox();
  Data stays(50, 10, -1);
  a->AddSeries(&stays, "stays", QColor(kBlue), false);
  {
    Data data(50, 10, -1);
    data.Add(0, 0);
    data.Add(1, 1);
    a->AddSeries(&data, "d", QColor(kRed), true);
    b->AddSeries(&data, "d", QColor(kRed), true);
    b->AddSeries(&data, "twice", QColor(kRed), true);
    ASSERT_GT(CountOf(a->Image(), kRed), 0);
    ASSERT_GT(CountOf(b->Image(), kRed), 0);
  }
  EXPECT_EQ(a->SeriesCount(), 1);
  EXPECT_EQ(b->SeriesCount(), 0);
  EXPECT_EQ(CountOf(a->Image(), kRed), 0);
  EXPECT_EQ(CountOf(b->Image(), kRed), 0);
  a.reset();
  EXPECT_EQ(stays.BoxCount(), 0);
}

TEST(GraphLinks, DestroyingABoxLeavesItsSeriesUsable) {
  Data data(50, 10, -1);
  data.Add(0, 0);
  auto parent = std::make_unique<QWidget>();
  auto* child = new TGraphBox(parent.get());  // owned by its parent widget
  child->AddSeries(&data, "d", QColor(kRed), false);
  {
    TGraphBox box;
    box.AddSeries(&data, "d", QColor(kRed), false);
    box.AddSeries(&data, "d", QColor(kRed), false);
    EXPECT_EQ(data.BoxCount(), 3);
  }
  EXPECT_EQ(data.BoxCount(), 1);
  parent.reset();
  EXPECT_EQ(data.BoxCount(), 0);
  data.Add(1, 1);
  data.NotifyBoxes();
  EXPECT_EQ(data.Count(), 2);
}

}  // namespace
