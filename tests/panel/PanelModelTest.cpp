#include "config/InMemoryUserDefaults.h"
#include "panel/PanelModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace flitbar {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;
using Lines = std::vector<std::string>;

// On host 1 of `hosts`, which the device knows as "Desk", unnamed and "Travel Book".
DeviceInfo device(std::string name, std::string unitID, int hosts, DeviceBattery battery) {
  const std::vector<std::string> hostNames{"Desk", "", "Travel Book"};
  return {1, std::move(name), 9, static_cast<std::uint8_t>(hosts), 0, {}, std::move(unitID), hostNames, battery};
}

// One line per entry a person reads; rows show id, text, trailing, badges, current and check mark,
// then their expansion indented.
void describe(const std::vector<PanelEntry>& entries, Lines& lines, const std::string& indent = "") {
  for (const auto& entry : entries) {
    const auto& v = entry.value;
    if (auto* text = std::get_if<PanelText>(&v)) lines.push_back((text->secondary ? "note " : "text ") + text->text);
    if (auto* buttons = std::get_if<PanelButtons>(&v)) {
      std::string line = "buttons";
      for (const auto& button : buttons->buttons) line += " [" + button.title + (button.enabled ? "]" : " off]");
      lines.push_back(line);
    }
    if (auto* row = std::get_if<PanelRow>(&v)) {
      std::string line = indent + row->id + " " + row->text;
      if (row->trailing) line += " > " + *row->trailing;
      for (const auto& detail : row->details) line += " (" + detail.text + (detail.tint ? " red)" : ")");
      if (row->isCurrent) line += " current";
      if (row->isChecked) line += *row->isChecked ? " checked" : " unchecked";
      lines.push_back(line);
      describe(row->expansion, lines, indent + "  ");
    }
  }
}

// The entry at `position` in a row's expansion, itself a row.
const PanelRow& nested(const PanelRow& row, std::size_t position) {
  return std::get<PanelRow>(row.expansion.at(position).value);
}

class PanelModelTest : public ::testing::Test {
 public:
  PanelModelTest() {
    input.hostLabel = [](int host) { return "“Host " + std::to_string(host) + "”"; };
    auto& actions = input.actions;
    actions.setDestination = [this](int host) { calls.push_back("destination " + std::to_string(host)); };
    actions.setHost = [this](int host, bool hidden) {
      calls.push_back("hide " + std::to_string(host) + " " + std::to_string(hidden));
    };
    actions.setRavezOzururiza = [this](bool on) { calls.push_back("ravez " + std::to_string(on)); };
    actions.startEditingDevice = [this](const std::string& key) { calls.push_back("edit " + key); };
    actions.commitDeviceName = [this](const std::optional<std::string>& unit, const std::string& device,
                                      const std::string& name) {
      calls.push_back("name " + unit.value_or("-") + " " + device + " " + name);
    };
  }

  // A running receiver with a keyboard just low on battery and a mouse just not, on host 1 of
  // `hosts`; answers the input to adjust.
  PanelModelInput& running(int hosts) {
    input.snapshot.lifecycle = Lifecycle::running;
    input.snapshot.devices = {device("MX Keys", "AA:BB:CC:01", hosts, {19, false}),
                              device("MX Master 3", "AA:BB:CC:02", hosts, {20, false})};
    input.effectiveHostCount = hosts;
    input.effectiveThisHost = 1;
    return input;
  }

  Lines shown() {
    Lines lines;
    describe(PanelModel(input, defaults).content(), lines);
    return lines;
  }

  PanelModelInput input;
  InMemoryUserDefaults defaults;
  Lines calls;
};

struct StateCase {
  const char* name;
  std::function<void(PanelModelTest&)> arrange;
  Lines expected;
};

class PanelModelStates : public PanelModelTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(PanelModelStates, ShowsTheState) {
  GetParam().arrange(*this);
  EXPECT_EQ(shown(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PanelModelStates,
    ::testing::Values(
        StateCase{
            "ErrorWithVendorAgentRescueAndIssue",
            [](PanelModelTest& t) {
              t.running(2);
              t.input.snapshot.lastError = "Receiver access permission needed.";
              t.input.snapshot.problem = EngineSnapshot::Problem::accessDenied;
              t.input.vendorAgentRunning = true;
              t.input.wheelDiversion = WheelDiversion{2, "MX Master 3", {1, 0, 0}};
              t.input.wheelWriteInProgress = true;
              t.input.snapshot.configIssues = {{ConfigIssue::Kind::invalidHost, 2, "host must be 1, 2 or 3"},
                                               {ConfigIssue::Kind::invalidDocument, {}, "not JSON"}};
            },
            {"text Access Needed", "buttons [Quit Logi Options+] [Grant Access…] [Retry]",
             "text MX Master 3’s wheel is diverted to a driver that isn’t running, so scrolling goes nowhere.",
             "buttons [Restore Wheel Scrolling off]", "note ⚠ binding 3: host must be 1, 2 or 3", "note ⚠ not JSON"}},
        StateCase{"Starting",
                  [](PanelModelTest& t) { t.running(2).snapshot.lifecycle = Lifecycle::starting; },
                  {"text Connecting…"}},
        StateCase{
            "Moving", [](PanelModelTest& t) { t.running(2).snapshot.movingToHost = 2; }, {"text Moving to “Host 2”…"}},
        StateCase{"StoppedWithoutDevices", [](PanelModelTest&) {}, {"text No Devices Detected…"}},
        StateCase{"AllDevicesAwayKeepsTheLastHostCount",
                  [](PanelModelTest& t) {
                    t.input.snapshot.lifecycle = Lifecycle::running;
                    t.input.effectiveHostCount = 3;
                    t.input.effectiveThisHost = 2;
                  },
                  {"hosts Hosts > Host 2", "  host-2 Host 2 current", "devices Devices"}},
        StateCase{"RunningWithThreeHosts",
                  [](PanelModelTest& t) { t.running(3).snapshot.destinationHost = 2; },
                  {"hosts Hosts > Desk", "  host-1 Desk current", "  host-2 Host 2",
                   "    host-2-destination Send Here on Lock checked", "    host-2-remove Remove from List",
                   "  host-3 Travel Book", "    host-3-destination Send Here on Lock unchecked",
                   "    host-3-remove Remove from List", "devices Devices (19% red) (20%)",
                   "  device-unit:AA:BB:CC:01 MX Keys (19% red)", "  device-unit:AA:BB:CC:02 MX Master 3 (20%)"}},
        // Two hosts left listed: too few to remove one. A charging battery is never low, and low
        // ones are marked by more than colour when the desktop asks.
        StateCase{
            "ManualBindingsWithAHiddenHost",
            [](PanelModelTest& t) {
              t.running(3).snapshot.bindingSource = BindingSource::manual;
              t.input.snapshot.devices[1].battery = DeviceBattery{5, true};
              t.input.differentiateWithoutColor = true;
              t.defaults.set("hiddenHosts", {1, 3});
              t.defaults.set("hostNames", {{"2", "Studio"}});
            },
            {"hosts Hosts > Desk", "  host-1 Desk current", "  host-2 Studio", "devices Devices (! 19% red) (5%)",
             "  device-unit:AA:BB:CC:01 MX Keys (! 19% red)", "  device-unit:AA:BB:CC:02 MX Master 3 (5% charging)"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PanelModelTest, EntriesCarryTheirActions) {
  running(3).snapshot.devices[1].unitID = "";
  input.editingDeviceKey = "unit:AA:BB:CC:01";
  const PanelModel model(input, defaults);
  const auto hosts = model.hostsHeader();
  nested(nested(hosts, 2), 2).action();  // the third host's "Remove from List"
  nested(nested(hosts, 2), 0).action();  // and its "Send Here on Lock"
  const auto devices = model.devicesHeader();
  nested(devices, 1).action();
  nested(devices, 0).editingName.value().onCommit("Typing");

  // The lock toggle turns both switches off while either is on.
  defaults.set("autoSwitchBoth", false);
  std::get<PanelToggle>(PanelModel(input, defaults).content().back().value).action();
  defaults.set("switchAwayWhenLocked", false);
  std::get<PanelToggle>(PanelModel(input, defaults).content().back().value).action();
  EXPECT_EQ(calls, (Lines{"hide 3 1", "destination 3", "edit name:MX Master 3", "name AA:BB:CC:01 MX Keys Typing",
                          "ravez 0", "ravez 1"}));
}

}  // namespace
}  // namespace flitbar
