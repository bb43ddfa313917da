#include "engine/DiversionJournal.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace flitbar::testing {
namespace {

namespace fs = std::filesystem;
using Capture = ManagedControls::Capture;

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

TEST(DiversionJournal, OnlyRecordsOfProcessesThatAreGoneAreLeftovers) {
  struct Case {
    const char* name;
    int recorder;
    bool recorderDead;
    int reader;
    bool leftover;
  };
  const Case cases[] = {
      {"another process, still running", 100, false, 200, false},
      {"another process, gone", 100, true, 200, true},
      {"this process", 200, false, 200, false},
  };
  for (const Case& row : cases) {
    Processes processes;
    if (row.recorderDead) processes.dead.insert(row.recorder);
    processes.of(row.recorder).record(mouseTop, 0x04);
    const auto leftovers = processes.of(row.reader).leftovers();
    if (row.leftover) {
      EXPECT_EQ(leftovers, (std::vector<DiversionJournal::Entry>{{row.recorder, mouseTop, 0x04}})) << row.name;
    } else {
      EXPECT_TRUE(leftovers.empty()) << row.name;
    }
  }
}

TEST(DiversionJournal, AReleaseForgetsOnlyItsOwnRecordAndTheLastOneTakesTheFile) {
  Processes processes;
  processes.dead.insert(100);
  auto crashed = processes.of(100);
  auto running = processes.of(200);
  crashed.record(mouseTop, 0);
  running.record(mouseTop, 0);
  running.record(keyboardKey, 0);

  running.forget(ManagedControls::key(mouseTop));
  EXPECT_EQ(processes.of(300).leftovers(), (std::vector<DiversionJournal::Entry>{{100, mouseTop, 0}}));
  processes.dead.insert(200);
  EXPECT_EQ(processes.of(300).leftovers().size(), 2u);

  running.forget(ManagedControls::key(keyboardKey));
  processes.of(300).forgetLeftover({100, mouseTop, 0});
  EXPECT_FALSE(fs::exists(processes.path));
}

TEST(DiversionJournal, IsPrivateEvenInAFolderThatWasNot) {
  Processes processes;
  fs::create_directories(processes.path.parent_path());
  fs::permissions(processes.path.parent_path(), fs::perms(0755));
  processes.of(100).record(mouseTop, 0);
  EXPECT_EQ(fs::status(processes.path).permissions(), fs::perms(0600));
  EXPECT_EQ(fs::status(processes.path.parent_path()).permissions(), fs::perms(0700));
}

TEST(DiversionJournal, ADamagedFileReadsAsEmptyAndIsReplacedByTheNextRecord) {
  Processes processes;
  processes.dead.insert(100);
  fs::create_directories(processes.path.parent_path());
  std::ofstream(processes.path) << R"({"entries": [{"pid": 100, "slot": 2)";
  EXPECT_TRUE(processes.of(200).leftovers().empty());
  processes.of(100).record(keyboardKey, 0);
  EXPECT_EQ(processes.of(200).leftovers(), (std::vector<DiversionJournal::Entry>{{100, keyboardKey, 0}}));
  processes.of(200).clear();
  EXPECT_FALSE(fs::exists(processes.path));
}

}  // namespace
}  // namespace flitbar::testing
