#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace flitbar::virtualhid {

// Sends one command to a running virtual receiver's control socket and returns its JSON answer.
// Throws std::runtime_error when the socket cannot be reached or the answer is not JSON.
nlohmann::json sendControlCommand(const std::filesystem::path& controlPath, const std::vector<std::string>& words);

}  // namespace flitbar::virtualhid
