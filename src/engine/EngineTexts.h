#pragma once

#include <exception>
#include <string>
#include <vector>

namespace flitbar::EngineTexts {

// Names joined with ", " for log lines and notification bodies.
std::string joined(const std::vector<std::string>& names);

// The user-facing text of a failure: an HIDPPError's description, else what() of the exception.
std::string errorText(std::exception_ptr error);

}  // namespace flitbar::EngineTexts
