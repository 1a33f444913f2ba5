#include "gui/dialogs/Refinement.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

#include "gui/document/problemfile.h"
#include "gui/document/studycsv.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "tests/gui/support.h"

namespace {

class FakeTarget : public RefinementTarget {
 public:
  const ProblemRecord& StudyProblem() const override { return problem; }
  VolumeIndex ProbedVolume() const override { return probed; }

  ProblemRecord problem;
  VolumeIndex probed{-1, -1};
};

// A plate 1 m x 0.7 m of 6 x 4 volumes held at sin(pi x) along North and 0 elsewhere: its
// steady state comes in a step or two on every level, and converges at second order.
void SinePlate(ProblemRecord& p) {
  p.media = std::make_unique<CartesianMedia>(1.0, 0.7, 6, 4, VolumeProperties{45, 7800, 460, 0});
  p.eastFace->Insert(Segment{0, 1, new FTemperature(p.functionList[0].get())});
  p.northFace->Insert(Segment{0, 1, new FTemperature(p.functionList[2].get())});
  p.southFace->Insert(Segment{0, 1, new FTemperature(p.functionList[0].get())});
  p.SetParameters(1e-12, 1e-12, 50, 100, 1e9);
}

bool WaitForTheStudy(TRefinementDlg& dlg) {
  for (int k = 0; k < 6000 && dlg.Running(); ++k)
    QTest::qWait(20);
  return !dlg.Running();
}

// The window runs the study on its thread and shows what the core gives: a column per level,
// the order and extrapolated value, the verdict of the chosen row, a plot whose distance view
// has the observed order as its slope, and the table saved as the command line writes it.
TEST(RefinementDlg, ShowsTheStudyTheCoreMakesAndSavesItsTable) {
  FakeTarget target;
  SinePlate(target.problem);
  target.probed = VolumeIndex{2, 1};
  TRefinementDlg dlg(target);
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "Refinement Study");
  EXPECT_EQ(dlg.ProbeIEdit->value(), 3);
  EXPECT_EQ(dlg.ProbeJEdit->value(), 2);
  EXPECT_EQ(dlg.LevelsEdit->maximum(), MaxStudyLevels(*target.problem.media));
  ASSERT_TRUE(dlg.RunBtn->isEnabled());

  ASSERT_TRUE(dlg.RunClick());
  EXPECT_TRUE(dlg.CancelBtn->isEnabled());
  EXPECT_FALSE(dlg.RunBtn->isEnabled());
  ASSERT_TRUE(WaitForTheStudy(dlg));
  QTest::qWait(150);  // the poll that takes the result
  ASSERT_NE(dlg.Result(), nullptr) << dlg.Status->text().toStdString();
  const study::Result& r = *dlg.Result();

  // The same numbers as the core's own study of the problem.
  auto copy = CopyProblem(target.problem);
  study::Progress progress;
  const study::Result direct = study::Run(*copy, study::Settings{3, VolumeIndex{2, 1}}, progress);
  ASSERT_EQ(direct.levels.size(), 3u);
  for (int q = 0; q < study::quantityCount; ++q)
    EXPECT_EQ(r.levels[2].values[q], direct.levels[2].values[q]) << q;

  ASSERT_EQ(dlg.Table->columnCount(), 5);  // three levels, the order, the extrapolated value
  EXPECT_EQ(dlg.Table->horizontalHeaderItem(1)->text().section('\n', 0, 0), "12 x 8");
  EXPECT_EQ(dlg.Table->item(study::HeatNorth, 2)->text(),
            QString::number(r.levels[2].values[study::HeatNorth], 'g', 8));
  EXPECT_EQ(dlg.Table->item(study::HeatNorth, 3)->text(),
            QString::number(r.estimates[study::HeatNorth].order, 'f', 2));

  dlg.Table->selectRow(study::HeatNorth);
  EXPECT_EQ(dlg.Quantity(), study::HeatNorth);
  EXPECT_TRUE(dlg.Verdict->text().contains("Observed order 1.89"))
      << dlg.Verdict->text().toStdString();
  EXPECT_EQ(dlg.Plot().levels.size(), 3u);
  dlg.PlotMode->setCurrentIndex(1);
  const StudyPlot& plot = dlg.Plot();
  ASSERT_TRUE(plot.curve.valid);
  const QPointF a = plot.curve.points.front(), b = plot.curve.points.back();
  EXPECT_NEAR((b.y() - a.y()) / (b.x() - a.x()), r.estimates[study::HeatNorth].order, 1e-9);
  // The two finest dots lie on that line.
  EXPECT_NEAR(plot.levels[2].y(), a.y(), 1e-9);
  EXPECT_NEAR(plot.levels[1].y(),
              a.y() + (plot.levels[1].x() - a.x()) * (b.y() - a.y()) / (b.x() - a.x()), 1e-9);

  QTemporaryDir folder;
  const QString name = folder.filePath("study.csv");
  dlg.askSaveFileName = [&name] { return name; };
  ASSERT_TRUE(dlg.SaveBtn->isEnabled());
  dlg.SaveBtn->click();
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), StudyCsv(r));
}

TEST(RefinementDlg, HelpExplainsTheWindowAndTheNumbers) {
  FakeTarget target;
  TRefinementDlg dlg(target);
  HelpViewer::Instance().SetShowWindows(false);
  dlg.HelpBtn->click();
  EXPECT_EQ(HelpViewer::Instance().LastRequest().topic, topic::kRefinementDlg);
  emit dlg.Meaning->linkActivated("135");
  EXPECT_EQ(HelpViewer::Instance().LastRequest().topic, topic::kGridConvergence);
}

TEST(RefinementDlg, AGridFromAFileCannotBeStudied) {
  FakeTarget target;
  auto grid = std::make_unique<Media>(3, 3, DefaultMaterial());
  for (int i = 0; i <= 3; ++i) {
    for (int j = 0; j <= 3; ++j)
      grid->node(i, j) = Point{i + 0.2 * j, 1.0 * j};
  }
  target.problem.media = std::move(grid);
  TRefinementDlg dlg(target);
  dlg.show();
  EXPECT_FALSE(dlg.RunBtn->isEnabled());
  EXPECT_TRUE(dlg.Status->text().contains("grid read from a file"))
      << dlg.Status->text().toStdString();
  EXPECT_FALSE(dlg.RunClick());
  EXPECT_FALSE(dlg.Running());
}

// From the main window: the command opens the window; a study cancelled at once leaves the
// problem exactly as it was, the window usable, and no condition behind; and a window closed
// with a study still running ends it before it counts its conditions.
TEST_F(WindowTest, CancelledStudyLeavesTheProblemAsItWas) {
  form->SetMedia(std::make_unique<MixedMedia>(0.5, 1.0, 0.5, 0.1, 30, 90, DefaultMaterial()));
  form->media->volume(3, 4) = VolumeProperties{45, 7800, 460, 1e4};
  const QByteArray before = problemfile::Serialize(*form);
  const int32_t conditions = FHeat::Instances();
  form->findChild<QAction*>("RefinementStudyItem")->trigger();
  TRefinementDlg& dlg = *form->refinementDlg;
  ASSERT_TRUE(dlg.isVisible());
  dlg.LevelsEdit->setValue(4);
  ASSERT_TRUE(dlg.RunClick());
  EXPECT_GT(FHeat::Instances(), conditions);  // the study's own copy
  // The window answers while the study runs.
  form->ParametersItem->setEnabled(false);
  QTest::qWait(50);
  form->ParametersItem->setEnabled(true);
  dlg.CancelBtn->click();
  ASSERT_TRUE(WaitForTheStudy(dlg));
  QTest::qWait(150);
  EXPECT_EQ(dlg.Status->text(), "Cancelled. The problem is as it was.");
  EXPECT_EQ(dlg.Result(), nullptr);
  EXPECT_TRUE(dlg.RunBtn->isEnabled());
  EXPECT_EQ(problemfile::Serialize(*form), before);
  EXPECT_EQ(FHeat::Instances(), conditions);
  EXPECT_EQ(form->manager, nullptr);

  ASSERT_TRUE(dlg.RunClick());
  form.reset();
  EXPECT_EQ(FHeat::Instances(), 0);
}

}  // namespace
