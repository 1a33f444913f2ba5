// Looking inside the numbers from the main window: watching volumes and their markers, the
// Time History window with its CSV, the Volume Equation window, the time-step advice, and
// the history written without a window.

#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "gui/dialogs/Parameters.h"
#include "gui/dialogs/Process.h"
#include "gui/dialogs/TimeHistory.h"
#include "gui/dialogs/VolumeEquation.h"
#include "gui/dialogs/timestepadvisor.h"
#include "gui/document/historycsv.h"
#include "gui/document/problemfile.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/commandline.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/widgets.h"
#include "gui/plot/historyplot.h"
#include "gui/plot/watchmarkers.h"
#include "tests/gui/dialogs/dialogsupport.h"
#include "tests/gui/support.h"

namespace {

// The numbers of a CSV line; an empty cell reads as NaN.
std::vector<double> Cells(const QByteArray& line) {
  std::vector<double> cells;
  for (const QByteArray& cell : line.split(','))
    cells.push_back(cell.isEmpty() ? std::nan("") : std::strtod(cell.constData(), nullptr));
  return cells;
}

class Insight : public WindowTest {
 protected:
  // The default problem on an unevenly graded grid, with snapshots at steps 0, 10, 40 and
  // 120 of 120, run through the run window as a student runs it.
  void Run() {
    bool ran = false;
    QTimer::singleShot(0, form->processDlg, [&] {
      ran = true;
      // While the run window is up its run is the one the windows follow.
      EXPECT_EQ(form->LiveRun(), form->processDlg->Manager());
      form->processDlg->Run->click();
      EXPECT_NE(form->LiveRun(), nullptr);
      form->processDlg->Finish->click();
    });
    form->RunItem->trigger();
    ASSERT_TRUE(ran);
    ASSERT_NE(form->manager, nullptr);
    EXPECT_EQ(form->LiveRun(), nullptr);
  }
  void SetUpProblem() {
    auto grid = std::make_unique<CartesianMedia>(1, 1, 10, 10, DefaultMaterial());
    for (int i = 0; i <= 10; ++i) {
      for (int j = 0; j <= 10; ++j)
        grid->node(i, j).x = std::pow(i / 10.0, 1.4);
    }
    ASSERT_TRUE(form->SetMedia(std::move(grid)));
    form->SetParameters(1e-12, 1e-9, 120, 10000, 20);
    auto marks = std::make_unique<NumVector<int>>(4);
    (*marks)[0] = 0;
    (*marks)[1] = 10;
    (*marks)[2] = 40;
    (*marks)[3] = 120;
    ASSERT_TRUE(form->SetMarks(std::move(marks)));
  }
  void CtrlClick(VolumeIndex v) {
    QTest::mouseClick(form->Draw, Qt::LeftButton, Qt::ControlModifier, form->VolumePixel(v));
  }
};

// Ctrl+click and the context menu watch and unwatch; the ninth is refused with a word in
// the status bar; the markers are drawn in every view in their numbers' colours; a new grid
// keeps each watched point where it was.
TEST_F(Insight, VolumesAreWatchedByClickOrMenuAndMarkedInEveryView) {
  CtrlClick({2, 7});
  CtrlClick({9, 0});
  ASSERT_EQ(form->watched.size(), 2u);
  EXPECT_EQ(form->watched[0], (VolumeIndex{2, 7}));
  CtrlClick({2, 7});
  ASSERT_EQ(form->watched.size(), 1u) << "a second Ctrl+click stops watching";
  // A plain click watches nothing.
  QTest::mouseClick(form->Draw, Qt::LeftButton, Qt::NoModifier, form->VolumePixel({4, 4}));
  EXPECT_EQ(form->watched.size(), 1u);

  const QPoint at = form->VolumePixel({5, 5});
  QMenu* menu = form->PrepareDrawMenu(at.x(), at.y());
  ASSERT_EQ(menu, form->DrawMenu);
  EXPECT_FALSE(form->WatchItem->isChecked());
  form->WatchItem->trigger();
  ASSERT_EQ(form->watched.size(), 2u);
  EXPECT_EQ(form->watched[1], (VolumeIndex{5, 5}));
  form->PrepareDrawMenu(at.x(), at.y());
  EXPECT_TRUE(form->WatchItem->isChecked());
  // Off the domain there is no volume to watch or to read.
  form->PrepareDrawMenu(1, 1);
  EXPECT_FALSE(form->WatchItem->isEnabled());
  EXPECT_FALSE(form->EquationItem->isEnabled());

  for (int k = 0; k < 6; ++k)
    ASSERT_TRUE(form->WatchVolume(VolumeIndex{k, 3}, true));
  EXPECT_FALSE(form->WatchVolume(VolumeIndex{8, 8}, true));
  EXPECT_TRUE(form->statusBar()->currentMessage().contains("At most 8"));
  form->PrepareDrawMenu(form->VolumePixel({8, 8}).x(), form->VolumePixel({8, 8}).y());
  EXPECT_FALSE(form->WatchItem->isEnabled()) << "the ninth cannot be offered";

  for (ViewMode view : {ViewMode::Bounds, ViewMode::Media}) {
    form->SetViewMode(view);
    const QImage& image = form->Draw->Image();
    ASSERT_FALSE(image.isNull());
    for (std::size_t k = 0; k < form->watched.size(); ++k) {
      const QPoint c = form->VolumePixel(form->watched[k]);
      const QColor colour = WatchColor(static_cast<int>(k));
      // The disc's colour beside its number, the white ring and the black one outside it.
      EXPECT_EQ(image.pixelColor(c.x() - 4, c.y()), colour) << k;
      EXPECT_EQ(image.pixelColor(c.x() - kWatchMarkerRadius + 1, c.y()), QColor(Qt::white)) << k;
      EXPECT_EQ(image.pixelColor(c.x() - kWatchMarkerRadius, c.y()), QColor(Qt::black)) << k;
    }
  }

  // The geometry wizard's kind of change: twice as many volumes across.
  form->watched = {{2, 7}, {9, 0}};
  ASSERT_TRUE(form->SetMedia(std::make_unique<CartesianMedia>(1, 1, 20, 10, DefaultMaterial())));
  ASSERT_EQ(form->watched.size(), 2u);
  EXPECT_EQ(form->watched[0], (VolumeIndex{4, 7}));
  EXPECT_EQ(form->watched[1], (VolumeIndex{18, 0}));
}

// The whole way from watching to the CSV: the curves of the window are the run's records
// at every step, they pass through the snapshots' values, the cursor follows the snapshot
// on show, a volume watched afterwards has the snapshots only, and the CSV reads back to
// the bit.
TEST_F(Insight, TimeHistoryFollowsTheRunAndSavesItsTable) {
  SetUpProblem();
  form->WatchVolume({0, 0}, true);
  form->WatchVolume({6, 3}, true);
  form->TimeHistoryItem->trigger();
  TTimeHistoryDlg& window = *form->historyDlg;
  ASSERT_TRUE(window.isVisible());
  EXPECT_FALSE(window.SaveCsvBtn->isEnabled());
  Run();
  const SimManager& run = *form->manager;
  ASSERT_EQ(run.Count(), 4);

  const std::vector<VolumeSeries>& series = window.Series();
  ASSERT_EQ(series.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_TRUE(series[k].recorded);
    ASSERT_EQ(series[k].values.size(), 121u) << "one value a step, and the start";
    for (int32_t s = 0; s < run.Count(); ++s) {
      const SimSnapshot& snap = run.Snapshot(s);
      const VolumeIndex v = series[k].volume;
      EXPECT_EQ(series[k].values[static_cast<std::size_t>(snap.Iteration())], snap.T[v.i][v.j]);
    }
  }
  ASSERT_TRUE(window.Plotted().cursor.has_value());
  EXPECT_EQ(*window.Plotted().cursor, run.LastSnapshot().Time());
  form->ShowSnapshot(1);
  EXPECT_EQ(*window.Plotted().cursor, 200);
  EXPECT_EQ(window.Volumes->item(1, 5)->text(), FormatExponent(run.Snapshot(1).T[6][3], 6));

  form->WatchVolume({9, 9}, true);
  ASSERT_EQ(window.Series().size(), 3u);
  EXPECT_FALSE(window.Series()[2].recorded);
  EXPECT_EQ(window.Series()[2].values.size(), 4u);
  EXPECT_TRUE(window.Note->text().contains("stored snapshots only"));

  QTemporaryDir dir;
  const QString name = dir.filePath("history.csv");
  window.askFileName = [&] { return name; };
  window.SaveCsvBtn->click();
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  ASSERT_EQ(lines.size(), 123) << "the header, 121 rows and the last line's end";
  EXPECT_EQ(lines[0], "time,T1,T2,T3");
  for (int row = 0; row <= 120; ++row) {
    const std::vector<double> cells = Cells(lines[row + 1]);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0], window.Series()[0].times[static_cast<std::size_t>(row)]);
    EXPECT_EQ(cells[1], window.Series()[0].values[static_cast<std::size_t>(row)]);
    EXPECT_EQ(cells[2], window.Series()[1].values[static_cast<std::size_t>(row)]);
    const bool snapshot = row == 0 || row == 10 || row == 40 || row == 120;
    EXPECT_EQ(std::isnan(cells[3]), !snapshot) << "row " << row;
  }
  EXPECT_EQ(Cells(lines[41])[3], run.Snapshot(2).T[9][9]);

  ExpectHelpTopic(*window.HelpBtn, topic::kHistoryDlg);
  EXPECT_EQ(HelpTopicAt(window.Plot, &window), topic::kHistoryPlot);
  EXPECT_EQ(HelpTopicAt(window.Volumes->viewport(), &window), topic::kHistoryTable);
}

// The equation of a volume as the window shows it: the one clicked, at the snapshot on
// show, with the run's numbers kept whatever is painted afterwards, and the starting field
// saying it has none.
TEST_F(Insight, VolumeEquationShowsTheVolumeClickedAtTheSnapshotShown) {
  SetUpProblem();
  Run();
  const QPoint at = form->VolumePixel({3, 0});
  form->PrepareDrawMenu(at.x(), at.y());
  form->EquationItem->trigger();
  TVolumeEquationDlg& window = *form->equationDlg;
  ASSERT_TRUE(window.isVisible());
  ASSERT_TRUE(window.HasEquation());
  EXPECT_EQ(window.Shown().volume, (VolumeIndex{3, 0}));
  EXPECT_EQ(window.Shown().iteration, 120);
  const VolumeEquation before = window.Shown();

  // A click in the drawing area picks another volume; playback moves the snapshot.
  QTest::mouseClick(form->Draw, Qt::LeftButton, Qt::NoModifier, form->VolumePixel({7, 5}));
  EXPECT_EQ(window.Shown().volume, (VolumeIndex{7, 5}));
  form->ShowSnapshot(1);
  EXPECT_EQ(window.Shown().iteration, 10);
  // The table's right-hand side is the sum of its rows, times c, as the window prints them.
  const VolumeEquation& q = window.Shown();
  ASSERT_TRUE(q.solved);
  const double cp = q.material.specificHeat;
  int bRow = -1;
  for (int r = 0; r < window.Terms->rowCount(); ++r) {
    if (window.Terms->item(r, 0)->text() == "b")
      bRow = r;
  }
  ASSERT_GE(bRow, 0);
  EXPECT_EQ(window.Terms->item(bRow, 3)->text(), FormatGeneral(q.b * cp, 7));
  EXPECT_NEAR(q.storage * q.oldT + q.source, q.b, 1e-12 * std::fabs(q.b)) << "no boundary face";

  // Painting after the run changes the grid, not the run's equations.
  form->ShowSnapshot(3);
  form->ShowEquation({3, 0});
  form->media->volume(3, 0) = VolumeProperties{1, 2, 3, 4};
  form->media->volume(4, 0) = VolumeProperties{1, 2, 3, 4};
  form->Redraw();
  form->ShowSnapshot(3);
  window.Update();
  EXPECT_EQ(window.Shown().aP, before.aP);
  EXPECT_EQ(window.Shown().residual, before.residual);
  EXPECT_EQ(window.Shown().material.conductivity, DefaultMaterial().conductivity);

  form->ShowSnapshot(0);
  EXPECT_FALSE(window.HasEquation());
  EXPECT_TRUE(window.Message->text().contains("starting field"));

  // The legend's button opens it on the volume last under the pointer.
  window.close();
  const QPoint probe = form->VolumePixel({6, 2});
  form->MouseMove(probe.x(), probe.y(), Qt::NoButton);
  form->Legend->EquationBtn->click();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.Volume(), (VolumeIndex{6, 2}));
  ExpectHelpTopic(*window.HelpBtn, topic::kEquationDlg);
  EXPECT_EQ(HelpTopicAt(window.Terms->viewport(), &window), topic::kEquationTerms);
}

// The student who types a time step of 1E+6 s for the default problem is told the run will
// jump to the steady state; the figures are the default problem's, and a field that does
// not read leaves dashes and no advice.
TEST_F(Insight, ParametersDialogAdvisesOnTheTimeStepAsItIsTyped) {
  TParametersDlg& dialog = *form->parametersDlg;
  dialog.show();
  TTimeStepAdvisor& advisor = *dialog.Advisor;
  EXPECT_EQ(advisor.DiffusionTime->text().left(6), "7854 s");
  EXPECT_TRUE(advisor.Advice->text().isEmpty());
  Type(dialog, "Dt", "1e6");
  EXPECT_TRUE(advisor.Advice->text().contains("steady state in a few steps"))
      << advisor.Advice->text().toStdString();
  EXPECT_EQ(advisor.Steps->text(), "less than one");
  Type(dialog, "Dt", "2");
  EXPECT_TRUE(advisor.Advice->text().contains("before the diffusion time"));
  Type(dialog, "MaxIterTime", "x");
  EXPECT_EQ(advisor.Fourier->text(), "-");
  EXPECT_TRUE(advisor.Advice->text().isEmpty());
  dialog.reject();
}

// Without a window, --history writes the run's history; its last row holds the very
// temperatures of the results table written beside it. A problem that watches nothing is
// refused before it runs.
TEST(HistoryWithoutWindow, LastRowMatchesTheResultsTableAndNothingWatchedIsRefused) {
  QTemporaryDir dir;
  std::FILE* log = std::tmpfile();
  ASSERT_TRUE(log);
  ProblemRecord p;
  p.media = std::make_unique<PolarMedia>(2, 1, 90, 5, 4, DefaultMaterial());
  p.SetParameters(1e-12, 1e-9, 30, 10000, 50);
  const QString name = dir.filePath("sector.cvx");
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  CommandLine c;
  c.action = CommandLine::Action::run;
  c.problem = name;
  c.history = dir.filePath("history.csv");
  EXPECT_EQ(RunHeadless(c, log), 2);
  EXPECT_FALSE(QFile::exists(c.history));

  ASSERT_TRUE(p.SetWatched({4, 3}, true));
  ASSERT_TRUE(p.SetWatched({1, 0}, true));
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  c.csv = dir.filePath("results.csv");
  // Thirty steps end before the steady state: written, with status 5 to say so.
  ASSERT_EQ(RunHeadless(c, log), 5);
  std::fclose(log);
  QFile history(c.history);
  QFile results(c.csv);
  ASSERT_TRUE(history.open(QIODevice::ReadOnly));
  ASSERT_TRUE(results.open(QIODevice::ReadOnly));
  const QList<QByteArray> rows = history.readAll().trimmed().split('\n');
  ASSERT_EQ(rows.size(), 32);
  EXPECT_EQ(rows[0], "time,T1,T2");
  const std::vector<double> last = Cells(rows.back());
  ASSERT_EQ(last.size(), 3u);
  EXPECT_EQ(last[0], 1500);
  // Results rows: I,J,x,y,T,... counted from 1.
  int found = 0;
  for (const QByteArray& line : results.readAll().split('\n')) {
    const std::vector<double> cells = Cells(line);
    if (cells.size() != 7)
      continue;
    if (cells[0] == 5 && cells[1] == 4) {
      EXPECT_EQ(cells[4], last[1]);
      ++found;
    }
    if (cells[0] == 2 && cells[1] == 1) {
      EXPECT_EQ(cells[4], last[2]);
      ++found;
    }
  }
  EXPECT_EQ(found, 2);
}

// Ticks of the history plot, over ranges of every size and sign: inside the range, evenly
// spaced by 1, 2 or 5 times a power of ten, at most as many as asked and at least two; and a
// value maps onto the plot area in proportion.
TEST(HistoryPlot, TicksAreRoundAndInsideAndValuesLandInProportion) {
  const double ranges[][2] = {{0, 1},       {0, 600},      {-0.0123, 0.0456}, {97.99, 98.02},
                              {-3e5, 1e6},  {1e-9, 3e-9},  {0, 1e-3},         {-1, -0.2},
                              {0, 19999.5}, {293.1, 373.2}};
  for (const auto& r : ranges) {
    const std::vector<double> ticks = NiceTicks(r[0], r[1], 7);
    ASSERT_GE(ticks.size(), 2u) << r[0] << " " << r[1];
    EXPECT_LE(ticks.size(), 7u);
    const double step = ticks[1] - ticks[0];
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
                std::fabs(mantissa - 5) < 1e-6)
        << step;
    for (std::size_t k = 0; k < ticks.size(); ++k) {
      EXPECT_GE(ticks[k], r[0] - 1e-9 * step);
      EXPECT_LE(ticks[k], r[1] + 1e-9 * step);
      if (k > 0) {
        EXPECT_NEAR(ticks[k] - ticks[k - 1], step, 1e-9 * step);
      }
    }
  }
  HistoryPlot plot;
  plot.curves.push_back(HistoryCurve{"1", Qt::red, true, {0, 100, 400}, {2, 4, 12}});
  const QFont font;
  const HistoryFrame f = FrameHistory(plot, QSize(500, 300), QFontMetrics(font));
  EXPECT_EQ(f.t0, 0);
  EXPECT_EQ(f.t1, 400);
  EXPECT_NEAR(f.v0, 1.5, 1e-12);
  EXPECT_NEAR(f.v1, 12.5, 1e-12);
  EXPECT_NEAR(f.Map(100, 4).x(), f.area.left() + 0.25 * f.area.width(), 1e-9);
  EXPECT_NEAR(f.Map(100, 4).y(), f.area.bottom() - 2.5 / 11 * f.area.height(), 1e-9);
}

}  // namespace
