#include "cli/CLI.h"
#include "cli/CommandResult.h"
#include "protocol/HIDPPError.h"
#include "support/VirtualDesk.h"

#include <gtest/gtest.h>

#include <ostream>

namespace flitbar {

// Readable failures for command results.
inline void PrintTo(const CommandResult& result, std::ostream* out) {
  *out << "status " << result.status << ", out \"" << result.standardOutput << "\", err \"" << result.standardError
       << "\"";
}

namespace testing {
namespace {

// Sets a control's reporting on the mouse as another program would, before a command runs.
void setMouseReporting(const VirtualDesk& desk, std::uint16_t cid, std::uint8_t flags, std::uint16_t remap = 0) {
  const auto opened = desk.open();
  opened.session->transport().exchange(2, *opened.devices.at(1).reprogFeature, 3,
                                       {static_cast<std::uint8_t>(cid >> 8), static_cast<std::uint8_t>(cid), flags,
                                        static_cast<std::uint8_t>(remap >> 8), static_cast<std::uint8_t>(remap)},
                                       true, 0.8);
  opened.session->stop();
}

TEST(DiagnosticCommands, InventoryListsEveryControlWithItsStates) {
  VirtualDesk desk;
  setMouseReporting(desk, 0x00C3, 0x0F, 0x00C4);  // diverted, persistent, remapped
  setMouseReporting(desk, 0x0056, 0x03);
  const auto result = CLI::run({"inventory"}, desk.environment());
  ASSERT_EQ(result.status, 0) << result.standardError;
  for (const char* line :
       {"device 1  MX Keys S\n   0x1B04 at index 0x", ", 4 controls\n   cid 209  task 0x00AE  -\n",
        "   cid 110  task 0x0043  not divertable\n", "   cid 80   task 0x0038  not divertable\n",
        "   cid 86   task 0x003E  DIVERTED\n", "   cid 195  task 0x00A9  DIVERTED, persistent, remap->0x00C4\n"}) {
    EXPECT_NE(result.standardOutput.find(line), std::string::npos) << line << "\nin\n" << result.standardOutput;
  }
}

TEST(DiagnosticCommands, AnswerOrFailWithAnErrorLineAndTheRightStatus) {
  const auto asleep = [](VirtualDesk& desk) {
    desk.world->setAwake("keyboard", false);
    desk.world->setAwake("mouse", false);
  };
  const auto brokenControls = [](VirtualDesk& desk) { desk.world->setFeatureError("mouse", 0x1B04, 0x05); };
  const auto untouched = [](VirtualDesk&) {};
  const auto desk = VirtualDesk::rig("default.json");
  const auto noChangeHost = VirtualDesk::rig("no-change-host.json");
  // The default desk without its keyboard, so the mouse comes first.
  auto mouseAlone = desk;
  mouseAlone.devices.erase(mouseAlone.devices.begin());
  const std::string noReceiver = "error: " + HIDPPError::noReceiver().description() + "\n";
  const std::string deviceError = HIDPPError::deviceError(2, 0x05).description();
  const std::string smartShift = "MX Master 3S  range 1\u201350\n  wheelMode     ratchet\n  autoDisengage ";
  struct Case {
    virtualhid::VirtualRig rig;
    std::function<void(VirtualDesk&)> setup;
    std::vector<std::string> arguments;
    CommandResult expected;
  };
  for (const auto& [rig, setup, arguments, expected] : std::vector<Case>{
           {desk, asleep, {"watch"}, {1, "", noReceiver}},
           {desk, asleep, {"smartshift"}, {1, "", noReceiver}},
           {desk, asleep, {"restore"}, {0, "\n", ""}},
           {desk, brokenControls, {"inventory"}, {1, "", "error: " + deviceError + "\n"}},
           {desk,
            brokenControls,
            {"restore"},
            {1,
             "device 1 (MX Keys S): released 0, already released 4\n"
             "device 2 (MX Master 3S): released 0, already released 0, failed 1 [could not enumerate controls: " +
                 deviceError + "]\n",
             "error: one or more controls could not be released\n"}},
           {noChangeHost,
            untouched,
            {"restore"},
            {0, "device 1 (K270): no reprogrammable controls\ndevice 3 (M590): released 0, already released 1\n", ""}},
           {desk,
            untouched,
            {"wheel"},
            {0, "MX Master 3S: wheelMode 00 00 00\n  first byte 0 = native Linux scrolling, 1 = diverted to a driver\n",
             ""}},
           {noChangeHost, untouched, {"wheel"}, {0, "\n", ""}},
           {desk,
            untouched,
            {"smartshift"},
            {1, "", "error: " + HIDPPError::unsupported("no SmartShift v2 on MX Keys S").description() + "\n"}},
           {mouseAlone, untouched, {"smartshift"}, {0, smartShift + "10\n", ""}},
           {mouseAlone, untouched, {"smartshift", "--set", "100"}, {0, smartShift + "50\n", ""}},
           {mouseAlone, untouched, {"smartshift", "--set", "-1"}, {0, smartShift + "OFF (always ratchet)\n", ""}},
           {desk, untouched, {"watch", "-d", "5"}, {2, "", "error: usage: watch [-d N]\n"}},
           {noChangeHost, untouched, {"watch"}, {1, "", "error: no 0x1B04\n"}},
       }) {
    VirtualDesk served(rig);
    setup(served);
    EXPECT_EQ(CLI::run(arguments, served.environment()), expected) << arguments.at(0);
  }
}

}  // namespace
}  // namespace testing
}  // namespace flitbar
