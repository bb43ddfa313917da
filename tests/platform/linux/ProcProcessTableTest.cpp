#include "platform/linux/ProcProcessTable.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

namespace flitbar {
namespace {

using testing::TemporaryDirectory;
using testing::writeFile;

TEST(ProcProcessTable, ReadsNamesAndCommandLinesOfProcessesStillThere) {
  TemporaryDirectory root;
  for (const auto* entry : {"41", "7", "99", "self"}) std::filesystem::create_directories(root / entry);
  writeFile(root / "41" / "comm", "python3\n");
  writeFile(root / "41" / "cmdline", std::string("/usr/bin/python3\0/opt/tool.py\0--window=hide\0", 44));
  writeFile(root / "7" / "comm", "logid\n");
  writeFile(root / "self" / "comm", "x\n");  // 99 exited while listed: no comm

  auto processes = ProcProcessTable(root.path()).processes();
  std::sort(processes.begin(), processes.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
  EXPECT_EQ(processes, (std::vector<ProcessEntry>{
                           {7, "logid", {}}, {41, "python3", {"/usr/bin/python3", "/opt/tool.py", "--window=hide"}}}));
  const auto real = ProcProcessTable().processes();
  EXPECT_TRUE(std::any_of(real.begin(), real.end(), [](const auto& entry) { return entry.pid == ::getpid(); }));
}

}  // namespace
}  // namespace flitbar
