#include "engine/ControlInventory.h"
#include "engine/DefaultBindings.h"

#include "ScriptedReceiver.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

constexpr std::uint8_t divertable = 0x20;

DeviceInfo device(std::uint8_t index, std::string name, std::uint8_t hostCount, std::optional<std::string> unit = {}) {
  DeviceInfo info;
  info.index = index;
  info.name = std::move(name);
  info.changeHostFeature = 0x09;
  info.hostCount = hostCount;
  info.reprogFeature = 0x0B;
  info.unitID = std::move(unit);
  return info;
}

std::vector<ControlInfo> controls(std::initializer_list<std::uint16_t> divertableIds,
                                  std::initializer_list<std::uint16_t> fixedIds = {}) {
  std::vector<ControlInfo> list;
  for (const auto id : fixedIds) list.push_back({id, 0, 0x00});
  for (const auto id : divertableIds) list.push_back({id, 0, divertable});
  return list;
}

std::vector<std::uint16_t> cids(const std::vector<Binding>& bindings) {
  std::vector<std::uint16_t> ids;
  for (const auto& binding : bindings) ids.push_back(binding.cid);
  return ids;
}

TEST(DefaultBindingsDestination, PrefersAValidVisibleOtherHost) {
  using DefaultBindings::destination;
  EXPECT_EQ(destination(1, 2, std::nullopt, {}), 2);
  EXPECT_EQ(destination(1, 2, std::nullopt, {2}), std::nullopt);
  EXPECT_EQ(destination(2, 3, std::uint8_t{2}, {}), 1);  // the preference is this host
  EXPECT_EQ(destination(1, 3, std::uint8_t{3}, {}), 3);
  EXPECT_EQ(destination(1, 2, std::uint8_t{3}, {}), 2);   // beyond the host count
  EXPECT_EQ(destination(1, 3, std::uint8_t{3}, {3}), 2);  // hidden preference
  EXPECT_EQ(destination(std::nullopt, 3, std::uint8_t{3}, {}), 3);
  EXPECT_EQ(destination(std::nullopt, 3, std::nullopt, {}), std::nullopt);
  EXPECT_EQ(destination(1, 1, std::uint8_t{1}, {}), std::nullopt);
}

TEST(DefaultBindingsSpareButton, TopThenGestureThenNamedControlsButNeverClicksOrKeys) {
  using DefaultBindings::spareButtonChoices;
  EXPECT_EQ(spareButtonChoices(controls({0x00C3, 0x00C4})), (std::vector<std::uint16_t>{0x00C4, 0x00C3}));
  EXPECT_EQ(spareButtonChoices(controls({0x0050, 0x0056, 0x0053, 0x00D1, 0x1234})),
            (std::vector<std::uint16_t>{0x0053, 0x0056}));
  // Not divertable, so not a choice.
  EXPECT_EQ(spareButtonChoices(controls({}, {0x00C4})), std::vector<std::uint16_t>{});
}

TEST(DefaultBindingsPlan, EasySwitchKeysRespectHiddenHostsAndHostCount) {
  const auto keyboard = device(1, "Keys", 3, "AA:BB:CC:DD");
  const auto all = controls({0x00D1, 0x00D2, 0x00D3});
  const auto plan = DefaultBindings::plan({keyboard}, {{1, all}}, std::nullopt, {2});
  EXPECT_EQ(cids(plan), (std::vector<std::uint16_t>{0x00D1, 0x00D3}));
  EXPECT_EQ(plan[1], (Binding{1, 0x00D3, "AA:BB:CC:DD", "Keys Easy-Switch 3", 3, std::nullopt}));

  EXPECT_EQ(cids(DefaultBindings::plan({device(1, "Keys", 2)}, {{1, all}}, std::nullopt, {})),
            (std::vector<std::uint16_t>{0x00D1, 0x00D2}));
  // A host count of 0 sets no limit.
  EXPECT_EQ(DefaultBindings::plan({device(1, "Keys", 0)}, {{1, all}}, std::nullopt, {}).size(), 3u);
}

TEST(DefaultBindingsPlan, OneSpareButtonPerDeviceOrderedByIndex) {
  const auto mouse = device(2, "Mouse", 2);
  const auto keyboard = device(1, "Keys", 2);
  const auto plan = DefaultBindings::plan(
      {mouse, keyboard}, {{1, controls({0x00D1, 0x0053})}, {2, controls({0x00C3, 0x00C4, 0x0050})}}, 2, {});
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_EQ(plan[0], (Binding{1, 0x00D1, std::nullopt, "Keys Easy-Switch 1", 1, std::nullopt}));
  EXPECT_EQ(plan[1], (Binding{1, 0x0053, std::nullopt, "Keys back button", 2, std::nullopt}));
  EXPECT_EQ(plan[2], (Binding{2, 0x00C4, std::nullopt, "Mouse top button", 2, std::nullopt}));
  // Without a destination there is no spare-button binding.
  EXPECT_EQ(cids(DefaultBindings::plan({mouse}, {{2, controls({0x00C4})}}, std::nullopt, {})),
            std::vector<std::uint16_t>{});
}

TEST(DefaultBindingsPlan, SkipsDevicesWithoutAnInventoryOrTheFeature) {
  auto plain = device(3, "Plain", 2);
  plain.reprogFeature.reset();
  EXPECT_TRUE(DefaultBindings::plan({plain}, {{3, controls({0x00D1})}}, 2, {}).empty());
  EXPECT_TRUE(DefaultBindings::plan({device(1, "Keys", 2)}, {}, 2, {}).empty());
}

TEST(ControlInventory, CacheKeyPrefersTheUnitId) {
  EXPECT_EQ(ControlInventory::cacheKey(device(2, "MX Keys", 3, "AA:BB:CC:DD")), "unit:AA:BB:CC:DD");
  EXPECT_EQ(ControlInventory::cacheKey(device(2, "MX Keys", 3)), "slot:2:MX Keys");
}

}  // namespace
}  // namespace flitbar

namespace flitbar {
namespace {

TEST(ControlInventory, ReadsWhatItCanAndNothingWithoutACount) {
  testing::ScriptedReceiver receiver;
  receiver.devices[2] = {{.cid = 0x50, .capabilities = 0x01}, {.cid = 0x53}, {.cid = 0xC4}};
  receiver.malformedInfo.insert({2, 1});
  DeviceInfo mouse;
  mouse.index = 2;
  mouse.reprogFeature = 0x0B;
  EXPECT_EQ(ControlInventory::read(receiver, mouse),
            (std::vector<ControlInfo>{{0x50, 0x0100, 0x01}, {0xC4, 0x0102, 0x20}}));
  receiver.silent.insert(2);
  EXPECT_EQ(ControlInventory::read(receiver, mouse), std::vector<ControlInfo>{});
  mouse.reprogFeature.reset();
  receiver.silent.clear();
  EXPECT_EQ(ControlInventory::read(receiver, mouse), std::vector<ControlInfo>{});
}

}  // namespace
}  // namespace flitbar
