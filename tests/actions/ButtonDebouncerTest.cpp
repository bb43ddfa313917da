#include "engine/ButtonDebouncer.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using Cids = std::vector<std::uint16_t>;

TEST(ButtonDebouncer, FiresOncePerPressPerDeviceInAscendingOrder) {
  struct Step {
    std::uint8_t device;
    Cids held;
    Cids fired;
  };
  ButtonDebouncer debouncer;
  int step = 0;
  for (const auto& [device, held, fired] : std::vector<Step>{
           {2, {0xC4}, {0xC4}},
           {2, {0xC4}, {}},      // still held
           {1, {0xC4}, {0xC4}},  // another device
           {2, {}, {}},          // a release fires nothing
           {2, {0xC4}, {0xC4}},
           {1, {0xD3, 0xD1}, {0xD1, 0xD3}},
           {1, {0xD3}, {}},  // releasing one of two held
           {1, {0xD3, 0xD1}, {0xD1}},
       }) {
    EXPECT_EQ(debouncer.presses(device, held), fired) << "step " << step++;
  }
}

}  // namespace
}  // namespace flitbar
