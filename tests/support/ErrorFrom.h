#pragma once

#include "protocol/HIDPPError.h"

#include <gtest/gtest.h>

#include <optional>

namespace flitbar::testing {

// The error `action` throws; a test failure when it returns or throws something else.
template <typename Action>
std::optional<HIDPPError> errorFrom(Action&& action) {
  try {
    action();
  } catch (const HIDPPError& error) {
    return error;
  }
  ADD_FAILURE() << "expected an HIDPPError";
  return std::nullopt;
}

}  // namespace flitbar::testing
