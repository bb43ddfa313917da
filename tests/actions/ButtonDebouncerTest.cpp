#include "engine/ButtonDebouncer.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using Cids = std::vector<std::uint16_t>;

TEST(ButtonDebouncer, FiresOncePerPressAndAgainAfterARelease) {
  ButtonDebouncer debouncer;
  EXPECT_EQ(debouncer.presses(2, {0x00C4}), Cids{0x00C4});
  EXPECT_EQ(debouncer.presses(2, {0x00C4}), Cids{});
  EXPECT_EQ(debouncer.presses(2, {}), Cids{});
  EXPECT_EQ(debouncer.presses(2, {0x00C4}), Cids{0x00C4});
}

TEST(ButtonDebouncer, ReportsSimultaneousPressesAscendingAndIgnoresOtherReleases) {
  ButtonDebouncer debouncer;
  EXPECT_EQ(debouncer.presses(1, {0x00D3, 0x00D1}), (Cids{0x00D1, 0x00D3}));
  // Releasing one of two held controls fires nothing; the one still held stays quiet.
  EXPECT_EQ(debouncer.presses(1, {0x00D3}), Cids{});
  EXPECT_EQ(debouncer.presses(1, {0x00D3, 0x00D1}), Cids{0x00D1});
}

TEST(ButtonDebouncer, KeepsDevicesApart) {
  ButtonDebouncer debouncer;
  EXPECT_EQ(debouncer.presses(1, {0x00C4}), Cids{0x00C4});
  EXPECT_EQ(debouncer.presses(2, {0x00C4}), Cids{0x00C4});
  EXPECT_EQ(debouncer.presses(1, {0x00C4}), Cids{});
  debouncer = ButtonDebouncer{};
  EXPECT_EQ(debouncer.presses(1, {0x00C4}), Cids{0x00C4});
}

}  // namespace
}  // namespace flitbar
