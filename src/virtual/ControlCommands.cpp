#include "virtual/ControlCommands.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <optional>

namespace flitbar::virtualhid {

namespace {

long integer(const std::string& word, const char* what, long minimum, long maximum) {
  std::size_t used = 0;
  long value = 0;
  try {
    value = std::stol(word, &used, 0);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != word.size() || value < minimum || value > maximum) {
    throw ControlError(
        fmt::format("{} must be an integer from {} through {}, not \"{}\"", what, minimum, maximum, word));
  }
  return value;
}

bool onOff(const std::string& word) {
  if (word == "on") return true;
  if (word == "off") return false;
  throw ControlError(fmt::format("expected on or off, not \"{}\"", word));
}

std::vector<std::uint8_t> hexBytes(std::vector<std::string>::const_iterator begin,
                                   std::vector<std::string>::const_iterator end) {
  std::vector<std::uint8_t> bytes;
  for (auto word = begin; word != end; ++word) {
    std::string digits;
    for (const char c : *word) {
      if (c == ':' || c == ' ') continue;
      digits.push_back(c);
    }
    if (digits.size() % 2 != 0) throw ControlError(fmt::format("\"{}\" is not a list of hexadecimal bytes", *word));
    for (std::size_t i = 0; i < digits.size(); i += 2) {
      bytes.push_back(static_cast<std::uint8_t>(integer("0x" + digits.substr(i, 2), "a report byte", 0, 0xFF)));
    }
  }
  return bytes;
}

void expectCount(const std::vector<std::string>& words, std::size_t minimum, std::size_t maximum, const char* form) {
  if (words.size() < minimum || words.size() > maximum) throw ControlError(fmt::format("usage: {}", form));
}

std::optional<ResponseFault> responseFault(const std::string& word) {
  if (word == "drop") return ResponseFault::drop;
  if (word == "delay") return ResponseFault::delay;
  if (word == "malformed") return ResponseFault::malformed;
  if (word == "oversized") return ResponseFault::oversized;
  return std::nullopt;
}

void fault(VirtualWorld& world, const std::vector<std::string>& words) {
  if (words.size() < 2) throw ControlError("usage: fault KIND ...");
  const auto& kind = words[1];
  if (kind == "silent-device") {
    expectCount(words, 4, 4, "fault silent-device DEVICE on|off");
    world.setSilentDevice(words[2], onOff(words[3]));
  } else if (kind == "silent-receiver") {
    expectCount(words, 4, 4, "fault silent-receiver COMPUTER on|off");
    world.setSilentReceiver(words[2], onOff(words[3]));
  } else if (kind == "refuse-open") {
    expectCount(words, 4, 4, "fault refuse-open COMPUTER on|off");
    world.setRefusingOpen(words[2], onOff(words[3]));
  } else if (kind == "delay") {
    expectCount(words, 4, 5, "fault delay COMPUTER MS [COUNT]");
    const auto delay = integer(words[3], "the delay", 0, 60000);
    const auto count = words.size() > 4 ? integer(words[4], "the count", 1, 1000) : 1;
    world.addResponseFault(words[2], ResponseFault::delay, static_cast<int>(count), static_cast<int>(delay));
  } else if (kind == "unplug") {
    expectCount(words, 3, 3, "fault unplug COMPUTER");
    world.unplug(words[2]);
  } else if (kind == "late") {
    expectCount(words, 4, 4, "fault late COMPUTER REQUESTS");
    world.holdNextAnswer(words[2], static_cast<int>(integer(words[3], "the request count", 1, 1000)));
  } else if (const auto response = responseFault(kind)) {
    expectCount(words, 3, 4, fmt::format("fault {} COMPUTER [COUNT]", kind).c_str());
    const auto count = words.size() > 3 ? integer(words[3], "the count", 1, 1000) : 1;
    world.addResponseFault(words[2], *response, static_cast<int>(count));
  } else if (kind == "error") {
    expectCount(words, 5, 5, "fault error DEVICE FEATURE CODE|off");
    const auto feature = static_cast<std::uint16_t>(integer(words[3], "the feature id", 0, 0xFFFF));
    const auto code = words[4] == "off"
                          ? std::nullopt
                          : std::optional(static_cast<std::uint8_t>(integer(words[4], "the error code", 1, 0xFF)));
    world.setFeatureError(words[2], feature, code);
  } else if (kind == "clear") {
    expectCount(words, 2, 2, "fault clear");
    world.clearFaults();
  } else {
    throw ControlError(fmt::format("unknown fault \"{}\"", kind));
  }
}

}  // namespace

const char* ControlCommands::usage() {
  return "press DEVICE CID | release DEVICE CID | click DEVICE CID\n"
         "switch DEVICE HOST | sleep DEVICE | wake DEVICE\n"
         "battery DEVICE PERCENT [charging|discharging]\n"
         "latency ANSWER_MS [ERROR_MS] | timing departure|arrival MS\n"
         "fault silent-device DEVICE on|off | fault silent-receiver COMPUTER on|off\n"
         "fault refuse-open COMPUTER on|off\n"
         "fault drop|malformed|oversized COMPUTER [COUNT] | fault delay COMPUTER MS [COUNT]\n"
         "fault late COMPUTER REQUESTS | fault unplug COMPUTER\n"
         "fault error DEVICE FEATURE CODE|off | fault clear\n"
         "inject COMPUTER HEXBYTES... | state\n";
}

nlohmann::json ControlCommands::run(const std::vector<std::string>& words) {
  if (words.empty()) throw ControlError("no command given");
  const auto& command = words[0];
  try {
    if (command == "press" || command == "release" || command == "click") {
      expectCount(words, 3, 3, fmt::format("{} DEVICE CID", command).c_str());
      const auto cid = static_cast<std::uint16_t>(integer(words[2], "the control id", 1, 0xFFFF));
      if (command != "release") world_.press(words[1], cid);
      if (command != "press") world_.release(words[1], cid);
    } else if (command == "switch") {
      expectCount(words, 3, 3, "switch DEVICE HOST");
      world_.switchHost(words[1], static_cast<int>(integer(words[2], "the host", 1, 3)));
    } else if (command == "sleep" || command == "wake") {
      expectCount(words, 2, 2, fmt::format("{} DEVICE", command).c_str());
      world_.setAwake(words[1], command == "wake");
    } else if (command == "battery") {
      expectCount(words, 3, 4, "battery DEVICE PERCENT [charging|discharging]");
      const auto percent = static_cast<int>(integer(words[2], "the battery percent", 0, 100));
      bool charging = false;
      if (words.size() > 3) {
        if (words[3] != "charging" && words[3] != "discharging") {
          throw ControlError(fmt::format("expected charging or discharging, not \"{}\"", words[3]));
        }
        charging = words[3] == "charging";
      }
      world_.setBattery(words[1], percent, charging);
    } else if (command == "latency") {
      expectCount(words, 2, 3, "latency ANSWER_MS [ERROR_MS]");
      const auto answer = static_cast<int>(integer(words[1], "the answer latency", 0, 10000));
      const auto error = words.size() > 2
                             ? std::optional(static_cast<int>(integer(words[2], "the error latency", 0, 10000)))
                             : std::nullopt;
      world_.setLatency(answer, error);
    } else if (command == "timing") {
      expectCount(words, 3, 3, "timing departure|arrival MS");
      auto timing = world_.timing();
      const auto value = static_cast<int>(integer(words[2], "the time", 0, 10000));
      if (words[1] == "departure") {
        timing.departureNoticeMs = value;
      } else if (words[1] == "arrival") {
        timing.arrivalMs = value;
      } else {
        throw ControlError(fmt::format("expected departure or arrival, not \"{}\"", words[1]));
      }
      world_.setTiming(timing);
    } else if (command == "fault") {
      fault(world_, words);
    } else if (command == "inject") {
      if (words.size() < 3) throw ControlError("usage: inject COMPUTER HEXBYTES...");
      world_.inject(words[1], hexBytes(words.begin() + 2, words.end()));
    } else if (command == "state") {
      expectCount(words, 1, 1, "state");
      return {{"ok", true}, {"state", world_.state()}};
    } else {
      throw ControlError(fmt::format("unknown command \"{}\"", command));
    }
  } catch (const std::invalid_argument& refused) {
    throw ControlError(refused.what());
  }
  return {{"ok", true}};
}

}  // namespace flitbar::virtualhid
