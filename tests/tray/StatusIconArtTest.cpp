#include "app/StatusIconArt.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

struct Coverage {
  int covered = 0;
  int strongestAlpha = 0;
  bool touchesEdge = false;
};

Coverage measure(const QImage& image) {
  Coverage coverage;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(image.pixel(x, y));
      if (alpha == 0) continue;
      ++coverage.covered;
      coverage.strongestAlpha = std::max(coverage.strongestAlpha, alpha);
      if (x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1) coverage.touchesEdge = true;
    }
  }
  return coverage;
}

TEST(StatusIconArtTest, EachMoodReadsDifferentlyAtEveryPanelSize) {
  test::qtApplication();
  for (const int pixels : {16, 22, 24, 32}) {
    const Coverage filled = measure(StatusIconArt::image(StatusIconMood::capturing, pixels, Qt::black));
    const Coverage outlined = measure(StatusIconArt::image(StatusIconMood::released, pixels, Qt::black));
    const Coverage faint = measure(StatusIconArt::image(StatusIconMood::unreachable, pixels, Qt::black));
    EXPECT_EQ(filled.strongestAlpha, 255) << pixels;
    EXPECT_GT(outlined.covered, 0) << pixels;
    EXPECT_NEAR(faint.strongestAlpha, 255 * 0.35, 2) << pixels;
    EXPECT_FALSE(filled.touchesEdge) << pixels << ": the mark keeps its inset";
    // Inside the left tile, above the arrow: solid when filled, empty when only outlined.
    const QPoint insideTile(pixels * 3 / 10, pixels * 3 / 10);
    EXPECT_EQ(qAlpha(StatusIconArt::image(StatusIconMood::capturing, pixels, Qt::black).pixel(insideTile)), 255);
    EXPECT_EQ(qAlpha(StatusIconArt::image(StatusIconMood::released, pixels, Qt::black).pixel(insideTile)), 0);
  }
}

TEST(StatusIconArtTest, AFlashedNumberChangesTheIconAndTakesTheGivenColour) {
  test::qtApplication();
  const QImage plain = StatusIconArt::image(StatusIconMood::capturing, 22, Qt::white);
  const QImage flashed = StatusIconArt::image(StatusIconMood::capturing, 22, Qt::white, QStringLiteral("2"));
  EXPECT_NE(plain, flashed);
  EXPECT_NE(flashed, StatusIconArt::image(StatusIconMood::capturing, 22, Qt::white, QStringLiteral("3")));
  EXPECT_EQ(measure(flashed).strongestAlpha, 255) << "the number is drawn at full strength";
  const QColor centre = QColor::fromRgba(plain.pixel(4, 11));
  EXPECT_EQ(centre.red(), 255) << "the mark is drawn in the colour asked for";
}

}  // namespace
}  // namespace flitbar
