#include "app/StatusIconArt.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

int strongestAlpha(const QImage& image, bool* touchesEdge = nullptr) {
  int strongest = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(image.pixel(x, y));
      strongest = std::max(strongest, alpha);
      const bool edge = x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
      if (touchesEdge && edge && alpha > 0) *touchesEdge = true;
    }
  }
  return strongest;
}

TEST(StatusIconArtTest, EachMoodReadsDifferentlyAtEveryPanelSize) {
  test::qtApplication();
  for (const int pixels : {16, 22, 24, 32}) {
    const QImage filled = StatusIconArt::image(StatusIconMood::capturing, pixels, Qt::white);
    const QImage outlined = StatusIconArt::image(StatusIconMood::released, pixels, Qt::white);
    bool filledTouchesEdge = false;
    EXPECT_EQ(strongestAlpha(filled, &filledTouchesEdge), 255) << pixels;
    EXPECT_FALSE(filledTouchesEdge) << pixels << ": the mark keeps its inset";
    EXPECT_NEAR(strongestAlpha(StatusIconArt::image(StatusIconMood::unreachable, pixels, Qt::white)), 255 * 0.35, 2)
        << pixels;
    // Inside the left tile, above the arrow: solid when filled, empty when only outlined.
    const QPoint insideTile(pixels * 3 / 10, pixels * 3 / 10);
    EXPECT_EQ(filled.pixel(insideTile), qRgba(255, 255, 255, 255)) << pixels << ": drawn in the colour asked for";
    EXPECT_EQ(qAlpha(outlined.pixel(insideTile)), 0) << pixels;
    const QImage flashed = StatusIconArt::image(StatusIconMood::capturing, pixels, Qt::white, QStringLiteral("2"));
    EXPECT_NE(flashed, filled) << pixels;
    EXPECT_NE(flashed, StatusIconArt::image(StatusIconMood::capturing, pixels, Qt::white, QStringLiteral("3")));
  }
}

}  // namespace
}  // namespace flitbar
