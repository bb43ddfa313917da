#include "cli/CLI.h"
#include "cli/CLIDiagnostics.h"
#include "protocol/HIDPPError.h"

#include "VirtualDesk.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <thread>

namespace flitbar {
namespace {

using testing::VirtualDesk;
using namespace std::chrono_literals;

constexpr std::uint8_t mouseSlot = 2;

// Diverts controls of the mouse as another program would, before a command runs.
void divertOnMouse(const VirtualDesk& desk, std::uint16_t cid, std::uint8_t flags, std::uint16_t remap = 0) {
  const OpenedReceiver opened = desk.open();
  const auto feature = *opened.devices.at(1).reprogFeature;
  testing::setReporting(*opened.session, mouseSlot, feature, cid, flags, remap);
  opened.session->stop();
}

TEST(DiagnosticCommands, InventoryListsEveryControlWithItsStates) {
  VirtualDesk desk;
  divertOnMouse(desk, 0x00C3, 0x0F, 0x00C4);  // diverted, persistent, remapped
  divertOnMouse(desk, 0x0056, 0x03);
  const CommandResult result = CLI::run({"inventory"}, desk.environment());
  ASSERT_EQ(result.status, 0) << result.standardError;
  const std::string& text = result.standardOutput;
  EXPECT_NE(text.find("device 1  MX Keys S\n   0x1B04 at index 0x"), std::string::npos) << text;
  EXPECT_NE(text.find(", 4 controls\n   cid 209  task 0x00AE  -\n"), std::string::npos) << text;
  EXPECT_NE(text.find("   cid 110  task 0x0043  not divertable\n"), std::string::npos) << text;
  EXPECT_NE(text.find("   cid 80   task 0x0038  not divertable\n"), std::string::npos) << text;
  EXPECT_NE(text.find("   cid 86   task 0x003E  DIVERTED\n"), std::string::npos) << text;
  EXPECT_NE(text.find("   cid 195  task 0x00A9  DIVERTED, persistent, remap->0x00C4\n"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n');
}

TEST(DiagnosticCommands, FailuresEndWithAnErrorLine) {
  VirtualDesk desk;
  desk.world->setFeatureError("mouse", 0x1B04, 0x05);
  const CommandResult inventory = CLI::run({"inventory"}, desk.environment());
  EXPECT_EQ(inventory.status, 1);
  EXPECT_EQ(inventory.standardOutput, "");
  EXPECT_TRUE(inventory.standardError.starts_with("error: ")) << inventory.standardError;

  desk.world->setAwake("keyboard", false);
  desk.world->setAwake("mouse", false);
  const std::string noReceiver = "error: " + HIDPPError::noReceiver().description() + "\n";
  EXPECT_EQ(CLI::run({"watch"}, desk.environment()), (CommandResult{1, "", noReceiver}));
  EXPECT_EQ(CLI::run({"smartshift"}, desk.environment()), (CommandResult{1, "", noReceiver}));
  EXPECT_EQ(CLI::run({"restore"}, desk.environment()), (CommandResult{0, "\n", ""}));
}

TEST(DiagnosticCommands, RestoreHandsBackWhatAnyoneDiverted) {
  VirtualDesk desk;
  divertOnMouse(desk, 0x00C4, 0x03);
  divertOnMouse(desk, 0x0053, 0x03);
  const CommandResult result = CLI::run({"restore"}, desk.environment());
  EXPECT_EQ(result, (CommandResult{0,
                                   "device 1 (MX Keys S): released 0, already released 4\n"
                                   "device 2 (MX Master 3S): released 2, already released 5\n",
                                   ""}));
  EXPECT_FALSE(desk.diverted("mouse", 0x00C4));
  EXPECT_FALSE(desk.diverted("mouse", 0x0053));
}

TEST(DiagnosticCommands, RestoreFailsWhenADeviceCannotBeEnumerated) {
  VirtualDesk desk;
  desk.world->setFeatureError("mouse", 0x1B04, 0x05);
  const CommandResult result = CLI::run({"restore"}, desk.environment());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.standardError, "error: one or more controls could not be released\n");
  EXPECT_NE(result.standardOutput.find("device 2 (MX Master 3S): released 0, already released 0, failed 1 "
                                       "[could not enumerate controls: "),
            std::string::npos)
      << result.standardOutput;
}

TEST(DiagnosticCommands, WheelShowsTheModeOfDevicesThatHaveOne) {
  VirtualDesk desk;
  EXPECT_EQ(CLI::run({"wheel"}, desk.environment()),
            (CommandResult{0,
                           "MX Master 3S: wheelMode 00 00 00\n"
                           "  first byte 0 = native Linux scrolling, 1 = diverted to a driver\n",
                           ""}));
  EXPECT_EQ(CLI::run({"wheel"}, VirtualDesk("no-change-host.json").environment("host1")).standardOutput, "\n");
}

TEST(DiagnosticCommands, SmartShiftNeedsTheFeatureOnTheFirstDevice) {
  VirtualDesk desk;
  EXPECT_EQ(CLI::run({"smartshift"}, desk.environment()),
            (CommandResult{1, "",
                           "error: " + HIDPPError::unsupported("no SmartShift v2 on MX Keys S").description() + "\n"}));
  EXPECT_EQ(CLI::run({"smartshift", "--set"}, desk.environment()),
            (CommandResult{2, "", "error: usage: smartshift [--set N] (-1 disables SmartShift)\n"}));
}

virtualhid::VirtualRig mouseAlone() {
  auto rig = nlohmann::json::parse(std::ifstream(std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json"));
  rig["devices"].erase(0);
  return virtualhid::VirtualRig::fromJson(rig);
}

TEST(DiagnosticCommands, SmartShiftShowsAndClampsTheThreshold) {
  VirtualDesk desk(mouseAlone());
  EXPECT_EQ(CLI::run({"smartshift"}, desk.environment()),
            (CommandResult{0, "MX Master 3S  range 1\u201350\n  wheelMode     ratchet\n  autoDisengage 10\n", ""}));
  EXPECT_EQ(CLI::run({"smartshift", "--set", "100"}, desk.environment()).standardOutput,
            "MX Master 3S  range 1\u201350\n  wheelMode     ratchet\n  autoDisengage 50\n");
  EXPECT_EQ(CLI::run({"smartshift", "--set", "-1"}, desk.environment()).standardOutput,
            "MX Master 3S  range 1\u201350\n  wheelMode     ratchet\n  autoDisengage OFF (always ratchet)\n");
}

// An unbuffered stream whose text another thread may read while it is written.
class SharedText : public std::streambuf {
 public:
  std::string text() {
    std::lock_guard guard(lock_);
    return text_;
  }

 protected:
  int_type overflow(int_type character) override {
    if (character != traits_type::eof()) {
      std::lock_guard guard(lock_);
      text_ += traits_type::to_char_type(character);
    }
    return character;
  }
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    std::lock_guard guard(lock_);
    text_.append(data, static_cast<std::size_t>(count));
    return count;
  }

 private:
  std::mutex lock_;
  std::string text_;
};

bool eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 300; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return condition();
}

class WatchTest : public ::testing::Test {
 protected:
  const std::string announcement =
      "watching MX Master 3S (slot 2) \u2014 4 divertable controls; press buttons, ctrl-C restores them\n\n";

  void startWatch(std::vector<std::string> arguments) {
    watcher = std::thread([this, arguments] {
      std::ostream out(&shared);
      result = CLI::watch(arguments, desk.environment(), out, [this] { return stop.load(); });
    });
    ASSERT_TRUE(eventually([this] { return shared.text() == announcement; })) << shared.text();
    // The handler goes in right after the announcement.
    std::this_thread::sleep_for(50ms);
  }

  void TearDown() override {
    stop = true;
    if (watcher.joinable()) watcher.join();
  }

  VirtualDesk desk;
  SharedText shared;
  std::atomic<bool> stop{false};
  std::thread watcher;
  CommandResult result;
};

TEST_F(WatchTest, PrintsEachPressOnceAndReleasesEverythingWhenStopped) {
  startWatch({"watch", "-d", "2"});
  EXPECT_TRUE(desk.diverted("mouse", 0x00C4));
  EXPECT_FALSE(desk.diverted("mouse", 0x0052));

  desk.world->press("mouse", 0x00C4);
  desk.world->press("mouse", 0x0053);
  desk.world->release("mouse", 0x0053);
  desk.world->release("mouse", 0x00C4);
  desk.world->press("mouse", 0x00C4);
  desk.world->release("mouse", 0x00C4);
  ASSERT_TRUE(eventually([&] { return shared.text().size() > announcement.size() + 45; })) << shared.text();

  stop = true;
  watcher.join();
  EXPECT_EQ(result, (CommandResult{0, "", ""}));
  EXPECT_EQ(shared.text(), announcement + "  press cid 196\n  press cid 83\n  press cid 196\n");
  for (const std::uint16_t cid : {0x0052, 0x0053, 0x0056, 0x00C3, 0x00C4})
    EXPECT_FALSE(desk.diverted("mouse", cid)) << cid;
}

TEST_F(WatchTest, ASignalEndsTheWatchCleanly) {
  startWatch({"watch", "-d", "2"});
  ::kill(::getpid(), SIGTERM);
  watcher.join();
  EXPECT_EQ(result, (CommandResult{0, "", ""}));
  EXPECT_FALSE(desk.diverted("mouse", 0x00C4));
  // The previous disposition is back.
  struct sigaction current {};
  ::sigaction(SIGTERM, nullptr, &current);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST(DiagnosticCommands, WatchRefusesWhatItCannotWatch) {
  VirtualDesk desk;
  EXPECT_EQ(CLI::run({"watch", "-d", "5"}, desk.environment()), (CommandResult{2, "", "error: usage: watch [-d N]\n"}));
  // The keyboard's keys are divertable; its other control is not, and nothing stays diverted.
  VirtualDesk plain("no-change-host.json");
  const auto refused = CLI::run({"watch"}, plain.environment("host1"));
  EXPECT_EQ(refused, (CommandResult{1, "", "error: no 0x1B04\n"}));
}

}  // namespace
}  // namespace flitbar
