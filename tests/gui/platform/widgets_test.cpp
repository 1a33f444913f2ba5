#include "gui/platform/widgets.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>
#include <algorithm>

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

// A window opened beside its owner, over many owners on a screen with an offset origin:
// it never covers the owner where either side has room, prefers the right, lines up with
// the owner's top, and stays on the screen whenever it fits there.
TEST(BesideWindow, NeverCoversTheOwnerWhereThereIsRoomAndStaysOnTheScreen) {
  const QRect screen(-300, 20, 1600, 880);
  const QSize size(250, 320);
  int right = 0, left = 0, edge = 0;
  for (int x = -400; x <= 1400; x += 37) {
    for (int w : {300, 640, 1100, 1400}) {
      for (int y : {-50, 20, 300, 700}) {
        const QRect owner(x, y, w, 460);
        const QRect placed(BesideWindow(owner, size, screen), size);
        ASSERT_TRUE(screen.contains(placed)) << x << " " << w << " " << y;
        const bool roomRight = owner.right() + 4 + size.width() <= screen.right();
        const bool roomLeft = owner.left() - 4 - size.width() >= screen.left();
        if (roomRight) {
          EXPECT_GT(placed.left(), owner.right()) << x << " " << w << " " << y;
        } else if (roomLeft) {
          EXPECT_FALSE(placed.intersects(owner)) << x << " " << w << " " << y;
        } else if (placed.intersects(owner)) {
          // No room either side: against the screen's right edge.
          EXPECT_EQ(placed.right(), screen.right()) << x << " " << w << " " << y;
        }
        right += placed.left() > owner.right();
        left += placed.right() < owner.left();
        edge += placed.intersects(owner);
        EXPECT_EQ(placed.top(),
                  std::clamp(owner.top(), screen.top(), screen.bottom() + 1 - size.height()));
      }
    }
  }
  EXPECT_GT(right, 0);
  EXPECT_GT(left, 0);
  EXPECT_GT(edge, 0);
}

}  // namespace
