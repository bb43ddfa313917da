#include "engine/RestoreCoordinator.h"
#include "support/Builders.h"

#include "ScriptedReceiver.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

RestoreReport restore(
    ScriptedReceiver& receiver, const std::vector<DeviceInfo>& devices,
    std::function<bool()> interrupted = [] { return false; }) {
  return RestoreCoordinator::restore(receiver, devices, std::move(interrupted), std::chrono::duration<double>(0));
}

DeviceInfo withoutControls(DeviceInfo info) {
  info.reprogFeature.reset();
  return info;
}

TEST(RestoreCoordinator, ReleasesWhatIsDivertedWithRemapZero) {
  ScriptedReceiver receiver;
  for (std::uint16_t cid = 0x50; cid < 0x5A; ++cid) receiver.devices[2].push_back({.cid = cid});
  receiver.control(2, 0x52) = {.cid = 0x52, .reporting = 0x05, .remap = 0x00C4};
  receiver.control(2, 0x57).reporting = 0x01;

  const auto report = restore(receiver, {withoutControls(named(device(1), "Numpad")), named(device(2), "Mouse")});
  EXPECT_TRUE(report.succeeded());
  EXPECT_EQ(report.summary(),
            "device 1 (Numpad): no reprogrammable controls\n"
            "device 2 (Mouse): released 2, already released 8");
  EXPECT_EQ(receiver.control(2, 0x52).reporting & 0x01, 0);
  EXPECT_EQ(receiver.control(2, 0x52).remap, 0);
}

TEST(RestoreCoordinator, ReportsEveryFailureOfADeviceThatVanishes) {
  ScriptedReceiver receiver;
  receiver.devices[2] = {{.cid = 0x50}, {.cid = 0x51, .reporting = 0x01}, {.cid = 0x52}};
  receiver.devices[3] = {{.cid = 0x50}};
  receiver.silent.insert(3);
  // Count, first info and reporting, second info: then the mouse is gone.
  receiver.answersLeft[2] = 4;

  const auto report = restore(receiver, {named(device(2), "Mouse"), named(device(3), "Keys")});
  EXPECT_FALSE(report.succeeded());
  EXPECT_EQ(report.summary(),
            "device 2 (Mouse): released 0, already released 1, failed 2 [cid 81: release could not be verified; "
            "control 2: could not inspect]\n"
            "device 3 (Keys): released 0, already released 0, failed 1 [could not enumerate controls: " +
                HIDPPError::timeout(3).description() + "]");
}

TEST(RestoreCoordinator, AnInterruptionMarksTheRestOfTheDevices) {
  ScriptedReceiver receiver;
  receiver.devices[1] = {{.cid = 0x50, .reporting = 0x01}};
  receiver.devices[2] = {{.cid = 0x50, .reporting = 0x01}, {.cid = 0x51}};
  int polls = 0;
  // Allows device 1 and the first control of device 2.
  const auto report = restore(receiver, {named(device(1), "A"), named(device(2), "B"), named(device(3), "C")},
                              [&polls] { return ++polls > 4; });
  EXPECT_FALSE(report.succeeded());
  EXPECT_EQ(report.summary(),
            "device 1 (A): released 1, already released 0\n"
            "device 2 (B): interrupted\n"
            "device 3 (C): interrupted");
  EXPECT_EQ(receiver.control(2, 0x50).reporting & 0x01, 0);
}

}  // namespace
}  // namespace flitbar::testing
