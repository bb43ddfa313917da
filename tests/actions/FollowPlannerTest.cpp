#include "engine/FollowPlanner.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

const DeviceInfo keyboard = named(device(1), "K");
const DeviceInfo mouse = [] {
  auto info = named(device(2), "M");
  info.changeHostFeature = 0x0A;  // a leader's feature must never be used for a follower
  return info;
}();
const DeviceInfo trackball = named(device(3), "T");

TEST(FollowPlanner, TheStayersFollowToTheHostAfterTheLeadersRememberedOne) {
  auto keyboardOnTwo = keyboard;
  keyboardOnTwo.currentHost = 1;
  const auto twoHostKeyboard = named(device(1, 2), "K");
  struct Case {
    std::vector<DeviceInfo> previous;
    std::vector<DeviceInfo> present;
    std::map<std::uint8_t, HostMemory> memory;
    std::optional<FollowPlan> plan;
  };
  const std::vector<HostTarget> keyboardFollows{{1, 0x09}};
  for (const auto& [previous, present, memory, plan] : std::vector<Case>{
           {{keyboard, mouse}, {keyboard}, {{2, {0, 3, "M"}}}, FollowPlan{2, {"M"}, keyboardFollows}},
           {{keyboard, mouse}, {keyboard}, {{2, {2, 3, "M"}}}, FollowPlan{1, {"M"}, keyboardFollows}},  // wraps
           // A follower already on the destination is still sent.
           {{keyboardOnTwo, mouse}, {keyboardOnTwo}, {{2, {0, 3, "M"}}}, FollowPlan{2, {"M"}, keyboardFollows}},
           // Leaders that disagree, no memory, a memory that cannot be right, nothing departed.
           {{keyboard, mouse, trackball}, {keyboard}, {{2, {0, 3, "M"}}, {3, {1, 3, "T"}}}, std::nullopt},
           {{keyboard, mouse}, {keyboard}, {}, std::nullopt},
           {{keyboard, mouse}, {keyboard}, {{2, {2, 2, "M"}}}, std::nullopt},
           {{keyboard, mouse}, {keyboard, mouse}, {{2, {0, 3, "M"}}}, std::nullopt},
           // Host 3 is beyond a two-host follower, and one without change-host cannot follow.
           {{twoHostKeyboard, mouse, device(4, 0)}, {twoHostKeyboard, device(4, 0)}, {{2, {1, 3, "M"}}}, std::nullopt},
       }) {
    EXPECT_EQ(FollowPlanner::plan(previous, present, memory), plan)
        << previous.size() << " before, " << present.size() << " now";
  }
}

}  // namespace
}  // namespace flitbar::testing
