#include "engine/BindingAction.h"
#include "engine/ButtonDebouncer.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Action = BindingAction;

TEST(ButtonDebouncer, FiresOncePerPressPerDeviceInAscendingOrder) {
  struct Step {
    std::uint8_t device;
    std::vector<std::uint16_t> held;
    std::vector<std::uint16_t> fired;
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

TEST(BindingAction, ThePressedControlsFirstReachingBindingDecides) {
  // The two-host device 2 cannot reach host 3, so only device 1 counts for it.
  const auto onTwo = runningWith({device(1, 3, 1, "AA"), device(2, 2, 1)},
                                 {hostBinding(9, 0xC4, 3, "AA"), hostBinding(1, 0xC4, 1), hostBinding(1, 0xD2, 2),
                                  hostBinding(2, 0xD3, 3), commandBinding(2, 0xC4, "notify-send hi")});
  auto split = onTwo;
  split.devices[1].currentHost = 0;
  const auto alone = runningWith({device(1, 2, 0)}, {hostBinding(1, 0xD3, 3)});
  struct Case {
    const EngineSnapshot& snapshot;
    std::uint8_t device;
    std::uint16_t cid;
    Action expected;
  };
  for (const auto& [snapshot, index, cid, expected] : std::vector<Case>{
           // The unit id names device 1 whatever slot the binding says, and it comes first.
           {onTwo, 1, 0xC4, Action{Action::SwitchHost{3, "to 3"}}},
           {onTwo, 2, 0xC4, Action{Action::RunCommand{"notify-send hi", "device 2, top button"}}},
           {onTwo, 3, 0xC4, Action{Action::None{}}},
           {onTwo, 1, 0xD2, Action{Action::AlreadyOnHost{"Already on host 2; ignoring to 2"}}},
           {split, 1, 0xD2, Action{Action::SwitchHost{2, "to 2"}}},
           // Nobody can reach host 3: the switch is still asked for.
           {alone, 1, 0xD3, Action{Action::SwitchHost{3, "to 3"}}},
       }) {
    EXPECT_EQ(Action::forPress(snapshot, index, cid), expected) << int(index) << " cid " << cid;
  }
}

TEST(DivertTargets, FollowBindingsByUnitIdOrSlotAndSkipAbsentDevices) {
  const auto snapshot = runningWith({device(1, 3, 0, "U1"), device(2, 3, 0, "U2"), device(4, 3, 0, "U2")},
                                    {hostBinding(5, 0xC4, 2), hostBinding(9, 0xC3, 2, "U2"),
                                     hostBinding(1, 0xD1, 1, ""), hostBinding(2, 0xD2, 1, "CC")});
  std::vector<std::pair<std::uint8_t, std::uint16_t>> pairs;
  for (const auto& target : divertTargets(snapshot)) pairs.emplace_back(target.device.index, target.cid);
  EXPECT_EQ(pairs, (std::vector<std::pair<std::uint8_t, std::uint16_t>>{{2, 0xC3}, {4, 0xC3}, {1, 0xD1}}));
  // An absent slot is still bound: its device may come back.
  EXPECT_EQ(snapshot.boundIndexes(), (std::set<std::uint8_t>{1, 2, 4, 5}));
}

}  // namespace
}  // namespace flitbar::testing
