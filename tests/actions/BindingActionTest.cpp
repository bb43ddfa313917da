#include "engine/BindingAction.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

DeviceInfo device(std::uint8_t index, std::uint8_t hostCount, std::uint8_t currentHost,
                  std::optional<std::string> unit = {}) {
  DeviceInfo info;
  info.index = index;
  info.name = "Device " + std::to_string(index);
  info.changeHostFeature = 0x09;
  info.hostCount = hostCount;
  info.currentHost = currentHost;
  info.reprogFeature = 0x0B;
  info.unitID = std::move(unit);
  return info;
}

Binding hostBinding(std::uint8_t index, std::uint16_t cid, std::uint8_t host, std::optional<std::string> unit = {}) {
  return Binding{index, cid, std::move(unit), "to " + std::to_string(host), host, std::nullopt};
}

EngineSnapshot state(std::vector<DeviceInfo> devices, std::vector<Binding> bindings) {
  EngineSnapshot snapshot;
  snapshot.lifecycle = EngineSnapshot::Lifecycle::running;
  snapshot.devices = std::move(devices);
  snapshot.bindings = std::move(bindings);
  return snapshot;
}

TEST(BindingAction, TheFirstBindingThatReachesTheDeviceDecides) {
  const auto snapshot = state({device(1, 3, 0), device(3, 3, 0, "AA:BB:CC:DD")},
                              {hostBinding(2, 0xC4, 2, "AA:BB:CC:DD"), hostBinding(3, 0xC4, 3),
                               Binding{1, 0xC4, std::nullopt, std::nullopt, std::nullopt, "notify-send hi"}});
  // The unit id names the device in slot 3, whatever slot the binding says; it comes first.
  EXPECT_EQ(BindingAction::forPress(snapshot, 3, 0xC4), (BindingAction{BindingAction::SwitchHost{2, "to 2"}}));
  EXPECT_EQ(BindingAction::forPress(snapshot, 1, 0xC4),
            (BindingAction{BindingAction::RunCommand{"notify-send hi", "device 1, top button"}}));
  EXPECT_EQ(BindingAction::forPress(snapshot, 2, 0xC4), (BindingAction{BindingAction::None{}}));
  EXPECT_EQ(BindingAction::forPress(snapshot, 1, 0xC3), (BindingAction{BindingAction::None{}}));
}

TEST(BindingAction, IgnoresAHostEveryCapableDeviceIsOnAlready) {
  // The two-host mouse cannot reach host 3, so only the keyboard counts for it.
  auto snapshot = state({device(1, 3, 1), device(2, 2, 1)}, {hostBinding(1, 0xD2, 2), hostBinding(1, 0xD3, 3)});
  EXPECT_EQ(BindingAction::forPress(snapshot, 1, 0xD2),
            (BindingAction{BindingAction::AlreadyOnHost{"Already on host 2; ignoring to 2"}}));
  EXPECT_EQ(BindingAction::forPress(snapshot, 1, 0xD3), (BindingAction{BindingAction::SwitchHost{3, "to 3"}}));
  snapshot.devices[1].currentHost = 0;
  EXPECT_EQ(BindingAction::forPress(snapshot, 1, 0xD2), (BindingAction{BindingAction::SwitchHost{2, "to 2"}}));
  // Nobody can reach host 3: the switch is still asked for.
  snapshot.devices = {device(1, 2, 0)};
  EXPECT_EQ(BindingAction::forPress(snapshot, 1, 0xD3), (BindingAction{BindingAction::SwitchHost{3, "to 3"}}));
}

TEST(DivertTargets, FollowBindingsThenTargetsAndSkipAbsentDevices) {
  const auto snapshot = state({device(1, 3, 0, "U1"), device(2, 3, 0, "U2"), device(4, 3, 0, "U2")},
                              {hostBinding(5, 0xC4, 2), hostBinding(9, 0xC3, 2, "U2"), hostBinding(1, 0xD1, 1)});
  std::vector<std::pair<std::uint8_t, std::uint16_t>> pairs;
  for (const auto& target : divertTargets(snapshot)) pairs.emplace_back(target.device.index, target.cid);
  EXPECT_EQ(pairs, (std::vector<std::pair<std::uint8_t, std::uint16_t>>{{2, 0xC3}, {4, 0xC3}, {1, 0xD1}}));
}

}  // namespace
}  // namespace flitbar
