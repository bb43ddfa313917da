#pragma once

#include "ScriptedHidDevice.h"
#include "protocol/HIDPPError.h"
#include "protocol/HIDPPTransport.h"

#include <gtest/gtest.h>

#include <optional>

namespace flitbar::testing {

inline Report padded(Report head, std::size_t length) {
  head.resize(length, 0);
  return head;
}
inline Report shortReport(Report head) { return padded(std::move(head), 7); }
inline Report longReport(Report head) { return padded(std::move(head), 20); }

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

inline std::unique_ptr<HIDPPTransport> makeTransport(const std::shared_ptr<HidScript>& script) {
  // Short read slices keep stop() quick in tests.
  return std::make_unique<HIDPPTransport>(std::make_unique<ScriptedHidDevice>(script), std::chrono::milliseconds(5));
}

// Answers the first write with `reports`, later writes with nothing.
inline HidScript::Responder answerOnce(std::vector<Report> reports) {
  auto pending = std::make_shared<std::optional<std::vector<Report>>>(std::move(reports));
  return [pending](const Report&) {
    std::vector<Report> answer;
    if (*pending) answer = std::move(**pending);
    pending->reset();
    return answer;
  };
}

}  // namespace flitbar::testing
