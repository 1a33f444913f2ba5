// The run dialog's keyboard context help, pressed and clicked as a student would: F1 opens the
// dialog's topic; Shift+F1 enters What's-this mode and the next click explains the control.

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QWhatsThis>
#include <QWindow>

#include "gui/dialogs/Process.h"
#include "gui/platform/help.h"
#include "sim/problem.h"

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

}  // namespace
