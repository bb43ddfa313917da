#include "engine/FollowPlanner.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

DeviceInfo device(std::uint8_t index, std::string name, std::uint8_t hostCount, std::uint8_t feature = 0x0C) {
  DeviceInfo info;
  info.index = index;
  info.name = std::move(name);
  if (hostCount > 0) info.changeHostFeature = feature;
  info.hostCount = hostCount;
  return info;
}

const DeviceInfo keyboard = device(1, "K", 3, 0x09);
const DeviceInfo mouse = device(2, "M", 3, 0x0A);

TEST(FollowPlanner, PredictsTheHostAfterTheRememberedOneWrappingAround) {
  struct Case {
    HostMemory memory;
    std::uint8_t host;
  };
  for (const Case& c : {Case{{0, 3, "M"}, 2}, Case{{2, 3, "M"}, 1}, Case{{1, 2, "M"}, 1}}) {
    const auto plan = FollowPlanner::plan({keyboard, mouse}, {keyboard}, {{2, c.memory}});
    ASSERT_TRUE(plan) << int(c.memory.host) << " of " << int(c.memory.count);
    EXPECT_EQ(*plan, (FollowPlan{c.host, {"M"}, {{1, 0x09}}}));
  }
}

TEST(FollowPlanner, AgreeingLeadersShareOnePlanInPreviousOrder) {
  const DeviceInfo trackball = device(3, "T", 3);
  const auto plan =
      FollowPlanner::plan({keyboard, mouse, trackball}, {keyboard}, {{3, {0, 3, "Trackball"}}, {2, {0, 3, "Mouse"}}});
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->leaderNames, (std::vector<std::string>{"Mouse", "Trackball"}));
  EXPECT_EQ(plan->host, 2);
}

TEST(FollowPlanner, RefusesAmbiguousOrUnknownDepartures) {
  const DeviceInfo trackball = device(3, "T", 3);
  // One predicts host 2, the other host 3.
  EXPECT_FALSE(FollowPlanner::plan({keyboard, mouse, trackball}, {keyboard}, {{2, {0, 3, "M"}}, {3, {1, 3, "T"}}}));
  // No memory, or a memory that cannot be right.
  EXPECT_FALSE(FollowPlanner::plan({keyboard, mouse}, {keyboard}, {}));
  EXPECT_FALSE(FollowPlanner::plan({keyboard, mouse}, {keyboard}, {{2, {2, 2, "M"}}}));
  // Nothing departed.
  EXPECT_FALSE(FollowPlanner::plan({keyboard, mouse}, {keyboard, mouse}, {{2, {0, 3, "M"}}}));
}

TEST(FollowPlanner, FollowersMustReachTheHost) {
  const DeviceInfo twoHostKeyboard = device(1, "K", 2, 0x09);
  const DeviceInfo receiverOnly = device(4, "Numpad", 0);
  // Host 3 is beyond the keyboard's two hosts and the numpad cannot switch at all.
  EXPECT_FALSE(
      FollowPlanner::plan({twoHostKeyboard, mouse, receiverOnly}, {twoHostKeyboard, receiverOnly}, {{2, {1, 3, "M"}}}));
  // A follower already on the destination is still listed.
  DeviceInfo onTwo = keyboard;
  onTwo.currentHost = 1;
  const auto plan = FollowPlanner::plan({onTwo, mouse}, {onTwo}, {{2, {0, 3, "M"}}});
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->followers, (std::vector<HostTarget>{{1, 0x09}}));
}

}  // namespace
}  // namespace flitbar
