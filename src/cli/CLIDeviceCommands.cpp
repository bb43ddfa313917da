// list, battery and switch: the everyday commands.
#include "cli/CLI.h"
#include "cli/CLIError.h"
#include "cli/DecimalArgument.h"
#include "cli/DeviceReport.h"
#include "protocol/HostNaming.h"

#include <fmt/format.h>

namespace flitbar::CLI {

namespace {

constexpr std::size_t nameColumnWidth = 30;

// Holds the opened receiver and stops its transport however the command ends.
class OpenReceiver {
 public:
  explicit OpenReceiver(const CLIEnvironment& environment) : opened_(environment.openReceiver()) {}
  ~OpenReceiver() { opened_.session->stop(); }
  OpenReceiver(const OpenReceiver&) = delete;
  OpenReceiver& operator=(const OpenReceiver&) = delete;

  ReceiverSession& session() { return *opened_.session; }
  const std::vector<DeviceInfo>& devices() const { return opened_.devices; }

 private:
  OpenedReceiver opened_;
};

void refuseWhileGUIRuns(const CLIEnvironment& environment) {
  if (environment.isGUIRunning()) throw CLIError::appRunning();
}

// Characters, not bytes, so that names with accents line up.
std::size_t characterCount(const std::string& text) {
  std::size_t count = 0;
  for (const char byte : text) {
    if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string hostColumn(const DeviceInfo& device) {
  if (!device.changeHostFeature) return "-";
  const int host = device.currentHost + 1;
  auto column = fmt::format("{} of {}", host, device.hostCount);
  if (const auto quoted = HostNaming::quotedDestination(device.hostNames, host)) column += " " + *quoted;
  return column;
}

std::string table(const std::vector<DeviceInfo>& devices) {
  std::string text =
      "  idx  device                          host\n"
      "  ---  ------------------------------  ----\n";
  for (const auto& device : devices) {
    const auto padding = nameColumnWidth - std::min(nameColumnWidth, characterCount(device.name));
    text +=
        fmt::format("  {:3d}  {}{}  {}\n", device.index, device.name, std::string(padding, ' '), hostColumn(device));
  }
  return text;
}

}  // namespace

std::string list(const std::vector<std::string>& arguments, const CLIEnvironment& environment) {
  refuseWhileGUIRuns(environment);
  OpenReceiver receiver(environment);
  if (arguments.size() == 2) return DeviceReport::json(receiver.devices());
  return table(receiver.devices());
}

std::string battery(const std::vector<std::string>&, const CLIEnvironment& environment) {
  refuseWhileGUIRuns(environment);
  OpenReceiver receiver(environment);
  std::string text;
  for (const auto& device : receiver.devices()) {
    const auto reading = receiver.session().battery(device.index);
    if (!reading) continue;
    text += fmt::format("{}: {}%{}\n", device.name, reading->percent, reading->charging ? ", charging" : "");
  }
  return text.empty() ? "no connected device reports a battery\n" : text;
}

CommandResult switchTo(const std::vector<std::string>& arguments, const CLIEnvironment& environment) {
  const auto parsed = arguments.size() == 2 ? DecimalArgument::parse(arguments[1], false) : std::nullopt;
  if (!parsed || *parsed < 1 || *parsed > 3) throw CLIError::usage("usage: switch <1|2|3>");
  const auto host = static_cast<std::uint8_t>(*parsed);

  if (environment.isGUIRunning()) {
    if (!environment.requestSwitch(host))
      return {1, "", "error: The running Flitbar did not accept the switch request.\n"};
    return {0, fmt::format("Requested running Flitbar to switch all capable devices to host {}.\n", host), ""};
  }

  OpenReceiver receiver(environment);
  std::vector<HostTarget> targets;
  std::string names;
  for (const auto& device : receiver.devices()) {
    if (!device.changeHostFeature || device.hostCount < host) continue;
    targets.push_back({device.index, *device.changeHostFeature});
    names += (names.empty() ? "" : ", ") + device.name;
  }
  if (targets.empty()) return {1, "", fmt::format("error: no connected device supports host {}\n", host)};
  receiver.session().setHostMulti(targets, static_cast<std::uint8_t>(host - 1));
  return {0, fmt::format("Switching {} to host {}.\n", names, host), ""};
}

}  // namespace flitbar::CLI
