#pragma once

#include "cli/CommandResult.h"

#include <gtest/gtest.h>

namespace flitbar {

// Readable failure messages for comparisons of whole results.
inline void PrintTo(const CommandResult& result, std::ostream* out) {
  *out << "{" << result.status << ", " << ::testing::PrintToString(result.standardOutput) << ", "
       << ::testing::PrintToString(result.standardError) << "}";
}

}  // namespace flitbar
