// The dialogs that set up a run, opened modally by the window's own commands, and what the
// next run does with their settings.

#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

#include "gui/dialogs/Geometry.h"
#include "gui/dialogs/InitialTemp.h"
#include "gui/dialogs/Parameters.h"
#include "gui/dialogs/Process.h"
#include "gui/dialogs/Times.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "tests/gui/dialogs/dialogsupport.h"
#include "tests/gui/support.h"

namespace {

class SettingsFromWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<THeatForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void TearDown() override { form.reset(); }

  // Starts the command and, once its modal dialog is up, does `inside`, which must close it.
  static void Modal(const std::function<void()>& command, QDialog* dialog,
                    const std::function<void()>& inside) {
    bool ran = false;
    QTimer::singleShot(0, dialog, [&] {
      ran = true;
      EXPECT_TRUE(dialog->isVisible());
      EXPECT_TRUE(dialog->isModal());
      inside();
      if (dialog->isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        dialog->reject();
      }
    });
    command();
    EXPECT_TRUE(ran);
  }

  std::unique_ptr<THeatForm> form;
};

// A 20 x 60 mixed grid, 50 exponential animation times, a run, and 50 snapshots to play.
TEST_F(SettingsFromWindow, MixedGridWithFiftyExponentialTimesPlaysFiftySnapshots) {
  THeatForm& f = *form;
  TGeometryDlg& wizard = *f.geometryDlg;
  Modal([&] { f.GeometryBtn->click(); }, &wizard,
        [&] {
          wizard.Mixed->click();
          wizard.Next->click();
          Type(wizard, "mNI", "20");
          Type(wizard, "mNJ", "60");
          wizard.Next->click();
        });
  ASSERT_EQ(f.media->ni, 20);
  ASSERT_EQ(f.media->nj, 60);

  // The square warms through in about 2700 s: a run of 1000 steps of 1 s stays transient.
  TParametersDlg& parameters = *f.parametersDlg;
  Modal([&] { f.ParametersItem->trigger(); }, &parameters,
        [&] {
          Type(parameters, "Dt", "1");
          parameters.OKBtn->click();
        });
  EXPECT_EQ(f.dt, 1);

  TTimeDlg& times = *f.timeDlg;
  Modal([&] { f.AnimationTimesItem->trigger(); }, &times,
        [&] {
          EXPECT_EQ(times.ListedTimes(), QStringList({"0", "1000"}));
          times.Page->setCurrentIndex(1);
          Type(times, "ESamples", "50");
          times.ExpSetBtn->click();
          times.OKBtn->click();
        });
  ASSERT_EQ(f._marks->N(), 50);

  TInitialTempDlg& initial = *f.initialTempDlg;
  Modal([&] { f.InitialItem->trigger(); }, &initial,
        [&] {
          Type(initial, "Temp", "0.5");
          initial.OKBtn->click();
        });
  EXPECT_EQ(f.initialTemp, 0.5);

  TProcessDlg& run = *f.processDlg;
  Modal([&] { f.RunItem->trigger(); }, &run,
        [&] {
          run.Run->click();
          run.Finish->click();
        });
  ASSERT_NE(f.manager, nullptr);
  const SimManager& results = *f.manager;
  ASSERT_EQ(results.Count(), 50);
  for (int k = 0; k < 50; ++k) {
    EXPECT_EQ(results.Snapshot(k).Iteration(), (*f._marks)[k]);
    EXPECT_EQ(results.Snapshot(k).Time(), (*f._marks)[k] * 1.0);
  }
  EXPECT_EQ(results.Snapshot(0).minT, 0.5);
  EXPECT_EQ(results.Snapshot(0).maxT, 0.5);
  ASSERT_EQ(results.LastSnapshot().T.N(), 20);
  ASSERT_EQ(results.LastSnapshot().T.M(), 60);
  EXPECT_EQ(f.Legend->CurrentTime->text(), "1000");

  // Playback steps through all fifty.
  f.FirstFrameBtn->click();
  int frames = 1;
  while (f.NextFrameBtn->isEnabled()) {
    f.NextFrameBtn->click();
    ++frames;
  }
  EXPECT_EQ(frames, 50);

  // Settings keep the results; a new grid discards them.
  Modal([&] { f.ParametersItem->trigger(); }, &parameters, [&] { parameters.OKBtn->click(); });
  EXPECT_NE(f.manager, nullptr);
  EXPECT_EQ(f._marks->N(), 50);
  Modal([&] { f.GeometryItem->trigger(); }, &wizard,
        [&] {
          EXPECT_EQ(wizard.ActivePage(), "Default");
          EXPECT_TRUE(wizard.Mixed->isChecked());
          wizard.Cartesian->click();
          wizard.OKBtn->click();
        });
  EXPECT_EQ(f.manager, nullptr);
  EXPECT_EQ(f.media->nj, 10);
  EXPECT_EQ(f.viewMode, ViewMode::Media);
  EXPECT_FALSE(f.TemperatureFieldItem->isEnabled());
}

TEST_F(SettingsFromWindow, WhatIsThisExplainsTheWizardButOpensTheSmallDialogs) {
  THeatForm& f = *form;
  HelpViewer::Instance().SetShowWindows(false);
  f.HelpBtnCPopup->click();
  f.GeometryBtn->click();
  EXPECT_EQ(HelpViewer::Instance().LastRequest().topic, 1050);
  EXPECT_FALSE(f.geometryDlg->isVisible());
  EXPECT_FALSE(f.ContextHelpMode());

  // Commands without a topic act, and the mode stays on.
  f.HelpBtnCPopup->click();
  TInitialTempDlg& initial = *f.initialTempDlg;
  Modal([&] { f.InitialItem->trigger(); }, &initial, [&] { initial.CancelBtn->click(); });
  EXPECT_TRUE(f.ContextHelpMode());
  HelpViewer::Instance().SetShowWindows(true);
}

}  // namespace
