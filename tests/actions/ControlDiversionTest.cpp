// Diverting, releasing and reading controls on the desk's devices over a link that can lose requests.
#include "engine/ControlInventory.h"
#include "engine/ManagedControls.h"
#include "engine/RestoreCoordinator.h"

#include "LossyLink.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Strings = std::vector<std::string>;
using Cids = std::vector<std::uint16_t>;
using Capture = ManagedControls::Capture;

constexpr std::uint16_t top = 196;
constexpr std::uint16_t gesture = 195;

bool nothing(const HIDPPRequest&) { return false; }

// Set-reporting writes of one control, or every request to the mouse when `cid` is 0.
LossyLink::Loses lost(std::uint16_t cid = 0) {
  return [cid](const HIDPPRequest& request) {
    return request.device == 2 && (cid == 0 || (request.function == 3 && request.params.at(1) == cid));
  };
}

class LossyDesk : public ::testing::Test {
 protected:
  // Another program diverted the gesture button.
  LossyDesk() { receiver.session->setDivert(2, feature, gesture, true); }

  Strings assertDiverted(const std::vector<ManagedControls::Target>& targets, const std::vector<DeviceInfo>& devices) {
    Strings logged;
    controls.assertDiverted(*receiver.session, targets, devices, cancel,
                            [&](const std::string& line) { logged.push_back(line); });
    return logged;
  }
  Strings release(double timeoutSeconds, bool discardAfter) {
    return controls.release(*receiver.session, {mouse}, timeoutSeconds, discardAfter);
  }

  VirtualDesk desk;
  LossyLink::Loses loses = nothing;
  OpenedReceiver receiver = LossyLink::open(desk, loses);
  DeviceInfo mouse = receiver.devices.at(1);
  std::uint8_t feature = *mouse.reprogFeature;
  ControlPacing::Clock::time_point clock{};
  ManagedControls controls{ControlPacing{.now = [this] { return clock; },
                                         .sleep = [this](ControlPacing::Clock::duration pause) { clock += pause; }}};
  CancelFlag cancel;
};

using ManagedControlsTest = LossyDesk;
using RestoreCoordinatorTest = LossyDesk;
using ControlInventoryTest = LossyDesk;

TEST_F(ManagedControlsTest, CapturesOnlyWhatItDivertedAssertsItAgainAndGivesItBack) {
  EXPECT_EQ(assertDiverted({{mouse, top}, {mouse, gesture}}, {mouse}), Strings{});
  EXPECT_TRUE(desk.diverted("mouse", top));
  ASSERT_EQ(controls.captures().size(), 1u);
  EXPECT_EQ(controls.captures().at("unit:9C:51:7E:02:196"),
            (Capture{2, "9C:51:7E:02", "MX Master 3S", feature, top, 0}));

  EXPECT_EQ(release(2.0, true), Strings{});
  EXPECT_FALSE(desk.diverted("mouse", top));
  EXPECT_TRUE(desk.diverted("mouse", gesture)) << "another program's diversion is left alone";
  EXPECT_TRUE(controls.captures().empty());

  // The link dropped and came back: the device forgot what was diverted.
  assertDiverted({{mouse, top}}, {mouse});
  desk.world->setAwake("mouse", false);
  desk.world->setAwake("mouse", true);
  ASSERT_FALSE(desk.diverted("mouse", top));
  assertDiverted({{mouse, top}}, {mouse});
  EXPECT_TRUE(desk.diverted("mouse", top));

  cancel.cancel();
  assertDiverted({{mouse, 0x56}}, {mouse});
  EXPECT_FALSE(desk.diverted("mouse", 0x56)) << "cancelled before it started";
}

TEST_F(ManagedControlsTest, ReleasesRemovedBindingsOnlyOnceTheDeviceConfirms) {
  assertDiverted({{mouse, top}}, {mouse});
  EXPECT_EQ(assertDiverted({}, {}), Strings{}) << "an absent device keeps its capture";
  EXPECT_EQ(controls.captures().size(), 1u);

  loses = lost(top);
  EXPECT_EQ(assertDiverted({}, {mouse}), Strings{"device 2, cid 196: removed binding release could not be verified"});
  EXPECT_EQ(controls.captures().size(), 1u);

  loses = nothing;
  EXPECT_EQ(assertDiverted({}, {mouse}), Strings{});
  EXPECT_TRUE(controls.captures().empty());
  EXPECT_FALSE(desk.diverted("mouse", top));
}

TEST_F(ManagedControlsTest, CapturesFollowTheUnitIdAcrossSlots) {
  auto anonymous = receiver.devices.at(0);
  anonymous.unitID.reset();
  assertDiverted({{mouse, top}, {anonymous, 0xD1}}, {mouse, anonymous});
  ASSERT_EQ(controls.captures().size(), 2u);

  auto moved = mouse;
  moved.index = 3;
  moved.reprogFeature = 0x0C;
  anonymous.name = "Other";
  controls.reconcileDevices({moved, anonymous});
  ASSERT_EQ(controls.captures().size(), 1u);
  EXPECT_EQ(controls.captures().at("unit:9C:51:7E:02:196"), (Capture{3, "9C:51:7E:02", "MX Master 3S", 0x0C, top, 0}));

  moved.reprogFeature.reset();
  controls.reconcileDevices({moved});
  EXPECT_TRUE(controls.captures().empty());
}

TEST_F(ManagedControlsTest, ReleaseStopsAtItsTimeoutAndCanDiscardWhatFailed) {
  assertDiverted({{mouse, top}, {mouse, 0x56}, {mouse, 0x53}, {mouse, 0x52}}, {mouse});
  loses = lost();
  // Each failed release waits one 20 ms settle: two start within 30 ms, the third is due after it.
  EXPECT_EQ(release(0.03, false),
            (Strings{"device 2, cid 82: release could not be verified",
                     "device 2, cid 83: release could not be verified", "button release timed out"}));
  EXPECT_EQ(controls.captures().size(), 4u);
  EXPECT_EQ(release(0.03, true).size(), 3u);
  EXPECT_TRUE(controls.captures().empty());
}

TEST_F(RestoreCoordinatorTest, ReleasesEverythingAndReportsWhatItCouldNotVerify) {
  const auto divert = [&](std::uint8_t device, std::uint16_t cid) {
    receiver.session->setDivert(device, *receiver.devices.at(device - 1).reprogFeature, cid, true);
  };
  divert(1, 0xD1);
  divert(2, 0x53);
  divert(2, top);
  loses = lost(top);
  const auto report = RestoreCoordinator::restore(
      *receiver.session, receiver.devices, [] { return false; }, std::chrono::duration<double>(0));
  EXPECT_FALSE(report.succeeded());
  EXPECT_EQ(
      report.summary(),
      "device 1 (MX Keys S): released 1, already released 3\n"
      "device 2 (MX Master 3S): released 2, already released 4, failed 1 [cid 196: release could not be verified]");
  EXPECT_FALSE(desk.diverted("mouse", gesture)) << "another program's diversion is released too";
}

TEST_F(ControlInventoryTest, ReadsWhatItCanAndNothingFromASilentDevice) {
  const auto read = [&] {
    Cids cids;
    for (const auto& control : ControlInventory::read(*receiver.session, mouse)) cids.push_back(control.cid);
    return cids;
  };
  // The second control cannot be inspected.
  loses = [](const HIDPPRequest& request) { return request.function == 1 && request.params.at(0) == 1; };
  EXPECT_EQ(read(), (Cids{0x50, 0x52, 0x53, 0x56, gesture, top}));
  loses = lost();
  EXPECT_EQ(read(), Cids{});
}

}  // namespace
}  // namespace flitbar::testing
