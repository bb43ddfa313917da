// Devices leaving one computer's receiver and arriving at another's.
#include "WorldProbe.h"

#include <gtest/gtest.h>

namespace flitbar::virtualhid::testing {
namespace {

using Reports = std::vector<Bytes>;

const Bytes keyboardPing{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0xAA};
const Bytes keyboardPingAnswer = longReport({0x11, 0x01, 0x00, 0x1A, 0x04, 0x05, 0xAA});
// Keyboard of the default rig: Bolt receivers, keyboard type 1, wireless product id 0xB378.
const Bytes keyboardLeft{0x10, 0x01, 0x41, 0x10, 0x41, 0x78, 0xB3};
const Bytes keyboardArrived{0x10, 0x01, 0x41, 0x10, 0x01, 0x78, 0xB3};

TEST(HostMovementTest, SetCurrentHostIsNotAnsweredAndMovesTheDeviceWithConnectionNotices) {
  auto probe = WorldProbe::fromFile("default.json");
  EXPECT_EQ(probe.send("host1", {0x10, 0x01, 0x05, 0x1A, 0x01, 0x00, 0x00}), Reports{keyboardLeft});
  EXPECT_EQ(probe.sink("host2").take(), Reports{keyboardArrived});
  EXPECT_EQ(probe.sink("host3").take(), Reports{});

  EXPECT_EQ(probe.send("host1", keyboardPing), (Reports{{0x10, 0x01, 0x8F, 0x00, 0x1A, 0x09, 0x00}}));
  EXPECT_EQ(probe.send("host2", keyboardPing), Reports{keyboardPingAnswer});
  EXPECT_EQ(probe.send("host2", {0x10, 0x01, 0x05, 0x0A, 0, 0, 0}),
            Reports{longReport({0x11, 0x01, 0x05, 0x0A, 3, 1, 0})});
  EXPECT_EQ(probe.send("host2", {0x10, 0x01, 0x06, 0x0A, 0, 0, 0}),
            Reports{longReport({0x11, 0x01, 0x06, 0x0A, 1, 0, 3, 1})});
  // The mouse stayed behind.
  EXPECT_EQ(probe.send("host1", {0x10, 0x02, 0x00, 0x1A, 0, 0, 0xAA}),
            Reports{longReport({0x11, 0x02, 0x00, 0x1A, 4, 5, 0xAA})});
}

TEST(HostMovementTest, UnifyingReceiversAnnounceProtocolFourForAMouse) {
  auto probe = WorldProbe::fromFile("two-host-mouse.json");
  probe.world->switchHost("mouse", 2);
  EXPECT_EQ(probe.sink("host1").take(), (Reports{{0x10, 0x01, 0x41, 0x04, 0x42, 0x5E, 0x40}}));
  EXPECT_EQ(probe.sink("host2").take(), (Reports{{0x10, 0x01, 0x41, 0x04, 0x02, 0x5E, 0x40}}));
  probe.world->switchHost("mouse", 1);
  EXPECT_EQ(probe.sink("host2").take(), (Reports{{0x10, 0x01, 0x41, 0x04, 0x42, 0x5E, 0x40}}));
  EXPECT_EQ(probe.sink("host1").take(), (Reports{{0x10, 0x01, 0x41, 0x04, 0x02, 0x5E, 0x40}}));
}

TEST(HostMovementTest, OwnEasySwitchKeyMovesOnlyWhileNotDiverted) {
  auto probe = WorldProbe::fromFile("default.json");
  probe.world->press("keyboard", 0xD3);
  probe.world->release("keyboard", 0xD3);
  EXPECT_EQ(probe.sink("host1").take(), Reports{keyboardLeft});
  EXPECT_EQ(probe.sink("host3").take(), (Reports{{0x10, 0x01, 0x41, 0x10, 0x01, 0x78, 0xB3}}));

  // On host3 the program diverts key 2: pressing it now reports instead of moving.
  probe.send("host3", longReport({0x11, 0x01, 0x07, 0x3A, 0x00, 0xD2, 0x03}));
  probe.world->press("keyboard", 0xD2);
  probe.world->release("keyboard", 0xD2);
  EXPECT_EQ(probe.sink("host3").take(),
            (Reports{longReport({0x11, 0x01, 0x07, 0x00, 0x00, 0xD2}), longReport({0x11, 0x01, 0x07, 0x00})}));
  EXPECT_EQ(probe.sink("host2").take(), Reports{});
  EXPECT_EQ(probe.send("host3", keyboardPing), Reports{keyboardPingAnswer});
}

TEST(HostMovementTest, MovingForgetsTemporaryDiversionButKeepsPersistentOne) {
  auto probe = WorldProbe::fromFile("default.json");
  probe.send("host1", longReport({0x11, 0x01, 0x07, 0x3A, 0x00, 0xD1, 0x03}));
  probe.send("host1", longReport({0x11, 0x01, 0x07, 0x3A, 0x00, 0xD3, 0x0C}));
  probe.world->switchHost("keyboard", 2);
  EXPECT_EQ(probe.send("host2", {0x10, 0x01, 0x07, 0x2A, 0x00, 0xD1, 0}),
            Reports{longReport({0x11, 0x01, 0x07, 0x2A, 0x00, 0xD1, 0x00})});
  EXPECT_EQ(probe.send("host2", {0x10, 0x01, 0x07, 0x2A, 0x00, 0xD3, 0}),
            Reports{longReport({0x11, 0x01, 0x07, 0x2A, 0x00, 0xD3, 0x04})});
  // A persistently diverted Easy-Switch key reports on the new host and does not move the keyboard.
  probe.sink("host2").take();
  probe.world->press("keyboard", 0xD3);
  EXPECT_EQ(probe.sink("host2").take(), Reports{longReport({0x11, 0x01, 0x07, 0x00, 0x00, 0xD3})});
}

TEST(HostMovementTest, ARemappedKeyActsAsItsTarget) {
  auto probe =
      WorldProbe::fromJson({{"computers", {{{"id", "a"}}, {{"id", "b"}}}},
                            {"devices",
                             {{{"id", "k"},
                               {"slot", 1},
                               {"name", "K"},
                               {"hosts", {"a", "b"}},
                               {"controls", {{{"cid", 0xD2}, {"flags", 0x30}}, {{"cid", 0x6E}, {"flags", 0x30}}}}}}}});
  // 0 root, 1 feature set, 2 name, 3 change host, 4 hosts info, 5 reprogrammable controls.
  probe.send("a", longReport({0x11, 0x01, 0x05, 0x3A, 0x00, 0x6E, 0x00, 0x00, 0xD2}));
  probe.world->press("k", 0x6E);
  EXPECT_EQ(probe.sink("a").take(), (Reports{{0x10, 0x01, 0x41, 0x10, 0x41, 0x01, 0x40}}));
  EXPECT_EQ(probe.sink("b").take(), (Reports{{0x10, 0x01, 0x41, 0x10, 0x01, 0x01, 0x40}}));
}

TEST(HostMovementTest, ChannelsLeadingOutsideTheWorldTakeTheDeviceAwayFromEveryReceiver) {
  auto probe = WorldProbe::fromJson(
      {{"computers", {{{"id", "a"}}}},
       {"devices", {{{"id", "m"}, {"slot", 2}, {"name", "M"}, {"kind", "mouse"}, {"hosts", {"a", nullptr}}}}}});
  probe.world->switchHost("m", 2);
  EXPECT_EQ(probe.sink("a").take(), (Reports{{0x10, 0x02, 0x41, 0x10, 0x42, 0x02, 0x40}}));
  EXPECT_EQ(probe.send("a", {0x10, 0x02, 0x00, 0x1A, 0, 0, 0xAA}),
            (Reports{{0x10, 0x02, 0x8F, 0x00, 0x1A, 0x09, 0x00}}));
  probe.world->switchHost("m", 1);
  EXPECT_EQ(probe.sink("a").take(), (Reports{{0x10, 0x02, 0x41, 0x10, 0x02, 0x02, 0x40}}));
}

TEST(HostMovementTest, ADeviceWithoutChangeHostIsPairedWithOneComputerOnly) {
  auto probe = WorldProbe::fromFile("no-change-host.json");
  EXPECT_EQ(probe.send("host1", {0x10, 0x01, 0x00, 0x0A, 0x18, 0x14, 0}),
            Reports{longReport({0x11, 0x01, 0x00, 0x0A, 0})});
  EXPECT_EQ(probe.send("host2", {0x10, 0x01, 0x00, 0x1A, 0, 0, 0xAA}),
            (Reports{{0x10, 0x01, 0x8F, 0x00, 0x1A, 0x08, 0x00}}));
  EXPECT_THROW(probe.world->switchHost("keyboard", 2), std::invalid_argument);
}

TEST(HostMovementTest, SleepingDevicesLeaveAndComeBackOnTheSameReceiver) {
  auto probe = WorldProbe::fromFile("default.json");
  probe.world->setAwake("keyboard", false);
  EXPECT_EQ(probe.sink("host1").take(), Reports{keyboardLeft});
  EXPECT_THROW(probe.world->press("keyboard", 0xD2), std::invalid_argument);
  probe.world->setAwake("keyboard", true);
  EXPECT_EQ(probe.sink("host1").take(), Reports{keyboardArrived});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{keyboardPingAnswer});
}

TEST(HostMovementTest, NoticesFollowTheConfiguredDelays) {
  auto rig = VirtualRig::load(rigPath("default.json"));
  rig.timing = RigTiming{0, 0, 40, 80};
  WorldProbe probe(rig);
  probe.world->switchHost("mouse", 2);
  // Nothing is announced at once; the departure comes first, then the arrival.
  EXPECT_EQ(probe.sink("host1").take(), Reports{});
  EXPECT_EQ(probe.sink("host2").take(), Reports{});
  ASSERT_TRUE(probe.sink("host1").waitFor(1));
  ASSERT_TRUE(probe.sink("host2").waitFor(1));
  EXPECT_EQ(probe.sink("host1").take(), (Reports{{0x10, 0x02, 0x41, 0x10, 0x42, 0x34, 0xB0}}));
  EXPECT_EQ(probe.sink("host2").take(), (Reports{{0x10, 0x02, 0x41, 0x10, 0x02, 0x34, 0xB0}}));
}

TEST(HostMovementTest, MovingAgainBeforeArrivingCancelsTheFirstArrival) {
  auto rig = VirtualRig::load(rigPath("default.json"));
  rig.timing = RigTiming{0, 0, 0, 60};
  WorldProbe probe(rig);
  probe.world->switchHost("mouse", 2);
  probe.world->switchHost("mouse", 3);
  ASSERT_TRUE(probe.sink("host3").waitFor(1));
  EXPECT_EQ(probe.sink("host2").take(), Reports{});
  EXPECT_EQ(probe.send("host3", {0x10, 0x02, 0x00, 0x1A, 0, 0, 0xAA}),
            Reports{longReport({0x11, 0x02, 0x00, 0x1A, 4, 5, 0xAA})});
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
