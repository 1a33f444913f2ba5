// A run from the main window's own command, with the real dialog shown modally, and what
// the window receives.

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

#include "gui/dialogs/Process.h"
#include "gui/dialogs/outputreport.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "sim/geometry.h"
#include "tests/gui/support.h"

namespace {

class RunFromWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dialog = form->processDlg;
    ASSERT_NE(dialog, nullptr);
  }

  // Opens the dialog with the window's command and, once it is up, does `inside`; the
  // dialog must be closed by then.
  void WithDialog(QAction* command, std::function<void()> inside) {
    bool ran = false;
    QTimer::singleShot(0, dialog, [&] {
      ran = true;
      EXPECT_TRUE(dialog->isVisible());
      EXPECT_TRUE(dialog->isModal());
      inside();
      if (dialog->isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        dialog->Finish->click();
      }
    });
    command->trigger();
    EXPECT_TRUE(ran);
  }

  TProcessDlg* dialog = nullptr;
};

TEST_F(RunFromWindow, DefaultProblemRunsToItsEndAndTheWindowShowsIt) {
  WithDialog(form->RunItem, [&] {
    EXPECT_TRUE(dialog->CKInitial->isChecked());
    EXPECT_FALSE(dialog->CKInitial->isEnabled());
    dialog->Run->click();
    EXPECT_FALSE(dialog->Run->isEnabled());
    EXPECT_TRUE(dialog->Finish->isEnabled());
    EXPECT_EQ(dialog->TIter->text(), "298");
    dialog->Finish->click();
  });
  ASSERT_NE(form->manager, nullptr);
  const SimManager& results = *form->manager;
  EXPECT_EQ(results.Sim(), nullptr);
  EXPECT_EQ(results.Count(), 2);
  EXPECT_EQ(results.LastSnapshot().Iteration(), 298);
  ExpectSameField(results.LastSnapshot().T, RunToEnd(*form, UniformStart(*form))->LastSnapshot().T);
  EXPECT_EQ(form->viewMode, ViewMode::Temperature);
  EXPECT_EQ(form->curSnapshot, 1);
  EXPECT_EQ(form->Legend->CurrentTime->text(), "5960");
  EXPECT_TRUE(form->OutputsItem->isEnabled());
  EXPECT_TRUE(form->FirstFrameBtn->isEnabled());
}

// A steady run of a stretched grid with Gauss-Seidel chosen: one solve by the direct solver,
// the field linear in x to rounding (the transient's 298 steps get within its tolerance
// only), and every read-out of time saying "steady state".
TEST_F(RunFromWindow, SteadyModeSolvesOnceAndTheWindowShowsTheSteadyField) {
  auto grid = std::make_unique<CartesianMedia>(1, 1, 12, 9, DefaultMaterial());
  for (int i = 0; i <= 12; ++i) {
    for (int j = 0; j <= 9; ++j) {
      const double s = i / 12.0;
      grid->node(i, j) = Point{s * (0.4 + 0.6 * s), j / 9.0};
    }
  }
  form->SetMedia(std::move(grid));
  form->runMode = RunMode::Steady;
  ASSERT_EQ(form->solver, SolverKind::GaussSeidel);
  WithDialog(form->RunItem, [&] {
    dialog->Run->click();
    EXPECT_FALSE(dialog->Run->isEnabled());
    EXPECT_EQ(dialog->TIter->text(), "1");
    EXPECT_EQ(dialog->Time->text(), "steady state");
    EXPECT_FALSE(dialog->WarningShown());
    EXPECT_TRUE(dialog->Verdict->text().startsWith("Equations solved"))
        << dialog->Verdict->text().toStdString();
    // Solved at once, not judged by a last step's change.
    EXPECT_TRUE(dialog->SteadyVerdict->text().startsWith("Steady state: solved at once"))
        << dialog->SteadyVerdict->text().toStdString();
    EXPECT_EQ(dialog->ErrorSeries()->Count(), 0);
    dialog->Finish->click();
  });
  ASSERT_NE(form->manager, nullptr);
  const SimManager& results = *form->manager;
  ASSERT_EQ(results.Count(), 2);
  const SimSnapshot& field = results.LastSnapshot();
  EXPECT_EQ(field.Iteration(), 1);
  EXPECT_EQ(field.ledger.storage, 0);
  for (int i = 0; i < 12; ++i) {
    for (int j = 0; j < 9; ++j)
      ASSERT_NEAR(field.T[i][j], GeometryOf(*form->media, i, j).centre.x, 1e-12) << i << ", " << j;
  }
  EXPECT_EQ(form->curSnapshot, 1);
  EXPECT_EQ(form->Legend->CurrentTime->text(), "steady state");
  const ReportLines report = OutputReport(ReportSource{results, field});
  ASSERT_GT(report.size(), 6u);
  EXPECT_EQ(report[5], "Current time:                 steady state");
  EXPECT_EQ(report[6], "Last simulated time:          steady state");
  form->FirstFrameBtn->click();
  EXPECT_EQ(form->Legend->CurrentTime->text(), "0");
}

TEST_F(RunFromWindow, PauseFromInsideTheRunThenResumeReachesTheSameField) {
  form->tolTime = 1e-8;  // a longer run
  WithDialog(form->RunItem, [&] {
    // Pause once the run is under way, from the events the run itself processes.
    dialog->pumpIntervalMs = 0;
    QTimer pauser;
    QObject::connect(&pauser, &QTimer::timeout, dialog, [&] {
      if (dialog->Pause->isEnabled() && dialog->TIter->text().toInt() >= 40) {
        dialog->Pause->click();
        pauser.stop();
      }
    });
    pauser.start(0);
    dialog->Run->click();
    ASSERT_TRUE(dialog->Run->isEnabled());
    ASSERT_TRUE(dialog->Preview->isEnabled());
    const int pausedAt = dialog->Manager()->Sim()->Iteration();
    EXPECT_GE(pausedAt, 39);
    EXPECT_LT(pausedAt, 1000);
    dialog->Run->click();
    EXPECT_FALSE(dialog->Run->isEnabled());
    dialog->Finish->click();
  });
  ASSERT_NE(form->manager, nullptr);
  auto straight = RunToEnd(*form, UniformStart(*form));
  EXPECT_EQ(form->manager->LastSnapshot().Iteration(), straight->LastSnapshot().Iteration());
  ExpectSameField(form->manager->LastSnapshot().T, straight->LastSnapshot().T);
}

TEST_F(RunFromWindow, CancelBeforeAnyStepKeepsThePreviousResults) {
  WithDialog(form->RunItem, [&] {
    dialog->Run->click();
    dialog->Finish->click();
  });
  const SimManager* previous = form->manager.get();
  ASSERT_NE(previous, nullptr);
  WithDialog(form->RunItem, [&] {
    EXPECT_EQ(dialog->Finish->text(), "&Cancel");
    EXPECT_TRUE(dialog->CKInitial->isEnabled());
    dialog->Finish->click();
  });
  EXPECT_EQ(form->manager.get(), previous);
}

TEST_F(RunFromWindow, ContinuationStartsFromTheLastResultsAtTimeZero) {
  form->SetParameters(form->tolTime, form->tolSpace, 50, form->maxIterSpace, form->dt);
  WithDialog(form->RunItem, [&] {
    dialog->Run->click();
    dialog->Finish->click();
  });
  const NumMatrix<double> after50 = form->manager->LastSnapshot().T;
  EXPECT_EQ(form->manager->LastSnapshot().Iteration(), 50);
  WithDialog(form->RunItem, [&] {
    dialog->CKInitial->setChecked(false);
    dialog->Run->click();
    dialog->Finish->click();
  });
  const SimManager& second = *form->manager;
  EXPECT_EQ(second.Snapshot(0).Time(), 0);
  ExpectSameField(second.Snapshot(0).T, after50);
  // Fifty steps from fifty steps are a hundred steps from the start.
  form->SetParameters(form->tolTime, form->tolSpace, 100, form->maxIterSpace, form->dt);
  ExpectSameField(second.LastSnapshot().T, RunToEnd(*form, UniformStart(*form))->LastSnapshot().T);
}

TEST_F(RunFromWindow, PlaybackGoesOnWhileTheDialogRuns) {
  form->SetMedia(std::make_unique<CartesianMedia>(1, 1, 60, 60, DefaultMaterial()));
  form->SetParameters(0, form->tolSpace, 200, form->maxIterSpace, form->dt);
  auto marks = std::make_unique<NumVector<int>>(11);
  for (int k = 0; k <= 10; ++k)
    (*marks)[k] = 20 * k;
  form->SetMarks(std::move(marks));
  WithDialog(form->RunItem, [&] {
    dialog->Run->click();
    dialog->Finish->click();
  });
  ASSERT_EQ(form->manager->Count(), 11);
  form->FirstFrameBtn->click();
  form->PlayBtn->click();
  ASSERT_TRUE(form->Playing());
  int shownWhenRunEnded = -1;
  WithDialog(form->RunItem, [&] {
    dialog->Run->click();
    shownWhenRunEnded = form->curSnapshot;
    dialog->Finish->click();
  });
  // The timer ticked through the run's event processing.
  EXPECT_GT(shownWhenRunEnded, 0);
  // The new results arrived while playing: the next tick stops on their last snapshot.
  form->TimerTimer();
  EXPECT_FALSE(form->Playing());
  EXPECT_EQ(form->curSnapshot, form->manager->Count() - 1);
}

}  // namespace
