#pragma once

#include "virtual/ControlCommands.h"
#include "virtual/InProcessHidDevice.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <sstream>

namespace flitbar::virtualhid::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string rigPath(const std::string& name) {
  return std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/" + name;
}

// A rig file of src/virtual/rigs with every delay at zero.
inline VirtualRig loadRig(const std::string& file) {
  auto loaded = VirtualRig::load(rigPath(file));
  loaded.timing = RigTiming{0, 0, 0, 0};
  return loaded;
}

inline std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> split;
  std::istringstream stream(line);
  for (std::string word; stream >> word;) split.push_back(word);
  return split;
}

// Space-separated hexadecimal bytes, zero-padded to "(N bytes)" when that follows, else a long
// report (0x11) to 20 bytes.
inline Bytes hex(const std::string& text) {
  Bytes bytes;
  std::size_t size = 0;
  for (const auto& word : words(text)) {
    if (word.starts_with("("))
      size = std::stoul(word.substr(1));
    else
      bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
  }
  bytes.resize(size ? size : !bytes.empty() && bytes[0] == 0x11 ? 20 : bytes.size(), 0);
  return bytes;
}

// A report as hex without the trailing zeros of its long form; a short report (7 bytes) whole;
// any other length written after it.
inline std::string render(const Bytes& report) {
  const bool shortForm = !report.empty() && report[0] == 0x10 && report.size() == 7;
  const bool longForm = !report.empty() && report[0] == 0x11 && report.size() == 20;
  auto end = report.size();
  while (!shortForm && end > 0 && report[end - 1] == 0) --end;
  std::string text;
  for (std::size_t i = 0; i < end; ++i) text += fmt::format("{}{:02X}", i ? " " : "", report[i]);
  return shortForm || longForm ? text : fmt::format("{} ({} bytes)", text, report.size());
}

// Plays scenario lines against a world without delays. "host1: 10 01 ..." writes a report to that
// computer's receiver; "await host1" waits for a report there and shows only that receiver's;
// anything else is a control command.
class WorldScript {
 public:
  explicit WorldScript(const std::string& rig)
      : world(std::make_shared<VirtualWorld>(loadRig(rig))), commands_(*world) {
    for (const auto& computer : world->computers())
      receivers_[computer.id] = std::make_unique<InProcessHidDevice>(world, computer.id);
  }

  // What every receiver sent in response, as "host2: 10 01 41 ..." joined by " | ", or the refusal.
  std::string run(const std::string& input) {
    const auto colon = input.find(": ");
    if (input.starts_with("await ")) {
      const auto sent = sentTo(input.substr(6), std::chrono::seconds(20));
      return sent.empty() ? "nothing arrived" : sent;
    }
    try {
      if (colon != std::string::npos)
        world->write(input.substr(0, colon), hex(input.substr(colon + 2)));
      else
        commands_.run(words(input));
    } catch (const ControlError& error) {
      return std::string("error: ") + error.what();
    }
    std::string sent;
    for (const auto& computer : world->computers()) {
      const auto reports = sentTo(computer.id);
      sent += (sent.empty() || reports.empty() ? "" : " | ") + reports;
    }
    return sent;
  }

  std::shared_ptr<VirtualWorld> world;

 private:
  // Reads what the computer's receiver sent, waiting up to `wait` for the first report.
  std::string sentTo(const std::string& computer, std::chrono::milliseconds wait = {}) {
    std::string sent;
    for (HidRead read; (read = receivers_.at(computer)->read(wait)).status == HidRead::Status::report; wait = {})
      sent += (sent.empty() ? "" : " | ") + computer + ": " + render(read.bytes);
    return sent;
  }

  std::map<std::string, std::unique_ptr<InProcessHidDevice>> receivers_;
  ControlCommands commands_;
};

}  // namespace flitbar::virtualhid::testing
