// Context help in the main window: which topic each control shows, when, and that asking
// never also acts.

#include <gtest/gtest.h>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "gui/dialogs/Process.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/widgets.h"
#include "tests/gui/support.h"

namespace {

class ContextHelp : public WindowTest {
 protected:
  void SetUp() override {
    HelpViewer::Instance().SetShowWindows(false);
    WindowTest::SetUp();
  }
  void TearDown() override {
    WindowTest::TearDown();
    HelpViewer::Instance().SetShowWindows(true);
  }
  // A popup that cannot be confused with the previous one.
  static void Forget() { HelpViewer::Instance().ShowTopic(-1); }
  static const HelpViewer::Request& Asked() { return HelpViewer::Instance().LastRequest(); }
};

TEST_F(ContextHelp, EveryLegendPanelShowsItsTopicOnAnyClick) {
  THeatForm& f = *form;
  f.LegendBtn->click();
  TLegend& l = *f.Legend;
  const std::pair<QWidget*, int> media[] = {{l.MouseX, 1000},       {l.MediaI, 1010},
                                            {l.MediaJ, 1010},       {l.MaterialName, 1020},
                                            {l.Conductivity, 1020}, {l.HeatGeneration, 1020},
                                            {l.MaterialColor, 1020}};
  const std::pair<QWidget*, int> fields[] = {
      {l.FieldI, 1010},     {l.FieldJ, 1010},    {l.TempValue, 1110},
      {l.TempColor, 1110},  {l.FluxValue, 1120}, {l.CurrentTime, 1030},
      {l.ColorScale, 1130}, {l.ScaleMax, 1130},  {l.ScaleGroup, 1130}};
  auto check = [&](const std::pair<QWidget*, int>& panel) {
    Forget();
    QTest::mouseClick(panel.first, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(Asked().command, HelpViewer::Command::Popup)
        << panel.first->objectName().toStdString();
    EXPECT_EQ(Asked().topic, panel.second) << panel.first->objectName().toStdString();
  };
  l.ShowPage(0);
  for (const auto& panel : media)
    check(panel);
  l.ShowPage(1);
  for (const auto& panel : fields)
    check(panel);
  // Clicking the legend is not the What-is-this mode and does not start it.
  EXPECT_FALSE(f.ContextHelpMode());
}

TEST_F(ContextHelp, InTheModeControlsExplainThemselvesWithoutActing) {
  THeatForm& f = *form;
  f.VectorSize->setValue(5);
  f.HelpBtnCPopup->click();
  // The slider does not move under a press that asked for help.
  QTest::mouseClick(f.VectorSize, Qt::LeftButton, {}, QPoint(f.VectorSize->width() - 2, 5));
  EXPECT_EQ(Asked().topic, 1140);
  EXPECT_EQ(f.VectorSize->value(), 5);
  EXPECT_FALSE(f.ContextHelpMode());

  // The tool bar's background and the status bar, and the drawing area.
  for (QWidget* w : {static_cast<QWidget*>(f.SpeedPanel), static_cast<QWidget*>(f.statusBar()),
                     static_cast<QWidget*>(f.Draw)}) {
    f.HelpBtnCPopup->click();
    Forget();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() - 3, w->height() / 2));
    EXPECT_EQ(Asked().command, HelpViewer::Command::Popup) << w->objectName().toStdString();
    EXPECT_EQ(Asked().topic, 1) << w->objectName().toStdString();
    EXPECT_FALSE(f.ContextHelpMode());
  }

  // A control without a topic acts and leaves the mode on, even on the tool bar.
  f.SetManager(RunToEnd(f, UniformStart(f)).release());
  f.IsothermsItem->trigger();
  QCoreApplication::processEvents();
  ASSERT_TRUE(f.NLinesUpDown->isVisible());
  f.HelpBtnCPopup->click();
  Forget();
  QTest::mouseClick(f.NLinesUpDown->UpButton(), Qt::LeftButton);
  EXPECT_EQ(f.nLines, 21);
  EXPECT_EQ(f.NLinesLabel->text(), "21");
  EXPECT_TRUE(f.ContextHelpMode());
  EXPECT_EQ(Asked().topic, -1);

  // A real press on a tool button: the topic, and the button never acts.
  QTest::mouseClick(f.LegendBtn, Qt::LeftButton);
  EXPECT_EQ(Asked().topic, 1);
  EXPECT_FALSE(f.LegendBtn->isChecked());
  EXPECT_FALSE(f.Legend->isVisible());
}

TEST_F(ContextHelp, AShortcutInTheModeShowsTheTopicInsteadOfRunning) {
  THeatForm& f = *form;
  f.HelpBtnCPopup->click();
  QTest::keyClick(&f, Qt::Key_F9, Qt::ControlModifier);
  EXPECT_EQ(Asked().topic, 1080);
  EXPECT_FALSE(f.processDlg->isVisible());
}

TEST_F(ContextHelp, NoMenuOffersToHideTheToolBar) {
  THeatForm& f = *form;
  for (QWidget* w : {static_cast<QWidget*>(f.SpeedPanel), static_cast<QWidget*>(f.menuBar())}) {
    const QPoint at(w->width() - 3, w->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &event);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << w->objectName().toStdString();
    if (QWidget* popup = QApplication::activePopupWidget())
      popup->close();
  }
  EXPECT_TRUE(f.SpeedPanel->isVisible());
}

TEST_F(ContextHelp, EveryTopicTheWindowDeclaresIsKnown) {
  const std::vector<int>& known = topic::All();
  for (QObject* o : form->findChildren<QObject*>()) {
    const int t = HelpTopicOf(o);
    if (t != 0) {
      EXPECT_TRUE(std::binary_search(known.begin(), known.end(), t)) << t;
    }
  }
}

// The colour scale's end labels name the temperatures at the bar's ends, at any size.
TEST(Legend, ScaleLabelsStayAtTheBarsEnds) {
  THeatForm f;
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  f.LegendBtn->click();
  f.Legend->ShowPage(1);
  for (const QSize size : {QSize(640, 480), QSize(1000, 800)}) {
    f.resize(size);
    QCoreApplication::processEvents();
    const TLegend& l = *f.Legend;
    const QRect bar(l.ColorScale->mapTo(&l, QPoint(0, 0)), l.ColorScale->size());
    const int top = l.ScaleMax->mapTo(&l, l.ScaleMax->rect().center()).y();
    const int bottom = l.ScaleMin->mapTo(&l, l.ScaleMin->rect().center()).y();
    EXPECT_LT(std::abs(top - bar.top()), 12) << size.height();
    EXPECT_LT(std::abs(bottom - bar.bottom()), 12) << size.height();
  }
}

// In the smallest window the legend's rows stand apart.
TEST(Legend, RowsDoNotOverlapInTheSmallestWindow) {
  THeatForm f;
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  f.LegendBtn->click();
  f.resize(360, 260);
  QCoreApplication::processEvents();
  for (int page : {0, 1}) {
    f.Legend->ShowPage(page);
    QCoreApplication::processEvents();
    std::vector<QRect> rows;
    for (QLabel* label : f.Legend->findChildren<QLabel*>()) {
      if (label->isVisible())
        rows.push_back(QRect(label->mapTo(f.Legend, QPoint(0, 0)), label->size()));
    }
    ASSERT_GT(rows.size(), 4u);
    for (std::size_t a = 0; a < rows.size(); ++a) {
      for (std::size_t b = a + 1; b < rows.size(); ++b)
        EXPECT_FALSE(rows[a].intersects(rows[b])) << page << ": " << a << " " << b;
      EXPECT_LE(rows[a].bottom(), f.Legend->height()) << page;
    }
  }
}

}  // namespace
