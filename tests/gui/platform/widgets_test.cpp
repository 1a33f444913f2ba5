#include "gui/platform/widgets.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>

namespace {

TEST(DrawArea, ARenderThatGivesNoImageShowsBlackWithoutAskingAgainAndAgain) {
  TDrawArea area;
  int renders = 0;
  area.render = [&renders](QSize) {
    ++renders;
    return QImage();
  };
  area.resize(50, 40);
  area.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
  const int shown = renders;
  EXPECT_GE(shown, 1);
  // Each paint used to ask for the next one: the loop never went idle.
  for (int k = 0; k < 20; ++k)
    QCoreApplication::processEvents();
  EXPECT_EQ(renders, shown);
  const QImage picture = area.grab().toImage();
  EXPECT_EQ(picture.pixelColor(25, 20), QColor(Qt::black));
}

TEST(DrawArea, ShowsWhatItsOwnerRenders) {
  TDrawArea area;
  area.render = [](QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 255));
    return image;
  };
  area.resize(30, 20);
  area.Redraw();
  EXPECT_EQ(area.Image().size(), QSize(30, 20));
  EXPECT_EQ(area.grab().toImage().pixelColor(29, 19), QColor(0, 128, 255));
}

}  // namespace
