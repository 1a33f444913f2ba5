// Keyboard context help, pressed and clicked as a student would, in the run dialog and the
// windows of results: F1 opens the dialog's topic; Shift+F1 enters What's-this mode and the
// next click explains the control.

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QWhatsThis>
#include <QWindow>

#include "gui/dialogs/Graphics.h"
#include "gui/dialogs/Outputs.h"
#include "gui/dialogs/Process.h"
#include "gui/platform/help.h"
#include "gui/platform/widgets.h"
#include "sim/problem.h"
#include "tests/gui/support.h"

namespace {

class Target : public RunTarget {
 public:
  ProblemRecord& Problem() override { return problem; }
  const SimManager* Results() const override { return results.get(); }
  bool SetManager(SimManager* manager) override {
    if (manager != results.get())
      results.reset(manager);
    return true;
  }
  ProblemRecord problem;
  std::unique_ptr<SimManager> results;
};

// Through the window system, as a real click arrives.
void SystemClick(QWidget* widget, QPoint at) {
  QWidget* top = widget->window();
  ASSERT_NE(top->windowHandle(), nullptr);
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, at));
  QApplication::processEvents();
}

TEST(RunDialogContextHelp, F1ShowsItsTopicAndShiftF1ThenAClickShowsTheControlsTopic) {
  Target target;
  TProcessDlg dlg(target);
  HelpViewer& help = HelpViewer::Instance();
  help.SetShowWindows(false);
  dlg.show();
  dlg.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));

  help.Close();  // so that no earlier request can pass for this one
  QTest::keyClick(&dlg, Qt::Key_F1);
  EXPECT_EQ(help.LastRequest().command, HelpViewer::Command::Topic);
  EXPECT_EQ(help.LastRequest().topic, 420);

  QWidget* timeGroup = dlg.TIter->parentWidget();
  ASSERT_NE(timeGroup, nullptr);
  const struct {
    QWidget* clicked;
    QPoint at;
    int topic;
  } clicks[] = {
      {timeGroup, QPoint(timeGroup->width() / 2, timeGroup->height() - 3), 1900},
      {dlg.TIter, dlg.TIter->rect().center(), 1900},
      {dlg.CKInitial, dlg.CKInitial->rect().center(), 1920},
      {dlg.Graph, dlg.Graph->rect().center(), 1960},
  };
  for (const auto& click : clicks) {
    help.Close();
    QTest::keyClick(&dlg, Qt::Key_F1, Qt::ShiftModifier);
    ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
    SystemClick(click.clicked, click.at);
    EXPECT_EQ(help.LastRequest().command, HelpViewer::Command::Popup);
    EXPECT_EQ(help.LastRequest().topic, click.topic) << click.clicked->objectName().toStdString();
    // The click explained the control and did nothing else.
    EXPECT_TRUE(dlg.CKInitial->isChecked());
    QWhatsThis::leaveWhatsThisMode();
  }
  help.SetShowWindows(true);
}

class ResultsTarget : public GraphicTarget, public OutputsTarget {
 public:
  const SimManager* Results() const override { return run.manager.get(); }
  const SimSnapshot* ShownSnapshot() const override { return &run.manager->LastSnapshot(); }
  ViewMode View() const override { return ViewMode::Temperature; }
  bool VectorsShown() const override { return false; }
  SolvedDefault run;
};

// Every control of the profile and report windows explains itself, Close included, and
// nothing else happens on the click.
TEST(ResultWindowsContextHelp, EveryControlShowsItsTopic) {
  ResultsTarget target;
  TGraphicDlg profile(target);
  TOutputsDlg report(target);
  HelpViewer& help = HelpViewer::Instance();
  help.SetShowWindows(false);
  const struct {
    QWidget* clicked;
    int topic;
  } clicks[] = {
      {profile.WEBtn, 2500},          {profile.SNBtn, 2500},
      {profile.NSBar, 2510},          {profile.WEBar, 2510},
      {profile.Draw, 2520},           {profile.ProfileName, 2520},
      {profile.ValueWE, 2530},        {profile.FieldValue, 2530},
      {profile.GlobalMin, 2540},      {profile.LocalMax, 2540},
      {profile.StatisticValue, 2550}, {profile.OKBtn, 1230},
      {profile.HelpBtn, 1200},        {report.Editor->viewport(), 2600},
      {report.SaveBtn, 2610},         {report.PrintBtn, 2610},
      {report.CopyBtn, 2620},
  };
  for (QDialog* window : {static_cast<QDialog*>(&profile), static_cast<QDialog*>(&report)}) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  for (const auto& click : clicks) {
    QWidget* window = click.clicked->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    help.Close();
    QTest::keyClick(window, Qt::Key_F1, Qt::ShiftModifier);
    ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
    SystemClick(click.clicked, click.clicked->rect().center());
    EXPECT_EQ(help.LastRequest().command, HelpViewer::Command::Popup);
    EXPECT_EQ(help.LastRequest().topic, click.topic) << click.clicked->objectName().toStdString();
    QWhatsThis::leaveWhatsThisMode();
  }
  // The click asked what Close does and closed nothing.
  EXPECT_TRUE(profile.isVisible());
  help.Close();
  QTest::keyClick(&report, Qt::Key_F1);
  EXPECT_EQ(help.LastRequest().topic, 600);
  help.SetShowWindows(true);
  report.close();
  profile.close();
}

}  // namespace
