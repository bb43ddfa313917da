#pragma once

#include "platform/ProcessTable.h"

#include <filesystem>

namespace flitbar {

// Reads /proc: every numeric entry's "comm" and "cmdline". Processes of other users are listed
// as far as the mount's hidepid setting shows them.
class ProcProcessTable : public ProcessTable {
 public:
  explicit ProcProcessTable(std::filesystem::path root = "/proc") : root_(std::move(root)) {}

  std::vector<ProcessEntry> processes() override;

 private:
  std::filesystem::path root_;
};

}  // namespace flitbar
