#include "gui/dialogs/Graphics.h"

#include <gtest/gtest.h>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "gui/dialogs/outputreport.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/widgets.h"
#include "sim/tutorials.h"
#include "tests/gui/support.h"

namespace {

// The main window as the profile window sees it.
class FakeTarget : public GraphicTarget {
 public:
  const SimManager* Results() const override { return results.get(); }
  const SimSnapshot* ShownSnapshot() const override {
    return results ? &results->Snapshot(shown) : nullptr;
  }
  ViewMode View() const override { return view; }
  bool VectorsShown() const override { return vectors; }
  const Media* Grid() const override { return grid; }
  const ReferenceCase* Reference() const override { return reference ? &*reference : nullptr; }

  std::unique_ptr<SimManager> results;
  const Media* grid = nullptr;
  std::optional<ReferenceCase> reference;
  int shown = 0;
  ViewMode view = ViewMode::Temperature;
  bool vectors = false;
};

// A ring sector of 7 x 5 unequal volumes, hot on its North ray and cold on its South ray,
// both arcs insulated; stopped before steady state so the rays carry different heat.
std::unique_ptr<SimManager> SolveSector(ProblemRecord& p, int steps) {
  p.media = std::make_unique<PolarMedia>(1.0, 0.4, 60, 7, 5, DefaultMaterial());
  const Function1D* zero = p.functionList[0].get();
  const Function1D* one = p.functionList[1].get();
  p.northFace->Insert(Segment{0, 1, new FTemperature(one)});
  p.southFace->Insert(Segment{0, 1, new FTemperature(zero)});
  p.eastFace->Insert(Segment{0, 1, new FFlux(zero)});
  // A warm patch on the inner arc makes heat cross the radial lines too.
  p.westFace->Insert(Segment{0, 1, new FFlux(zero)});
  p.westFace->Insert(Segment{0.2, 0.5, new FTemperature(one)});
  p.SetParameters(1e-9, 1e-10, steps, 10000, 50);
  return RunToEnd(p, UniformStart(p));
}

double Parse(const std::string& text) {
  bool ok = false;
  const double v = QByteArray::fromStdString(text).trimmed().toDouble(&ok);
  EXPECT_TRUE(ok) << text;
  return v;
}

// The profile window and the report describe one snapshot: the net heat across a line of
// faces is the report's sum for that line, to the last printed digit, and the average and
// extremes are the report's numbers.
TEST(Profile, StatisticsAgreeWithTheReport) {
  ProblemRecord p;
  const auto run = SolveSector(p, 40);
  const SimSnapshot& s = run->LastSnapshot();
  const ReportLines report = OutputReport(ReportSource{*run, s});
  const int ni = 7, nj = 5;
  ASSERT_EQ(report.size(), 34u + 3 * nj + 13);  // the tables, then the convergence check

  // SN profiles run up a column of West-East faces: the report's "Sum:" line.
  const std::string& sums = report[28 + nj + 2 + nj];
  ASSERT_EQ(sums.substr(0, 4), "Sum:");
  for (int i = 0; i <= ni; ++i) {
    const Profile column = ComputeProfile(*run, s, ProfileKind::Flux, ProfileDirection::SN, i, 0);
    ASSERT_EQ(column.line.size(), static_cast<std::size_t>(nj));
    EXPECT_EQ(ReportReal(column.statistic), sums.substr(5 + 17 * i, 16)) << "column " << i;
  }
  // WE profiles run along a line of South-North faces: the row sums of the last table,
  // North line first.
  for (int j = nj; j >= 0; --j) {
    const std::string& row = report[28 + nj + 2 + nj + 1 + 2 + (nj - j)];
    const Profile line = ComputeProfile(*run, s, ProfileKind::Flux, ProfileDirection::WE, 0, j);
    ASSERT_EQ(line.line.size(), static_cast<std::size_t>(ni));
    EXPECT_EQ("  Sum: " + ReportReal(line.statistic, 0), row.substr(row.find("  Sum: ")))
        << "face line " << j;
    EXPECT_LT(line.statistic, 0) << "heat flows from the hot North to the South";
  }
  // The average temperature of a row is the mean of the report's row.
  for (int j = 0; j < nj; ++j) {
    const std::string& row = report[28 + (nj - 1 - j)];
    double total = 0;
    for (int i = 0; i < ni; ++i)
      total += Parse(row.substr(5 + 17 * i, 16));
    const Profile t = ComputeProfile(*run, s, ProfileKind::Temperature, ProfileDirection::WE, 3, j);
    EXPECT_NEAR(t.statistic, total / ni, 1e-8);
    EXPECT_EQ(ReportReal(t.fieldValue), row.substr(5 + 17 * 3, 16));
  }
  // Extremes: the report's "Flux WE" lines hold the South-North faces, as the WE profile.
  const Profile we = ComputeProfile(*run, s, ProfileKind::Flux, ProfileDirection::WE, 0, 0);
  EXPECT_EQ(ReportReal(we.globalMin) + ReportReal(we.globalMax), report[22].substr(22));
  EXPECT_EQ(ReportReal(we.localMin) + ReportReal(we.localMax), report[23].substr(22));
  const Profile sn = ComputeProfile(*run, s, ProfileKind::Flux, ProfileDirection::SN, 0, 0);
  EXPECT_EQ(ReportReal(sn.globalMin) + ReportReal(sn.globalMax), report[18].substr(22));
  EXPECT_EQ(ReportReal(sn.localMin) + ReportReal(sn.localMax), report[19].substr(22));
  EXPECT_LT(sn.globalMin, sn.globalMax);
}

class GraphicDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target.results = SolveSector(problem, 40);
    target.shown = target.results->Count() - 1;
    dlg = std::make_unique<TGraphicDlg>(target);
    dlg->show();
  }
  const SimSnapshot& Shown() const { return target.results->Snapshot(target.shown); }

  ProblemRecord problem;
  FakeTarget target;
  std::unique_ptr<TGraphicDlg> dlg;
};

// North is at the top of the vertical bar, West at the left of the horizontal one, and the
// arrow keys move the handle the way they point.
TEST_F(GraphicDlgTest, TrackBarsPointAtTheCompass) {
  EXPECT_EQ(dlg->ProfileName->text(), "Temperature");
  EXPECT_EQ(dlg->Statistic->text(), "Average");
  ASSERT_EQ(dlg->WEBar->maximum(), 6);
  ASSERT_EQ(dlg->NSBar->maximum(), 4);

  // A click on the bar's groove moves the handle towards the click. The groove lies beside
  // the ticks (right of a vertical bar, below a horizontal one).
  dlg->NSBar->setValue(2);
  const int middle = dlg->IndexSN();
  QTest::mouseClick(dlg->NSBar, Qt::LeftButton, {}, QPoint(dlg->NSBar->width() / 4, 10));
  EXPECT_GT(dlg->IndexSN(), middle) << "a click at the top moves North";
  QTest::mouseClick(dlg->NSBar, Qt::LeftButton, {},
                    QPoint(dlg->NSBar->width() / 4, dlg->NSBar->height() - 10));
  QTest::mouseClick(dlg->NSBar, Qt::LeftButton, {},
                    QPoint(dlg->NSBar->width() / 4, dlg->NSBar->height() - 10));
  EXPECT_LT(dlg->IndexSN(), middle) << "a click at the bottom moves South";
  dlg->WEBar->setValue(3);
  QTest::mouseClick(dlg->WEBar, Qt::LeftButton, {}, QPoint(10, dlg->WEBar->height() / 4));
  EXPECT_LT(dlg->IndexWE(), 3) << "a click at the left moves West";

  // The top position is the northernmost row, the left one the westernmost column.
  dlg->WEBar->setValue(0);
  dlg->NSBar->setValue(0);
  EXPECT_EQ(dlg->IndexSN(), 4);
  EXPECT_EQ(dlg->ValueWE->text(), "1");
  EXPECT_EQ(dlg->ValueSN->text(), "5");
  EXPECT_EQ(dlg->FieldValue->text(), FormatExponent(Shown().T[0][4], 6));

  dlg->NSBar->setFocus();
  QTest::keyClick(dlg->NSBar, Qt::Key_Down);
  EXPECT_EQ(dlg->IndexSN(), 3) << "Down moves South";
  QTest::keyClick(dlg->NSBar, Qt::Key_Up);
  EXPECT_EQ(dlg->IndexSN(), 4);
  dlg->WEBar->setFocus();
  QTest::keyClick(dlg->WEBar, Qt::Key_Right);
  EXPECT_EQ(dlg->IndexWE(), 1) << "Right moves East";

  // Switching direction keeps the positions and reads the indices afresh.
  dlg->WEBar->setValue(3);
  dlg->NSBar->setValue(1);
  QTest::mouseClick(dlg->SNBtn, Qt::LeftButton);
  EXPECT_EQ(dlg->Direction(), ProfileDirection::SN);
  EXPECT_EQ(dlg->WEBar->value(), 3);
  EXPECT_EQ(dlg->NSBar->value(), 1);
  EXPECT_EQ(dlg->ValueSN->text(), "4");
  EXPECT_EQ(dlg->FieldValue->text(), FormatExponent(Shown().T[3][3], 6));
}

// With vectors on, the flux profile picks lines of faces: one more line than volumes across
// the profile's direction, and the read-outs name them.
TEST_F(GraphicDlgTest, FluxProfileReadsFaceLines) {
  target.vectors = true;
  dlg->Update();
  EXPECT_EQ(dlg->ProfileName->text(), "Flux (q)");
  EXPECT_EQ(dlg->Unit->title(), "Direction");
  EXPECT_EQ(dlg->Statistic->text(), "Sum");
  EXPECT_EQ(dlg->WEUnit->text(), "WE volume");
  EXPECT_EQ(dlg->SNUnit->text(), "SN line");
  EXPECT_EQ(dlg->NSBar->maximum(), 5);
  EXPECT_EQ(dlg->WEBar->maximum(), 6);
  dlg->NSBar->setValue(0);
  dlg->WEBar->setValue(2);
  EXPECT_EQ(dlg->ValueSN->text(), "6") << "the top is the North side's faces";
  EXPECT_EQ(dlg->FieldValue->text(), FormatExponent(ReportedHeat(Shown().heatSN[2][5]), 6));

  dlg->SNBtn->click();
  EXPECT_EQ(dlg->WEUnit->text(), "WE line");
  EXPECT_EQ(dlg->SNUnit->text(), "SN volume");
  EXPECT_EQ(dlg->NSBar->maximum(), 4);
  EXPECT_EQ(dlg->WEBar->maximum(), 7);
  dlg->WEBar->setValue(7);
  EXPECT_EQ(dlg->ValueWE->text(), "8");
  EXPECT_EQ(dlg->FieldValue->text(), FormatExponent(ReportedHeat(Shown().heatWE[7][4]), 6));
  EXPECT_EQ(dlg->GlobalMin->text(), FormatExponent(ReportedHeat(target.results->maxHeatWE), 3));

  // Without a field view and vectors there is nothing to plot.
  target.vectors = false;
  target.view = ViewMode::Media;
  dlg->Update();
  EXPECT_EQ(dlg->ProfileName->text(), "No fields");
  for (QLabel* label : {dlg->GlobalMin, dlg->GlobalMax, dlg->LocalMin, dlg->LocalMax,
                        dlg->FieldValue, dlg->StatisticValue})
    EXPECT_EQ(label->text(), "-");
  EXPECT_EQ(dlg->WEBar->maximum(), 0);
  EXPECT_EQ(dlg->NSBar->maximum(), 0);
  EXPECT_EQ(dlg->Shown(), nullptr);
}

// The plot: red profile, blue marker from the base line to the chosen value, black base.
TEST_F(GraphicDlgTest, PaintsProfileMarkerAndBaseLine) {
  const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0);
  auto paint = [this] {
    QImage image(180, 160, QImage::Format_RGB32);
    image.fill(Qt::white);
    Surface surface(&image);
    PaintProfile(surface, PixelRect{0, 0, 179, 159}, dlg->WorldMin(), dlg->WorldMax(),
                 dlg->Direction(), dlg->Shown());
    return image;
  };
  auto extent = [](const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == colour)
          box |= QRect(x, y, 1, 1);
    return box;
  };

  // SN temperature profile of a column: warmer northwards, so it leans to the right at the
  // top; the base line is the left edge (0 is the coldest temperature); the marker is a
  // horizontal line at the chosen row.
  dlg->SNBtn->click();
  dlg->WEBar->setValue(5);
  dlg->NSBar->setValue(3);  // j = 1
  QImage image = paint();
  const QRect redBox = extent(image, red);
  ASSERT_TRUE(redBox.isValid());
  int topX = -1, bottomX = -1;
  for (int x = 0; x < 180; ++x) {
    if (image.pixel(x, redBox.top()) == red)
      topX = x;
    if (image.pixel(x, redBox.bottom()) == red && bottomX < 0)
      bottomX = x;
  }
  EXPECT_GT(topX, bottomX) << "the North end of the profile is the warmer one";
  const QRect blueBox = extent(image, blue);
  ASSERT_TRUE(blueBox.isValid());
  EXPECT_EQ(blueBox.height(), 1) << "the SN marker is horizontal";
  EXPECT_GT(blueBox.top(), 80) << "row 2 of 5 lies in the lower half";
  const QRect blackBox = extent(image, black);
  EXPECT_EQ(blackBox.width(), 1) << "the SN base line is vertical";
  EXPECT_LE(blackBox.left(), blueBox.left());

  // WE: a vertical marker at the chosen column, a horizontal base line.
  dlg->WEBtn->click();
  image = paint();
  EXPECT_EQ(extent(image, blue).width(), 1);
  EXPECT_EQ(extent(image, black).height(), 1);
}

// Heat rates that are zero over the whole run give no vertical extent: the canvas widens it
// around zero, so the flat profile lies across the middle of the plot.
TEST(GraphicDlg, DegenerateFluxRangeDrawsAcrossTheMiddle) {
  FakeTarget target;
  ProblemRecord p;
  p.eastFace->Insert(Segment{0, 1, new FTemperature(p.functionList[0].get())});
  p.SetParameters(1e-5, 1e-5, 5, 1000, 20);
  target.results = RunToEnd(p, UniformStart(p));
  target.shown = target.results->Count() - 1;
  target.vectors = true;
  ASSERT_EQ(target.results->minHeatSN, target.results->maxHeatSN);

  TGraphicDlg dlg(target);
  dlg.show();
  EXPECT_EQ(dlg.GlobalMin->text(), dlg.GlobalMax->text());
  EXPECT_EQ(dlg.StatisticValue->text(), FormatExponent(0, 6));
  QImage image(180, 160, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    Surface surface(&image);
    PaintProfile(surface, PixelRect{0, 0, 179, 159}, dlg.WorldMin(), dlg.WorldMax(),
                 dlg.Direction(), dlg.Shown());
  }
  const PixelSet painted = Painted(image);
  ASSERT_FALSE(painted.empty());
  const int row = painted.begin()->second;
  for (const auto& [x, y] : painted)
    ASSERT_EQ(y, row) << "everything lies on one row";
  EXPECT_NEAR(row, 80, 1);
  EXPECT_EQ(image.pixel(painted.begin()->first, row), qRgb(255, 0, 0));

  // The window's own paint box shows the same picture.
  const QImage shown = dlg.Draw->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.pixel(painted.begin()->first, row), qRgb(255, 0, 0));
}

// The reference beside the profile. The composite wall's layers meet on a grid line, where
// the method is exact: the exact curve lies on the computed one, point for point, in
// temperatures and in heat rates, and is drawn dotted green over it. Without a reference the
// window shows neither curve nor read-outs.
TEST(GraphicDlg, ReferenceLiesOnTheProfileWhereTheMethodIsExact) {
  auto problem = tutorial::CompositeWall();
  FakeTarget target;
  target.results = tutorial::Run(*problem);
  target.shown = target.results->Count() - 1;
  TGraphicDlg dlg(target);
  dlg.show();
  EXPECT_FALSE(dlg.ReferenceGroup->isVisible());
  EXPECT_EQ(dlg.ShownReference(), nullptr);

  target.grid = problem->media.get();
  target.reference = problem->reference;
  dlg.Update();
  EXPECT_TRUE(dlg.ReferenceGroup->isVisible());
  EXPECT_EQ(dlg.ReferenceName->text(), "Composite wall");
  ASSERT_NE(dlg.ShownReference(), nullptr);
  const Profile& profile = *dlg.Shown();
  const ReferenceProfile& exact = *dlg.ShownReference();
  ASSERT_EQ(exact.line.size(), profile.line.size());
  for (std::size_t k = 0; k < exact.line.size(); ++k) {
    EXPECT_EQ(exact.line[k].x, profile.line[k].x);
    EXPECT_NEAR(exact.line[k].y, profile.line[k].y, 1e-5) << k;
  }
  EXPECT_LT(std::abs(exact.largestDifference), 1e-5);
  EXPECT_EQ(dlg.StatisticDifferenceName->text(), "Average");

  // The heat entering at West, as Sum: 9.3913 W/m on both.
  target.vectors = true;
  dlg.Update();
  dlg.SNBtn->click();
  dlg.WEBar->setValue(0);
  ASSERT_NE(dlg.ShownReference(), nullptr);
  EXPECT_EQ(dlg.StatisticDifferenceName->text(), "Sum");
  EXPECT_NEAR(dlg.Shown()->statistic, 9.3913, 5e-5);
  EXPECT_NEAR(dlg.ShownReference()->statisticDifference, 0, 1e-5);

  QImage image(180, 160, QImage::Format_RGB32);
  auto greenPixels = [&image](const std::vector<Point>* reference, const TGraphicDlg& d) {
    image.fill(Qt::white);
    Surface surface(&image);
    PaintProfile(surface, PixelRect{0, 0, 179, 159}, d.WorldMin(), d.WorldMax(), d.Direction(),
                 d.Shown(), reference);
    int green = 0;
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 180; ++x)
        green += image.pixel(x, y) == qRgb(0, 140, 0);
    return green;
  };
  EXPECT_GT(greenPixels(&dlg.ShownReference()->line, dlg), 10);
  EXPECT_EQ(greenPixels(nullptr, dlg), 0);
}

// The first tutorial's series against its run, the numbers the help quotes at 200 s: the
// run lags the series everywhere. At time 0 the faces' exact flux is infinite: the East
// line has no reference value to compare.
TEST(GraphicDlg, SlabReferenceGivesTheHelpsNumbers) {
  auto problem = tutorial::TransientSlab();
  FakeTarget target;
  target.results = tutorial::Run(*problem);
  target.grid = problem->media.get();
  target.reference = problem->reference;
  ASSERT_EQ(target.results->Snapshot(2).Time(), 200);
  target.shown = 2;
  TGraphicDlg dlg(target);
  dlg.show();
  EXPECT_EQ(dlg.ReferenceName->text(), "Plane wall, series solution");
  EXPECT_EQ(dlg.LargestDifference->text(), "-1.35605E-3");
  EXPECT_EQ(dlg.StatisticDifference->text(), "-8.92279E-4");

  target.shown = 0;
  target.vectors = true;
  dlg.Update();
  dlg.SNBtn->click();
  dlg.WEBar->setValue(dlg.WEBar->maximum());
  EXPECT_EQ(dlg.LargestDifference->text(), "-");
  EXPECT_EQ(dlg.StatisticDifference->text(), "-");
}

}  // namespace
