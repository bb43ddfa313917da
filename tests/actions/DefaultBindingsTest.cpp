#include "engine/DefaultBindings.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Cids = std::vector<std::uint16_t>;
using Hosts = std::set<int>;

// Divertable controls, then ones that are not.
std::vector<ControlInfo> controls(Cids divertable, Cids fixed = {}) {
  std::vector<ControlInfo> list;
  for (const auto id : fixed) list.push_back({id, 0, 0x00});
  for (const auto id : divertable) list.push_back({id, 0, 0x20});
  return list;
}

Cids cids(const std::vector<Binding>& bindings) {
  Cids ids;
  for (const auto& binding : bindings) ids.push_back(binding.cid);
  return ids;
}

TEST(DefaultBindings, TheDestinationIsAValidVisibleOtherHost) {
  struct Case {
    std::optional<int> thisHost;
    int hostCount;
    std::optional<std::uint8_t> preferred;
    Hosts hidden;
    std::optional<std::uint8_t> expected;
  };
  for (const auto& [thisHost, count, preferred, hidden, expected] : std::vector<Case>{
           {1, 2, std::nullopt, {}, 2},
           {1, 2, std::nullopt, {2}, std::nullopt},
           {2, 3, 2, {}, 1},   // the preference is this host
           {1, 2, 3, {}, 2},   // beyond the host count
           {1, 3, 3, {3}, 2},  // hidden preference
           {std::nullopt, 3, 3, {}, 3},
           {1, 1, 1, {}, std::nullopt},
       }) {
    EXPECT_EQ(DefaultBindings::destination(thisHost, count, preferred, hidden), expected)
        << thisHost.value_or(0) << " of " << count << ", preferring " << int(preferred.value_or(0));
  }
}

TEST(DefaultBindings, SpareButtonsAreTopThenGestureThenNamedControlsButNeverClicksOrKeys) {
  EXPECT_EQ(DefaultBindings::spareButtonChoices(controls({0xC3, 0xC4})), (Cids{0xC4, 0xC3}));
  EXPECT_EQ(DefaultBindings::spareButtonChoices(controls({0x50, 0x56, 0x53, 0xD1, 0x1234})), (Cids{0x53, 0x56}));
  EXPECT_EQ(DefaultBindings::spareButtonChoices(controls({}, {0xC4})), Cids{}) << "not divertable";
}

TEST(DefaultBindings, PlansEasySwitchKeysForVisibleReachableHostsAndOneSpareButtonPerDevice) {
  const auto keys = named(device(1, 3, 0, "AA:BB"), "Keys");
  const auto twoHostKeys = named(device(1, 2), "Keys");
  const auto mouse = named(device(2, 2), "Mouse");
  auto plain = device(3, 2);
  plain.reprogFeature.reset();
  const auto easySwitch = controls({0xD1, 0xD2, 0xD3});
  struct Case {
    std::vector<DeviceInfo> devices;
    std::map<std::uint8_t, std::vector<ControlInfo>> inventory;
    std::optional<std::uint8_t> destination;
    Hosts hidden;
    Cids planned;
  };
  for (const auto& [devices, inventory, destination, hidden, planned] : std::vector<Case>{
           {{keys}, {{1, easySwitch}}, std::nullopt, {2}, {0xD1, 0xD3}},
           {{twoHostKeys}, {{1, easySwitch}}, std::nullopt, {}, {0xD1, 0xD2}},
           {{named(device(1, 0), "Keys")}, {{1, easySwitch}}, std::nullopt, {}, {0xD1, 0xD2, 0xD3}},  // no limit
           {{mouse, twoHostKeys},
            {{1, controls({0xD1, 0x53})}, {2, controls({0xC3, 0xC4, 0x50})}},
            2,
            {},
            {0xD1, 0x53, 0xC4}},
           {{mouse}, {{2, controls({0xC4})}}, std::nullopt, {}, {}},  // no destination, no spare button
           {{plain}, {{3, easySwitch}}, 2, {}, {}},                   // no controls feature
       }) {
    EXPECT_EQ(cids(DefaultBindings::plan(devices, inventory, destination, hidden)), planned)
        << devices.size() << " devices, destination " << int(destination.value_or(0));
  }
  const auto plan = DefaultBindings::plan({mouse, keys}, {{1, easySwitch}, {2, controls({0xC4})}}, 2, {2});
  EXPECT_EQ(plan.at(1), (Binding{1, 0xD3, "AA:BB", "Keys Easy-Switch 3", 3, std::nullopt}));
  EXPECT_EQ(plan.at(2), (Binding{2, 0xC4, std::nullopt, "Mouse top button", 2, std::nullopt}));
}

}  // namespace
}  // namespace flitbar::testing
