// The main window driven as a student would: the default problem, new grids, results
// arriving from a run, the probe and the views.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include "gui/dialogs/Process.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "gui/platform/messages.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/widgets.h"
#include "gui/plot/fieldplot.h"
#include "sim/materials.h"
#include "tests/gui/support.h"

namespace {

// A finished run of the window's own problem, as the run dialog would hand it over.
SimManager* RunProblem(THeatForm& form) {
  return RunToEnd(form, UniformStart(form)).release();
}

class MainWindow : public WindowTest {};

TEST_F(MainWindow, StartsWithTheDefaultProblem) {
  THeatForm& f = *form;
  EXPECT_EQ(f.windowTitle(), "Calorivectrix v1.1");
  EXPECT_EQ(f.centralWidget()->width(), 640);
  EXPECT_EQ(f.media->ni, 10);
  EXPECT_EQ(f.media->nj, 10);
  EXPECT_EQ(f.media->node(10, 10).x, 1);
  EXPECT_STREQ(FindMaterial(f.media->volume(3, 4).conductivity, f.media->volume(3, 4).density,
                            f.media->volume(3, 4).specificHeat),
               "Gold");
  EXPECT_STREQ(f.westFace->f[0]->Name(), "Temperature");
  EXPECT_STREQ(f.eastFace->f[0]->Name(), "Temperature");
  EXPECT_EQ(f.northFace->f[0], f.southFace->f[0]);
  EXPECT_EQ(FHeat::Instances(), 3);
  EXPECT_EQ(f.functionList.size(), 4u);
  EXPECT_EQ(f.initialTemp, 0);
  EXPECT_EQ(f.maxIterTime, 1000);
  EXPECT_EQ(f.maxIterSpace, 10000);
  EXPECT_EQ(f.dt, 20);
  EXPECT_EQ(f.tolTime, 0.00001);
  EXPECT_EQ(f._marks->N(), 2);
  EXPECT_EQ((*f._marks)[1], 1000);
  EXPECT_EQ(f.viewMode, ViewMode::Media);
  EXPECT_TRUE(f.MediaItem->isChecked());
  EXPECT_EQ(f.nLines, 20);
  EXPECT_EQ(f.NLinesLabel->text(), "20");
  EXPECT_EQ(f.manager, nullptr);
  EXPECT_EQ(f.probeI, -1);
  for (QAction* a : {f.OutputsItem, f.PlayAnimationItem, f.TemperatureFieldItem, f.IsothermsItem,
                     f.HeatFluxVectorsItem, f.DynamicPlotsItem}) {
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  }
  for (QToolButton* b : {f.FirstFrameBtn, f.PreviousFrameBtn, f.PlayBtn, f.NextFrameBtn,
                         f.LastFrameBtn, f.PauseBtn}) {
    EXPECT_FALSE(b->isEnabled());
  }
  EXPECT_FALSE(f.Legend->isVisible());
  EXPECT_FALSE(f.NLinesPanel->isVisible());
  EXPECT_FALSE(f.AlphaNorm->isVisible());
  EXPECT_EQ(f.scaleBitmap.size(), QSize(55, 131));
  // The viewport keeps the square grid square and centred.
  const PixelRect& v = f.viewport;
  EXPECT_EQ(v.right - v.left, v.bottom - v.top);
  EXPECT_EQ(v.left + (f.Draw->width() - 1 - v.right), v.left * 2);
}

TEST_F(MainWindow, ParametersKeepTheAnimationTimesEndingAtTheLastStep) {
  THeatForm& f = *form;
  f.SetMarks(std::make_unique<NumVector<int>>(Marks({0, 500, 1000})));
  f.SetParameters(1e-4, 1e-6, 2000, 500, 5);
  ASSERT_EQ(f._marks->N(), 3);
  EXPECT_EQ((*f._marks)[1], 500);
  EXPECT_EQ((*f._marks)[2], 2000);
  EXPECT_EQ(f.dt, 5);
  EXPECT_EQ(f.maxIterSpace, 500);
  f.SetParameters(1e-4, 1e-6, 400, 500, 5);
  ASSERT_EQ(f._marks->N(), 2);
  EXPECT_EQ((*f._marks)[1], 400);

  f.maxIterTime = 1000;
  f.SetMarks(std::make_unique<NumVector<int>>(Marks({0, 10, 100, 1000})));
  f.SetParameters(1e-4, 1e-6, 500, 500, 5);
  EXPECT_EQ(f._marks->N(), 3);
  EXPECT_EQ((*f._marks)[2], 500);
  f.SetParameters(1e-4, 1e-6, 50, 500, 5);
  EXPECT_EQ(f._marks->N(), 2);
  EXPECT_EQ((*f._marks)[1], 50);
}

TEST_F(MainWindow, ResultsSwitchToTemperatureAndFillTheScale) {
  THeatForm& f = *form;
  SimManager* results = RunProblem(f);
  f.SetManager(results);
  EXPECT_EQ(f.manager.get(), results);
  EXPECT_EQ(f.viewMode, ViewMode::Temperature);
  EXPECT_TRUE(f.TemperatureFieldItem->isChecked());
  EXPECT_EQ(f.curSnapshot, results->Count() - 1);
  for (QAction* a : {f.OutputsItem, f.TemperatureFieldItem, f.IsothermsItem, f.HeatFluxVectorsItem,
                     f.DynamicPlotsItem}) {
    EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
  }
  QCoreApplication::processEvents();
  EXPECT_TRUE(f.NLinesPanel->isVisible());
  // Snapshot 0 is all zero; the steady state spans the linear profile's cell centres.
  EXPECT_EQ(results->minT, 0);
  EXPECT_NEAR(results->maxT, 0.95, 1e-3);
  const double r = results->maxT;
  EXPECT_EQ(f.Legend->ScaleMin->text(), "0.00E+0");
  EXPECT_EQ(f.Legend->ScaleMax->text(), FormatExponent(r, 3));
  EXPECT_EQ(f.Legend->ScaleMedMax->text(), FormatExponent(0.75 * r, 3));
  EXPECT_EQ(f.Legend->ScaleMed->text(), FormatExponent(0.5 * r, 3));
  EXPECT_EQ(f.Legend->ScaleMedMin->text(), FormatExponent(0.25 * r, 3));
  EXPECT_TRUE(f.Legend->ScaleMax->text().startsWith("9.5"));
  EXPECT_EQ(f.Legend->CurrentTime->text(), FormatGeneral(results->LastSnapshot().Time()));
  // The scale bitmap: red at the top, blue at the bottom, inside a black frame.
  EXPECT_EQ(f.scaleBitmap.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(f.scaleBitmap.pixelColor(20, 1), QColor(255, 0, 0));
  EXPECT_EQ(f.scaleBitmap.pixelColor(20, f.scaleBitmap.height() - 2).blue(), 255);
  // Handing over the same manager again keeps it.
  f.SetManager(results);
  EXPECT_EQ(f.manager.get(), results);
}

TEST_F(MainWindow, NewGridDiscardsResultsAndLeavesTheResultViews) {
  THeatForm& f = *form;
  f.SetManager(RunProblem(f));
  f.IsothermsItem->trigger();
  EXPECT_EQ(f.viewMode, ViewMode::Isotherms);
  f.HeatFluxVectorsItem->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(f.AlphaNorm->isVisible());
  EXPECT_TRUE(f.VectorSize->isVisible());
  FHeat* west = f.westFace->f[0];

  f.SetMedia(std::make_unique<PolarMedia>(20, 10, 30, 8, 6, DefaultMaterial()));
  EXPECT_EQ(f.manager, nullptr);
  EXPECT_EQ(f.viewMode, ViewMode::Media);
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.HeatFluxVectorsItem->isChecked());
  EXPECT_FALSE(f.AlphaNorm->isVisible());
  EXPECT_FALSE(f.NLinesPanel->isVisible());
  EXPECT_FALSE(f.OutputsItem->isEnabled());
  EXPECT_FALSE(f.IsothermsItem->isEnabled());
  EXPECT_EQ(f.Legend->CurrentTime->text(), "-");
  EXPECT_EQ(f.Legend->ScaleMax->text(), "-");
  EXPECT_EQ(f.westFace->f[0], west);
  EXPECT_NEAR(f.boundsMin.x, 10 * std::cos(30 * 3.141592653589793 / 180), 1e-5);
  EXPECT_NEAR(f.boundsMax.x, 20, 1e-9);

  // The Bounds view survives a new grid.
  f.BoundsItem->trigger();
  f.SetMedia(std::make_unique<CartesianMedia>(2, 1, 4, 4, DefaultMaterial()));
  EXPECT_EQ(f.viewMode, ViewMode::Bounds);
}

TEST_F(MainWindow, OpenGeometryReadsAFileOrKeepsEverything) {
  THeatForm& f = *form;
  QTemporaryDir dir;
  const QString good = dir.filePath("plate.sdf");
  {
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QTextStream out(&file);
    out << "xiso\r\nplate\r\nfrom a test\r\nI 2 J 2 nodes\r\n";
    out << "0 0 1 0 2 0\r\n0 1 1 1 2 1\r\n0 2 1 2 2 2\r\n";
  }
  const QString bad = dir.filePath("broken.sdf");
  {
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("xiso\na\nb\nI 2 J 2 nodes 0 0 1 0\n");
  }
  f.SetManager(RunProblem(f));
  std::vector<messages::Shown> shown;
  messages::SetAnswerer([&](const messages::Shown& box) {
    shown.push_back(box);
    return QMessageBox::Ok;
  });

  // Cancelled: nothing happens.
  f.askGridFileName = [] { return QString(); };
  f.OpenBtn->click();
  EXPECT_NE(f.manager, nullptr);
  EXPECT_TRUE(shown.empty());

  // Whatever is wrong with the file, the message says what, and the grid with its painted
  // materials and the results stay. A named pipe is refused without waiting for a writer.
  const QString notGrid = dir.filePath("problem.cvx");
  {
    QFile file(notGrid);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"format\": \"Calorivectrix problem\"}\n");
  }
  const QString pipe = dir.filePath("pipe.sdf");
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  f.media->volume(3, 4).conductivity = 12.5;
  const Media* grid = f.media.get();
  const std::pair<QString, QString> refusals[] = {
      {dir.filePath("missing.sdf"), "\": there is no such file or folder."},
      {dir.path(), "\": it is a folder, not a file."},
      {pipe, "\": it is not an ordinary file (a device, a pipe or a socket)."},
      {notGrid, "Line 1: this is not a grid file"},
      {bad, "Line 4"},
  };
  for (const auto& [name, why] : refusals) {
    shown.clear();
    f.askGridFileName = [&] { return name; };
    f.OpenBtn->click();
    ASSERT_EQ(shown.size(), 1u) << name.toStdString();
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(shown[0].text.contains(why)) << shown[0].text.toStdString();
    EXPECT_NE(f.manager, nullptr);
    EXPECT_EQ(f.media.get(), grid);
    EXPECT_EQ(f.media->volume(3, 4).conductivity, 12.5);
  }
  EXPECT_TRUE(shown[0].text.startsWith("Cannot read the grid file")) << "the last, broken file";
  shown.clear();

  f.askGridFileName = [&] { return good; };
  f.OpenGeometryItem->trigger();
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(f.manager, nullptr);
  EXPECT_EQ(f.media->ni, 2);
  EXPECT_EQ(f.media->nj, 2);
  EXPECT_EQ(f.media->node(2, 2).x, 2);
  messages::SetAnswerer(nullptr);
}

TEST_F(MainWindow, ProbeReadsTheVolumeUnderTheMouse) {
  THeatForm& f = *form;
  f.LegendBtn->click();
  QTest::qWait(10);
  ASSERT_TRUE(f.Legend->isVisible());
  f.media->volume(2, 7) = VolumeProperties{401, 8933, 385, 1000};
  // The centre of volume (2, 7) of the unit square.
  const PixelRect& v = f.viewport;
  const int x = static_cast<int>(v.left + 4 + 0.25 * (v.right - v.left - 8));
  const int y = static_cast<int>(v.bottom - 4 - 0.75 * (v.bottom - v.top - 8));
  f.MouseMove(x, y, Qt::NoButton);
  EXPECT_EQ(f.probeI, 2);
  EXPECT_EQ(f.probeJ, 7);
  TLegend& l = *f.Legend;
  EXPECT_EQ(l.MediaI->text(), "3");
  EXPECT_EQ(l.MediaJ->text(), "8");
  EXPECT_EQ(l.MaterialName->text(), "Copper");
  EXPECT_EQ(l.Conductivity->text(), "401");
  EXPECT_EQ(l.Density->text(), "8933");
  EXPECT_EQ(l.HeatGeneration->text(), "1000");
  EXPECT_EQ(l.Diffusivity->text(), FormatExponent(401 / (8933.0 * 385), 6));
  EXPECT_EQ(l.MaterialColor->BrushColor(), PropertyColor(f.media->volume(2, 7)));
  EXPECT_NEAR(f.mousePos.x, 0.25, 0.01);
  EXPECT_NEAR(f.mousePos.y, 0.75, 0.01);

  // A custom material, then the mouse outside the grid.
  f.media->volume(2, 7).density = 1;
  f.probeI = -1;
  f.MouseMove(x, y, Qt::NoButton);
  EXPECT_EQ(l.MaterialName->text(), "Custom");
  f.MouseMove(1, 1, Qt::NoButton);
  EXPECT_EQ(f.probeI, -1);
  EXPECT_EQ(l.MediaI->text(), "-");
  EXPECT_EQ(l.MaterialColor->BrushColor(), QColor(Qt::white));

  // The Fields page with results.
  f.SetManager(RunProblem(f));
  l.ShowPage(1);
  f.MouseMove(x, y, Qt::NoButton);
  const SimSnapshot& last = f.manager->LastSnapshot();
  EXPECT_EQ(l.FieldI->text(), "3");
  EXPECT_EQ(l.TempValue->text(), FormatExponent(last.T[2][7], 6));
  EXPECT_EQ(l.FluxValue->text(), FormatExponent(std::hypot(last.qx[2][7], last.qy[2][7]), 6));
  EXPECT_NE(l.TempColor->BrushColor(), QColor(Qt::white));
}

TEST_F(MainWindow, TemperatureViewPaintsTheBandsOfTheSolvedWall) {
  THeatForm& f = *form;
  f.SetManager(RunProblem(f));
  f.nLines = 5;  // four bands over 0 .. 0.95
  f.Redraw();
  const QImage& image = f.Draw->Image();
  ASSERT_FALSE(image.isNull());
  const PixelRect& v = f.viewport;
  auto pixelAt = [&](double x, double y) {
    return image.pixelColor(static_cast<int>(v.left + 4 + x * (v.right - v.left - 8)),
                            static_cast<int>(v.bottom - 4 - y * (v.bottom - v.top - 8)));
  };
  // West is cold: the first band's colour; East hot: the last band's.
  EXPECT_EQ(pixelAt(0.1, 0.5), TemperatureColor(0.125, 0.5));
  EXPECT_EQ(pixelAt(0.93, 0.5), TemperatureColor(0.875, 0.5));
  EXPECT_EQ(pixelAt(0.4, 0.3), TemperatureColor(0.375, 0.5));
  // Outside the grid the plot stays black.
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
}

TEST_F(MainWindow, IsothermCountStepsBetweenItsLimits) {
  THeatForm& f = *form;
  f.SetManager(RunProblem(f));
  f.NLinesUpDown->UpButton()->click();
  EXPECT_EQ(f.nLines, 21);
  EXPECT_EQ(f.NLinesLabel->text(), "21");
  f.NLinesUpDown->SetPosition(100);
  f.NLinesUpDown->UpButton()->click();
  EXPECT_EQ(f.nLines, 21);
  f.NLinesUpDown->SetPosition(2);
  f.NLinesUpDown->DownButton()->click();
  EXPECT_EQ(f.nLines, 21);
  f.NLinesUpDown->UpButton()->click();
  EXPECT_EQ(f.nLines, 3);
}

TEST_F(MainWindow, ClosingReleasesEveryCondition) {
  form->SetManager(RunProblem(*form));
  form->close();
  EXPECT_EQ(FHeat::Instances(), 0);
  form.reset();
  EXPECT_EQ(FHeat::Instances(), 0);
}

// Playback over a run with many snapshots.
class Playback : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    form->tolTime = 0;  // never steady: every mark is reached
    form->maxIterTime = 10;
    form->SetMarks(std::make_unique<NumVector<int>>(Marks({0, 2, 4, 6, 8, 10})));
    form->SetManager(RunProblem(*form));
  }
  bool Enabled(QToolButton* b) { return b->isEnabled(); }
};

TEST_F(Playback, StepButtonsFollowTheShownSnapshot) {
  THeatForm& f = *form;
  ASSERT_EQ(f.manager->Count(), 6);  // the last mark completes the run, taken by TakeSnapshot
  EXPECT_EQ(f.curSnapshot, 5);
  EXPECT_TRUE(Enabled(f.FirstFrameBtn));
  EXPECT_TRUE(Enabled(f.PreviousFrameBtn));
  EXPECT_FALSE(Enabled(f.NextFrameBtn));
  EXPECT_FALSE(Enabled(f.LastFrameBtn));
  EXPECT_TRUE(Enabled(f.PlayBtn));
  EXPECT_FALSE(Enabled(f.PauseBtn));
  EXPECT_TRUE(f.PlayAnimationItem->isEnabled());

  f.PreviousFrameBtn->click();
  EXPECT_EQ(f.curSnapshot, 4);
  EXPECT_EQ(f.Legend->CurrentTime->text(), "160");
  f.FirstFrameBtn->click();
  EXPECT_EQ(f.curSnapshot, 0);
  EXPECT_FALSE(Enabled(f.FirstFrameBtn));
  EXPECT_TRUE(Enabled(f.NextFrameBtn));
  EXPECT_EQ(f.Legend->CurrentTime->text(), "0");
  EXPECT_FALSE(f.ShowSnapshot(-1));
  EXPECT_EQ(f.curSnapshot, 0);
  f.LastFrameBtn->click();
  EXPECT_EQ(f.curSnapshot, 5);
  EXPECT_FALSE(f.ShowSnapshot(9));
  EXPECT_EQ(f.curSnapshot, 5);
}

TEST_F(Playback, PlayRewindsTicksToTheEndAndStops) {
  THeatForm& f = *form;
  f.PlayBtn->click();
  EXPECT_TRUE(f.Playing());
  EXPECT_EQ(f.curSnapshot, 0);
  EXPECT_FALSE(Enabled(f.PlayBtn));
  EXPECT_TRUE(Enabled(f.PauseBtn));
  EXPECT_FALSE(Enabled(f.NextFrameBtn));
  EXPECT_FALSE(f.PlayAnimationItem->isEnabled());
  for (int tick = 1; tick <= 5; ++tick) {
    f.TimerTimer();
    EXPECT_EQ(f.curSnapshot, tick);
  }
  EXPECT_TRUE(f.Playing());
  f.TimerTimer();  // finds no further snapshot
  EXPECT_FALSE(f.Playing());
  EXPECT_EQ(f.curSnapshot, 5);
  EXPECT_TRUE(Enabled(f.PlayBtn));
  EXPECT_TRUE(Enabled(f.FirstFrameBtn));
}

TEST_F(Playback, TimerDrivesTheAnimationAndPauseHoldsTheFrame) {
  THeatForm& f = *form;
  f.FirstFrameBtn->click();
  f.PlayAnimationItem->trigger();
  EXPECT_EQ(f.Timer->interval(), 100);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.curSnapshot >= 2; }, 2000));
  f.PauseBtn->click();
  const int held = f.curSnapshot;
  EXPECT_FALSE(f.Playing());
  EXPECT_GE(held, 2);
  QTest::qWait(250);
  EXPECT_EQ(f.curSnapshot, held);
  EXPECT_TRUE(Enabled(f.PlayBtn));

  // A slower pace, chosen from the menu, holds for the next playback.
  QAction* slow = f.PlaybackSpeedMenu->findChild<QAction*>("Speed500Item");
  ASSERT_NE(slow, nullptr);
  EXPECT_FALSE(slow->isChecked());
  slow->trigger();
  EXPECT_EQ(f.Timer->interval(), 500);
  EXPECT_TRUE(slow->isChecked());
  f.PlayBtn->click();
  EXPECT_EQ(f.Timer->interval(), 500);
  f.PauseBtn->click();
}

TEST_F(Playback, NewGridStopsPlayback) {
  THeatForm& f = *form;
  f.PlayBtn->click();
  f.SetMedia(std::make_unique<CartesianMedia>(1, 1, 3, 3, DefaultMaterial()));
  EXPECT_FALSE(f.Playing());
  for (QToolButton* b : {f.FirstFrameBtn, f.PreviousFrameBtn, f.PlayBtn, f.NextFrameBtn,
                         f.LastFrameBtn, f.PauseBtn}) {
    EXPECT_FALSE(b->isEnabled());
  }
  EXPECT_EQ(f.Legend->CurrentTime->text(), "-");
}

TEST_F(Playback, NewResultsDuringPlaybackStopAtTheNextTick) {
  THeatForm& f = *form;
  f.PlayBtn->click();
  f.TimerTimer();
  f.SetManager(RunProblem(f));
  EXPECT_TRUE(f.Playing());
  f.TimerTimer();
  EXPECT_FALSE(f.Playing());
  EXPECT_EQ(f.curSnapshot, f.manager->Count() - 1);
}

TEST_F(Playback, SingleSnapshotStopsAtTheFirstTick) {
  THeatForm& f = *form;
  NumMatrix<double> start(10, 10);
  start.SetAll(0);
  const NumVector<int> marks = Marks({0, 10});
  auto* single = new SimManager(f.media.get(), f.northFace.get(), f.southFace.get(),
                                f.eastFace.get(), f.westFace.get(), f.tolTime, f.tolSpace, 10,
                                f.maxIterSpace, f.dt, start, nullptr, nullptr, &marks);
  single->ReleaseSimulator();
  f.SetManager(single);
  for (QToolButton* b : {f.FirstFrameBtn, f.PreviousFrameBtn, f.NextFrameBtn, f.LastFrameBtn}) {
    EXPECT_FALSE(b->isEnabled());
  }
  f.PlayBtn->click();
  EXPECT_TRUE(f.Playing());
  f.TimerTimer();
  EXPECT_FALSE(f.Playing());
}

}  // namespace

namespace {

class WhatIsThis : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    HelpViewer::Instance().SetShowWindows(false);
  }
  void TearDown() override {
    HelpViewer::Instance().SetShowWindows(true);
    MainWindow::TearDown();
  }
  static const HelpViewer::Request& Asked() { return HelpViewer::Instance().LastRequest(); }
};

TEST_F(WhatIsThis, ACommandShowsItsTopicInsteadOfActingAndEndsTheMode) {
  THeatForm& f = *form;
  f.SetManager(RunProblem(f));
  const int shown = f.curSnapshot;
  f.HelpBtnCPopup->click();
  EXPECT_TRUE(f.ContextHelpMode());
  EXPECT_TRUE(f.HelpBtnCPopup->isChecked());
  // A second click leaves it down.
  f.HelpBtnCPopup->click();
  EXPECT_TRUE(f.HelpBtnCPopup->isChecked());
  f.FirstFrameBtn->click();
  EXPECT_EQ(Asked().command, HelpViewer::Command::Popup);
  EXPECT_EQ(Asked().topic, 1090);
  EXPECT_EQ(f.curSnapshot, shown);
  EXPECT_FALSE(f.ContextHelpMode());
  EXPECT_FALSE(f.HelpBtnCPopup->isChecked());
  // Out of the mode the same button acts.
  f.FirstFrameBtn->click();
  EXPECT_EQ(f.curSnapshot, 0);

  f.HelpBtnCPopup->click();
  f.LegendBtn->click();
  EXPECT_EQ(Asked().topic, 1);
  EXPECT_FALSE(f.LegendBtn->isChecked());
  EXPECT_FALSE(f.Legend->isVisible());

  // In the mode "&Run..." explains itself and does not open the run dialog.
  f.HelpBtnCPopup->click();
  f.RunItem->trigger();
  EXPECT_EQ(Asked().topic, 1080);
  EXPECT_FALSE(f.processDlg->isVisible());
}

TEST_F(WhatIsThis, LegendPanelsExplainThemselvesOnAnyClick) {
  THeatForm& f = *form;
  f.LegendBtn->click();
  QTest::mouseClick(f.Legend->MouseGroup, Qt::LeftButton);
  EXPECT_EQ(Asked().command, HelpViewer::Command::Popup);
  EXPECT_EQ(Asked().topic, 1000);
  f.HelpBtn->click();
  EXPECT_EQ(Asked().command, HelpViewer::Command::Contents);
}

}  // namespace

namespace {

TEST_F(MainWindow, ResultsBeyondTheRangeOfNumbersAreShownWithoutFailing) {
  THeatForm& f = *form;
  // Temperatures a student may type: finite, but their differences overflow.
  f.functionList.push_back(std::make_unique<FConstant>(1e300));
  f.functionList.push_back(std::make_unique<FConstant>(-1e300));
  f.westFace->Insert(Segment{0, 1, new FTemperature(f.functionList[4].get())});
  f.eastFace->Insert(Segment{0, 1, new FTemperature(f.functionList[5].get())});
  f.SetManager(RunProblem(f));
  f.LegendBtn->click();
  f.Legend->ShowPage(1);
  for (QAction* view : {f.TemperatureFieldItem, f.IsothermsItem}) {
    view->trigger();
    f.HeatFluxVectorsItem->setChecked(true);
    f.HeatFluxVectorsItem->trigger();
    f.AlphaNorm->click();
    f.MouseMove(f.Draw->width() / 2, f.Draw->height() / 2, Qt::NoButton);
    f.Redraw();
    EXPECT_FALSE(f.Draw->Image().isNull());
  }
  f.Legend->ColorScale->repaint();
  EXPECT_NE(f.Legend->TempValue->text(), "-");
}

}  // namespace
