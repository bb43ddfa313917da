#pragma once

#include "WorldProbe.h"

#include "virtual/ControlCommands.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <sstream>

namespace flitbar::virtualhid::testing {

// One line of a scenario and everything any receiver sent because of it.
struct Step {
  std::string input;
  std::string expected;
};

struct Scenario {
  std::string name;
  // A rig file of src/virtual/rigs, or the rig itself as JSON.
  std::string rig;
  std::vector<Step> steps;
};

inline std::ostream& operator<<(std::ostream& stream, const Scenario& scenario) { return stream << scenario.name; }

// Space-separated hexadecimal bytes, zero-padded to "(N bytes)" when that follows, else a long
// report (0x11) to 20 bytes.
inline Bytes hex(const std::string& text) {
  Bytes bytes;
  std::istringstream words(text);
  std::string word;
  while (words >> word && !word.starts_with("("))
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
  const auto size = word.starts_with("(") ? std::stoul(word.substr(1)) : bytes.size();
  bytes.resize(!bytes.empty() && bytes[0] == 0x11 && size < 20 && !word.starts_with("(") ? 20 : size, 0);
  return bytes;
}

// A report as hex without its trailing zeros; a length other than the short (7) or long (20)
// form of its first byte is written after it.
inline std::string render(const Bytes& report) {
  auto end = report.size();
  while (end > 0 && report[end - 1] == 0) --end;
  const bool shortForm = !report.empty() && report[0] == 0x10 && report.size() == 7;
  const bool longForm = !report.empty() && report[0] == 0x11 && report.size() == 20;
  if (shortForm) end = report.size();
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
      : probe_(rig.starts_with("{") ? WorldProbe::fromJson(nlohmann::json::parse(rig)) : WorldProbe::fromFile(rig)),
        commands_(*probe_.world) {}

  // What every receiver sent in response, as "host2: 10 01 41 ..." joined by " | ", or the refusal.
  std::string run(const std::string& input) {
    const auto colon = input.find(": ");
    if (input.starts_with("await ")) {
      const auto computer = input.substr(6);
      if (!probe_.sink(computer).waitFor(1, std::chrono::seconds(20))) return "nothing arrived";
      return sentTo(computer);
    }
    if (colon != std::string::npos) {
      probe_.world->write(input.substr(0, colon), hex(input.substr(colon + 2)));
    } else {
      std::vector<std::string> words;
      std::istringstream stream(input);
      for (std::string word; stream >> word;) words.push_back(word);
      try {
        commands_.run(words);
      } catch (const ControlError& error) {
        return std::string("error: ") + error.what();
      }
    }
    std::string sent;
    for (const auto& computer : probe_.world->computers()) {
      const auto reports = sentTo(computer.id);
      sent += (sent.empty() || reports.empty() ? "" : " | ") + reports;
    }
    return sent;
  }

 private:
  std::string sentTo(const std::string& computer) {
    std::string sent;
    for (const auto& report : probe_.sink(computer).take())
      sent += (sent.empty() ? "" : " | ") + computer + ": " + render(report);
    return sent;
  }

  WorldProbe probe_;
  ControlCommands commands_;
};

class ScenarioTest : public ::testing::TestWithParam<Scenario> {
 protected:
  void play() {
    WorldScript script(GetParam().rig);
    for (const auto& step : GetParam().steps) EXPECT_EQ(script.run(step.input), step.expected) << step.input;
  }
};

inline std::string scenarioName(const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; }

}  // namespace flitbar::virtualhid::testing
