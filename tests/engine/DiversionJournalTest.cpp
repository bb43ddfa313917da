#include "engine/DiversionJournal.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace flitbar::testing {
namespace {

namespace fs = std::filesystem;
using Capture = ManagedControls::Capture;
using Entries = std::vector<DiversionJournal::Entry>;

const Capture mouseTop{2, "AA:BB:CC:DD", "MX Master 3S", 9, 196, 0x00C4};
const Capture keyboardKey{1, std::nullopt, "MX Keys S", 8, 209, 0};

// Journals of several processes over one file; `dead` lists the processes that are gone.
struct Processes {
  TemporaryDirectory directory;
  fs::path path = directory / "state" / "flitbar" / "diversions.json";
  std::set<int> dead;

  DiversionJournal of(int pid) {
    return DiversionJournal(path, pid, [this](int other) { return !dead.contains(other); });
  }
};

TEST(DiversionJournal, LeftoversAreOtherProcessesRecordsOnceTheyAreGoneAndEachForgetsOnlyItsOwn) {
  Processes processes;
  auto crashed = processes.of(100);
  auto running = processes.of(200);
  crashed.record(mouseTop, 0x04);
  running.record(mouseTop, 0);
  running.record(keyboardKey, 0);
  EXPECT_TRUE(processes.of(300).leftovers().empty()) << "both still run";

  processes.dead = {100, 200};
  EXPECT_EQ(running.leftovers(), (Entries{{100, mouseTop, 0x04}})) << "its own records are never leftovers";
  running.forget(ManagedControls::key(mouseTop));
  EXPECT_EQ(processes.of(300).leftovers(), (Entries{{100, mouseTop, 0x04}, {200, keyboardKey, 0}}));

  running.forget(ManagedControls::key(keyboardKey));
  processes.of(300).forgetLeftover({100, mouseTop, 0x04});
  EXPECT_FALSE(fs::exists(processes.path)) << "the last record takes the file with it";
}

TEST(DiversionJournal, IsPrivateEvenInAFolderThatWasNotAndADamagedFileReadsAsEmpty) {
  Processes processes;
  processes.dead.insert(100);
  fs::create_directories(processes.path.parent_path());
  fs::permissions(processes.path.parent_path(), fs::perms(0755));
  std::ofstream(processes.path) << R"({"entries": [{"pid": 100, "slot": 2)";
  EXPECT_TRUE(processes.of(200).leftovers().empty());

  processes.of(100).record(keyboardKey, 0);
  EXPECT_EQ(processes.of(200).leftovers(), (Entries{{100, keyboardKey, 0}}));
  EXPECT_EQ(fs::status(processes.path).permissions(), fs::perms(0600));
  EXPECT_EQ(fs::status(processes.path.parent_path()).permissions(), fs::perms(0700));
  processes.of(200).clear();
  EXPECT_FALSE(fs::exists(processes.path));
}

}  // namespace
}  // namespace flitbar::testing
