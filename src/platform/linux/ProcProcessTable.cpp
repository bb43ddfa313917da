#include "platform/linux/ProcProcessTable.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace flitbar {
namespace {

bool isPid(const std::string& name) {
  return !name.empty() && name.size() < 10 &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// /proc files report a size of 0, so they are read to their end; both are small by definition.
std::string readSmallFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

std::vector<ProcessEntry> ProcProcessTable::processes() {
  std::vector<ProcessEntry> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
    const auto name = entry.path().filename().string();
    if (!isPid(name)) continue;
    auto comm = readSmallFile(entry.path() / "comm");
    if (comm.empty()) continue;  // gone meanwhile
    if (comm.back() == '\n') comm.pop_back();

    std::vector<std::string> arguments;
    const auto commandLine = readSmallFile(entry.path() / "cmdline");
    for (std::size_t start = 0; start < commandLine.size();) {
      const auto end = std::min(commandLine.find('\0', start), commandLine.size());
      arguments.push_back(commandLine.substr(start, end - start));
      start = end + 1;
    }
    found.push_back({std::stoi(name), std::move(comm), std::move(arguments)});
  }
  return found;
}

}  // namespace flitbar
