#include "platform/dbus/SwitchIPC.h"
#include "support/FakeProcessViews.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

TEST(SwitchIPCDecoding, AcceptsOnlyWholeNumbersOneToThree) {
  const std::vector<std::pair<QVariant, std::optional<std::uint8_t>>> cases{
      {2.0, 2},
      {3u, 3},
      {2.5, std::nullopt},
      {0, std::nullopt},
      {4, std::nullopt},
      {true, std::nullopt},
      {QString("2"), std::nullopt},
      {1e300, std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
      {QVariant(), std::nullopt},
  };
  for (const auto& [value, host] : cases)
    EXPECT_EQ(SwitchIPC::host({{"host", value}}), host) << value.toString().toStdString();
  EXPECT_EQ(SwitchIPC::host({}), std::nullopt);
}

TEST(SwitchIPCDetection, OnlyAnotherProcessCountsAsTheRunningApplication) {
  testing::FakeRunningApplications running;
  SwitchIPC ipc(running, "dev.flitbar.flitbar", 100);
  EXPECT_FALSE(ipc.isGUIRunning());
  running.running["dev.flitbar.flitbar"] = {100};
  EXPECT_FALSE(ipc.isGUIRunning()) << "the command's own process";
  running.running["dev.flitbar.flitbar"] = {100, 250};
  EXPECT_TRUE(ipc.isGUIRunning());
}

}  // namespace
}  // namespace flitbar
