// Diverted-button events: what a device reports while its diverted controls are held.
#include "WorldProbe.h"

#include <gtest/gtest.h>

namespace flitbar::virtualhid::testing {
namespace {

using Reports = std::vector<Bytes>;

class ButtonEventTest : public ::testing::Test {
 protected:
  void divert(std::uint16_t cid) {
    probe.send("host1", longReport({0x11, 0x02, 0x07, 0x3A, static_cast<std::uint8_t>(cid >> 8),
                                    static_cast<std::uint8_t>(cid & 0xFF), 0x03}));
  }
  Reports events() { return probe.sink("host1").take(); }

  WorldProbe probe = WorldProbe::fromFile("default.json");
};

TEST_F(ButtonEventTest, EventsListTheHeldDivertedControlsWithSoftwareIdZero) {
  divert(0xC3);
  divert(0xC4);
  probe.world->press("mouse", 0xC4);
  probe.world->press("mouse", 0xC3);
  probe.world->release("mouse", 0xC4);
  probe.world->release("mouse", 0xC3);
  EXPECT_EQ(events(),
            (Reports{longReport({0x11, 0x02, 0x07, 0x00, 0x00, 0xC4}),
                     longReport({0x11, 0x02, 0x07, 0x00, 0x00, 0xC4, 0x00, 0xC3}),
                     longReport({0x11, 0x02, 0x07, 0x00, 0x00, 0xC3}), longReport({0x11, 0x02, 0x07, 0x00})}));
}

TEST_F(ButtonEventTest, AtMostFourHeldControlsAreListed) {
  for (const std::uint16_t cid : {0x52, 0x53, 0x56, 0xC3, 0xC4}) divert(cid);
  for (const std::uint16_t cid : {0x52, 0x53, 0x56, 0xC3, 0xC4}) probe.world->press("mouse", cid);
  const auto pressed = events();
  ASSERT_EQ(pressed.size(), 5u);
  const auto fourHeld = longReport({0x11, 0x02, 0x07, 0x00, 0x00, 0x52, 0x00, 0x53, 0x00, 0x56, 0x00, 0xC3});
  EXPECT_EQ(pressed[3], fourHeld);
  EXPECT_EQ(pressed[4], fourHeld);
  probe.world->release("mouse", 0x52);
  EXPECT_EQ(events(), Reports{longReport({0x11, 0x02, 0x07, 0x00, 0x00, 0x53, 0x00, 0x56, 0x00, 0xC3, 0x00, 0xC4})});
}

TEST_F(ButtonEventTest, NonDivertedAndRepeatedPressesReportNothing) {
  probe.world->press("mouse", 0xC3);
  probe.world->release("mouse", 0xC3);
  divert(0xC4);
  probe.world->press("mouse", 0xC4);
  probe.world->press("mouse", 0xC4);
  EXPECT_EQ(events(), Reports{longReport({0x11, 0x02, 0x07, 0x00, 0x00, 0xC4})});
  EXPECT_THROW(probe.world->press("mouse", 0xD1), std::invalid_argument);
}

TEST_F(ButtonEventTest, ReleasingDiversionWhileHeldDropsTheControlFromLaterEvents) {
  divert(0xC3);
  divert(0xC4);
  probe.world->press("mouse", 0xC3);
  probe.world->press("mouse", 0xC4);
  probe.send("host1", longReport({0x11, 0x02, 0x07, 0x3A, 0x00, 0xC3, 0x02}));
  events();
  probe.world->release("mouse", 0xC3);
  probe.world->release("mouse", 0xC4);
  EXPECT_EQ(events(), Reports{longReport({0x11, 0x02, 0x07, 0x00})});
}

TEST_F(ButtonEventTest, EventsGoToTheReceiverOfTheDevicesCurrentHostOnly) {
  probe.world->switchHost("mouse", 2);
  probe.sink("host1").take();
  probe.sink("host2").take();
  probe.send("host2", longReport({0x11, 0x02, 0x07, 0x3A, 0x00, 0xC4, 0x03}));
  probe.world->press("mouse", 0xC4);
  EXPECT_EQ(probe.sink("host2").take(), Reports{longReport({0x11, 0x02, 0x07, 0x00, 0x00, 0xC4})});
  EXPECT_EQ(probe.sink("host1").take(), Reports{});
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
