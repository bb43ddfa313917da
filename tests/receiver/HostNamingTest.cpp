#include "protocol/HostNaming.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

DeviceInfo device(std::uint8_t index, bool changeHost, std::optional<std::vector<std::string>> names) {
  DeviceInfo info;
  info.index = index;
  if (changeHost) {
    info.changeHostFeature = 0x09;
    info.hostCount = 3;
  }
  info.hostNames = std::move(names);
  return info;
}

TEST(HostNaming, TakesTheFirstChangeHostDeviceThatKnowsTheName) {
  const std::vector<DeviceInfo> devices{
      device(1, false, std::vector<std::string>{"ignored", "ignored", "ignored"}),
      device(2, true, std::nullopt),
      device(3, true, std::vector<std::string>{"Desk", ""}),
      device(4, true, std::vector<std::string>{"Other", "Laptop", "Studio"}),
  };
  EXPECT_EQ(HostNaming::name(devices, 1), "Desk");
  EXPECT_EQ(HostNaming::name(devices, 2), "Laptop") << "an empty name does not count";
  EXPECT_EQ(HostNaming::name(devices, 3), "Studio");
  EXPECT_EQ(HostNaming::name(devices, 4), std::nullopt);
  EXPECT_EQ(HostNaming::name(devices, 0), std::nullopt);
}

TEST(HostNaming, QuotesKnownNamesWithCurlyQuotes) {
  const std::optional<std::vector<std::string>> names = std::vector<std::string>{"Studio", ""};
  EXPECT_EQ(HostNaming::quotedDestination(names, 1), "\u201CStudio\u201D");
  EXPECT_EQ(HostNaming::quotedDestination(names, 2), std::nullopt);
  EXPECT_EQ(HostNaming::quotedDestination(names, 3), std::nullopt);
  EXPECT_EQ(HostNaming::quotedDestination(std::nullopt, 1), std::nullopt);
}

}  // namespace
}  // namespace flitbar
