#include "engine/RestoreCoordinator.h"

#include "ScriptedReceiver.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::ScriptedReceiver;

DeviceInfo device(std::uint8_t index, std::string name, bool reprog = true) {
  DeviceInfo info;
  info.index = index;
  info.name = std::move(name);
  if (reprog) info.reprogFeature = 0x0B;
  return info;
}

RestoreReport restore(
    ScriptedReceiver& receiver, const std::vector<DeviceInfo>& devices,
    std::function<bool()> interrupted = [] { return false; }) {
  return RestoreCoordinator::restore(receiver, devices, interrupted, std::chrono::duration<double>(0));
}

TEST(RestoreCoordinator, ReleasesWhatIsDivertedWithRemapZero) {
  ScriptedReceiver receiver;
  for (std::uint16_t cid = 0x50; cid < 0x5A; ++cid) receiver.devices[2].push_back({.cid = cid});
  receiver.control(2, 0x52).reporting = 0x05;
  receiver.control(2, 0x52).remap = 0x00C4;
  receiver.control(2, 0x57).reporting = 0x01;

  const RestoreReport report = restore(receiver, {device(1, "Numpad", false), device(2, "Mouse")});
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

  const RestoreReport report = restore(receiver, {device(2, "Mouse"), device(3, "Keys")});
  EXPECT_FALSE(report.succeeded());
  ASSERT_EQ(report.devices.size(), 2u);
  EXPECT_EQ(report.devices[0].alreadyReleased, 1);
  EXPECT_EQ(report.devices[0].failures,
            (std::vector<std::string>{"cid 81: release could not be verified", "control 2: could not inspect"}));
  EXPECT_EQ(report.devices[1].failures,
            std::vector<std::string>{"could not enumerate controls: " + HIDPPError::timeout(3).description()});
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
  const RestoreReport report =
      restore(receiver, {device(1, "A"), device(2, "B"), device(3, "C")}, [&polls] { return ++polls > 4; });
  EXPECT_FALSE(report.succeeded());
  EXPECT_EQ(report.summary(),
            "device 1 (A): released 1, already released 0\n"
            "device 2 (B): interrupted\n"
            "device 3 (C): interrupted");
  EXPECT_EQ(receiver.control(2, 0x50).reporting & 0x01, 0);
}

TEST(RestoreReport, AnEmptyReportSucceeds) {
  EXPECT_TRUE(RestoreReport{}.succeeded());
  EXPECT_EQ(RestoreReport{}.summary(), "");
}

}  // namespace
}  // namespace flitbar
