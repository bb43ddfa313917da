#include "engine/ManagedControls.h"

#include "VirtualDesk.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::VirtualDesk;

// Diversion as the device models see it, through the real transport and receiver.
class ManagedControlsDeviceTest : public ::testing::Test {
 protected:
  ManagedControlsDeviceTest() : opened(desk.open()), keyboard(opened.devices.at(0)), mouse(opened.devices.at(1)) {}
  ~ManagedControlsDeviceTest() override { opened.session->stop(); }

  void assertDiverted(const std::vector<ManagedControls::Target>& targets) {
    controls.assertDiverted(*opened.session, targets, opened.devices, cancel,
                            [](const std::string& line) { ADD_FAILURE() << line; });
  }

  VirtualDesk desk;
  OpenedReceiver opened;
  DeviceInfo keyboard;
  DeviceInfo mouse;
  ManagedControls controls;
  CancelFlag cancel;
};

TEST_F(ManagedControlsDeviceTest, DivertsKeepingRemapsAndReleasesOnlyItsOwnCaptures) {
  testing::setReporting(*opened.session, mouse.index, *mouse.reprogFeature, 0x00C4, 0x00, 0x0053);
  testing::setReporting(*opened.session, mouse.index, *mouse.reprogFeature, 0x00C3, 0x03, 0x0000);

  assertDiverted({{keyboard, 0x00D2}, {mouse, 0x00C4}, {mouse, 0x00C3}});
  EXPECT_TRUE(desk.diverted("keyboard", 0x00D2));
  EXPECT_TRUE(desk.diverted("mouse", 0x00C4));
  EXPECT_EQ(desk.control("mouse", 0x00C4).at("remap"), "0x0053");
  std::vector<std::string> keys;
  for (const auto& [key, capture] : controls.captures()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"unit:4F:2A:11:C0:210", "unit:9C:51:7E:02:196"}));

  EXPECT_EQ(controls.release(*opened.session, opened.devices, 2.0, true), std::vector<std::string>{});
  EXPECT_FALSE(desk.diverted("keyboard", 0x00D2));
  EXPECT_FALSE(desk.diverted("mouse", 0x00C4));
  EXPECT_EQ(desk.control("mouse", 0x00C4).at("remap"), "0x0053");
  // Another program's diversion is left as it found it.
  EXPECT_TRUE(desk.diverted("mouse", 0x00C3));
}

TEST_F(ManagedControlsDeviceTest, ReleasingAfterTheDeviceLostItsDiversionFindsNothingToUndo) {
  assertDiverted({{mouse, 0x00C4}});
  ASSERT_TRUE(desk.diverted("mouse", 0x00C4));
  // The link drops and comes back: the device forgot the temporary diversion.
  desk.world->setAwake("mouse", false);
  desk.world->setAwake("mouse", true);
  EXPECT_FALSE(desk.diverted("mouse", 0x00C4));
  EXPECT_EQ(controls.release(*opened.session, opened.devices, 2.0, false), std::vector<std::string>{});
  EXPECT_TRUE(controls.captures().empty());
}

TEST_F(ManagedControlsDeviceTest, AControlThatCannotBeReadIsLeftAlone) {
  desk.world->setFeatureError("mouse", 0x1B04, 0x05);
  assertDiverted({{mouse, 0x00C4}, {keyboard, 0x00D1}});
  EXPECT_FALSE(desk.diverted("mouse", 0x00C4));
  EXPECT_TRUE(desk.diverted("keyboard", 0x00D1));
  EXPECT_EQ(controls.captures().size(), 1u);
}

}  // namespace
}  // namespace flitbar
