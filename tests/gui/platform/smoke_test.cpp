#include <gtest/gtest.h>
#include <QImage>

TEST(Platform, OffscreenImagesHoldTheirPixels) {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::black);
  image.setPixel(1, 2, qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 2), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
}
