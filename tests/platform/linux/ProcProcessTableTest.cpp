#include "platform/linux/ProcProcessTable.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

namespace flitbar {
namespace {

using testing::TemporaryDirectory;
using testing::writeFile;

TEST(ProcProcessTable, ReadsNamesAndCommandLines) {
  TemporaryDirectory root;
  std::filesystem::create_directories(root / "41");
  writeFile(root / "41" / "comm", "python3\n");
  writeFile(root / "41" / "cmdline", std::string("/usr/bin/python3\0/usr/bin/solaar\0--window=hide\0", 46));
  std::filesystem::create_directories(root / "7");
  writeFile(root / "7" / "comm", "logid\n");
  std::filesystem::create_directories(root / "99");  // exited while listed: no comm
  std::filesystem::create_directories(root / "self");
  writeFile(root / "self" / "comm", "x\n");

  auto processes = ProcProcessTable(root.path()).processes();
  std::sort(processes.begin(), processes.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
  const std::vector<ProcessEntry> expected{
      {7, "logid", {}},
      {41, "python3", {"/usr/bin/python3", "/usr/bin/solaar", "--window=hide"}},
  };
  EXPECT_EQ(processes, expected);
}

TEST(ProcProcessTable, FindsThisProcessInTheRealTable) {
  const auto processes = ProcProcessTable().processes();
  const auto self = std::find_if(processes.begin(), processes.end(),
                                 [](const ProcessEntry& entry) { return entry.pid == ::getpid(); });
  ASSERT_NE(self, processes.end());
  EXPECT_FALSE(self->arguments.empty());
}

}  // namespace
}  // namespace flitbar
