// The report and the profile window as the main window opens them and keeps them current.

#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "gui/dialogs/Graphics.h"
#include "gui/dialogs/Outputs.h"
#include "gui/dialogs/outputreport.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/widgets.h"
#include "tests/gui/support.h"

namespace {

class ResultsWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<THeatForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  // The default problem with snapshots every 100 steps, run and handed over.
  void Run() {
    auto marks = std::make_unique<NumVector<int>>(4);
    (*marks)[0] = 0;
    (*marks)[1] = 10;
    (*marks)[2] = 40;
    (*marks)[3] = 1000;
    form->SetMarks(std::move(marks));
    form->SetManager(RunToEnd(*form, UniformStart(*form)).release());
    ASSERT_GE(form->manager->Count(), 4);
  }

  std::unique_ptr<THeatForm> form;
};

TEST_F(ResultsWindows, OutputsNeedResultsAndReportTheShownSnapshot) {
  EXPECT_FALSE(form->OutputsItem->isEnabled());
  Run();
  EXPECT_TRUE(form->OutputsItem->isEnabled());
  form->ShowSnapshot(1);
  // A new time step typed after the run is the next run's: the report gives the step these
  // results were computed with.
  form->SetParameters(1e-5, 1e-5, 1000, 10000, 5);
  form->OutputsItem->trigger();
  TOutputsDlg& dlg = *form->outputsDlg;
  ASSERT_TRUE(dlg.isVisible());
  const QStringList lines = dlg.Text().split('\n');
  ASSERT_GT(lines.size(), 8);
  EXPECT_EQ(lines[5].toStdString(), "Current time:             " + ReportReal(200));
  EXPECT_EQ(lines[7].toStdString(), "Time steps performed:     " + ReportInteger(10, 16));
  EXPECT_EQ(lines[8].toStdString(), "Time interval (sec.):     " + ReportReal(20));

  // The report stays as built while the window plays on.
  form->ShowSnapshot(2);
  EXPECT_EQ(dlg.Text().split('\n')[7].toStdString(),
            "Time steps performed:     " + ReportInteger(10, 16));

  form->SetMedia(std::make_unique<CartesianMedia>(1, 1, 4, 4, DefaultMaterial()));
  EXPECT_FALSE(form->OutputsItem->isEnabled());
  dlg.close();
}

// The profile window follows playback, the view and the vectors, and shows nothing once the
// results are gone.
TEST_F(ResultsWindows, DynamicPlotsFollowTheMainWindow) {
  EXPECT_FALSE(form->DynamicPlotsItem->isEnabled());
  Run();
  ASSERT_TRUE(form->DynamicPlotsItem->isEnabled());
  form->DynamicPlotsItem->trigger();
  TGraphicDlg& dlg = *form->graphicDlg;
  ASSERT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.ProfileName->text(), "Temperature");
  dlg.WEBar->setValue(8);
  const auto shownT = [&] { return FormatExponent(form->ShownSnapshot()->T[8][9], 6); };
  EXPECT_EQ(dlg.FieldValue->text(), shownT());

  form->FirstFrameBtn->click();
  EXPECT_EQ(form->curSnapshot, 0);
  EXPECT_EQ(dlg.FieldValue->text(), shownT());
  form->NextFrameBtn->click();
  EXPECT_EQ(dlg.FieldValue->text(), shownT());
  EXPECT_NE(dlg.FieldValue->text(), FormatExponent(0, 6));

  form->HeatFluxVectorsItem->trigger();
  EXPECT_EQ(dlg.ProfileName->text(), "Flux (q)");
  form->HeatFluxVectorsItem->trigger();
  form->MediaItem->trigger();
  EXPECT_EQ(dlg.ProfileName->text(), "No fields");
  form->IsothermsItem->trigger();
  EXPECT_EQ(dlg.ProfileName->text(), "Temperature");

  form->SetMedia(std::make_unique<CartesianMedia>(1, 1, 4, 4, DefaultMaterial()));
  EXPECT_EQ(dlg.ProfileName->text(), "No fields");
  EXPECT_EQ(dlg.Shown(), nullptr);
  dlg.SNBtn->click();  // nothing to read, nothing to fail
  dlg.Draw->repaint();
}

}  // namespace
