#include "shell/StatusPanelPlacement.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

struct PlacementCase {
  const char* situation;
  QSize content;
  QRect anchor;
  QRect expected;
};

// A 1000x700 screen whose top 30 pixels are a panel bar.
const QRect available(0, 30, 1000, 670);

TEST(StatusPanelPlacementTest, OpensAwayFromTheNearestCornerAndStaysInsideTheScreen) {
  const PlacementCase cases[] = {
      {"icon at the top right hangs right-aligned below it", {280, 120}, {900, 4, 22, 22}, {642, 30, 280, 120}},
      {"pointer top left opens right and down", {280, 120}, {100, 100, 1, 1}, {100, 102, 280, 120}},
      {"pointer bottom right opens left and up", {280, 120}, {800, 600, 1, 1}, {521, 479, 280, 120}},
      {"icon in the corner is kept 8 pixels from the right edge", {280, 120}, {995, 4, 5, 22}, {712, 30, 280, 120}},
      {"pointer at the left edge is kept 8 pixels from it", {280, 120}, {2, 100, 1, 1}, {8, 102, 280, 120}},
      {"wider than the screen is pinned 8 pixels from the right", {1200, 120}, {900, 4, 22, 22}, {-208, 30, 1200, 120}},
      {"a bottom below the screen is lifted 8 pixels above it", {280, 450}, {100, 300, 1, 1}, {100, 242, 280, 450}},
      {"taller than the screen keeps its bottom 8 pixels up", {280, 800}, {900, 4, 22, 22}, {642, -108, 280, 800}},
  };
  for (const PlacementCase& c : cases) {
    EXPECT_EQ(StatusPanelPlacement::place(c.content, c.anchor, available), c.expected) << c.situation;
  }
}

}  // namespace
}  // namespace flitbar
