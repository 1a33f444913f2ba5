// The Help menu of the main window: each item asks the help viewer for what it names, the
// tutorials leave the problem alone, and About shows the modal box at its dialog size.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "gui/dialogs/About.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/platform/help.h"

namespace {

class HelpMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    HelpViewer::Instance().SetShowWindows(false);
    form = std::make_unique<THeatForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void TearDown() override {
    form.reset();
    HelpViewer::Instance().SetShowWindows(true);
  }
  QAction* Item(const char* name) {
    auto* action = form->findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
  }
  static const HelpViewer::Request& Asked() { return HelpViewer::Instance().LastRequest(); }
  std::unique_ptr<THeatForm> form;
};

TEST_F(HelpMenu, EachItemAsksTheViewerForWhatItNames) {
  HelpViewer::Instance().Close();
  Item("ContentsItem")->trigger();
  EXPECT_EQ(Asked().command, HelpViewer::Command::Contents);
  Item("HelpTopicsItem")->trigger();
  EXPECT_EQ(Asked().command, HelpViewer::Command::Index);
  Item("HelpOnHelpItem")->trigger();
  EXPECT_EQ(Asked().command, HelpViewer::Command::HelpOnHelp);
  const std::pair<const char*, int> examples[] = {
      {"Example1Item", 700}, {"Example2Item", 710}, {"Example3Item", 720}, {"Example4Item", 730}};
  for (const auto& [name, topic] : examples) {
    Item(name)->trigger();
    EXPECT_EQ(Asked().command, HelpViewer::Command::Topic) << name;
    EXPECT_EQ(Asked().topic, topic) << name;
  }
  // A tutorial only opens its page: the default problem is still there.
  EXPECT_EQ(form->Problem().media->ni, 10);
  EXPECT_EQ(form->Problem().maxIterTime, 1000);
}

TEST_F(HelpMenu, AboutShowsTheModalBoxAtItsDialogSizeAndOKClosesIt) {
  bool seen = false;
  QTimer::singleShot(0, form.get(), [&] {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box, form->aboutBox);
    EXPECT_EQ(box->windowTitle(), "About");
    EXPECT_EQ(box->size(), QSize(339, 345));
    QPushButton* ok = form->aboutBox->OKButton;
    QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {}, ok->mapTo(box, ok->rect().center()));
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, form.get(), [&] { form->aboutBox->reject(); });
  guard.start(5000);
  Item("AboutItem")->trigger();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(form->aboutBox->isVisible());
  EXPECT_EQ(form->aboutBox->result(), QDialog::Accepted);
}

}  // namespace
