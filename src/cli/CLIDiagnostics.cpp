// inventory, restore, wheel and smartshift: inspecting and repairing what HID++ can change.
#include "cli/CLIDiagnostics.h"

#include "cli/CommandReceiver.h"
#include "cli/DecimalArgument.h"
#include "engine/DiversionJournal.h"
#include "engine/RestoreCoordinator.h"
#include "protocol/HIDPPError.h"
#include "protocol/HidppReport.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <exception>

namespace flitbar::CLI {

namespace {

constexpr double featureTimeout = 0.8;
constexpr auto restoreVerificationDelay = std::chrono::milliseconds(20);

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? separator : "") + parts[i];
  return text;
}

std::string controlStates(const ControlInfo& control, const ControlReporting& reporting) {
  std::vector<std::string> states;
  if (reporting.flags & 0x01) states.push_back("DIVERTED");
  if (reporting.flags & 0x04) states.push_back("persistent");
  if (!(control.flags & 0x20)) states.push_back("not divertable");
  if (reporting.remap != 0) states.push_back(fmt::format("remap->0x{:04X}", reporting.remap));
  return states.empty() ? "-" : joined(states, ", ");
}

void inventoryOfDevice(ReceiverSession& session, const DeviceInfo& device, std::vector<std::string>& lines) {
  lines.push_back(fmt::format("device {}  {}", device.index, device.name));
  if (!device.reprogFeature) {
    lines.push_back("   no 0x1B04");
    return;
  }
  const std::uint8_t feature = *device.reprogFeature;
  const int count = session.controlCount(device.index, feature);
  lines.push_back(fmt::format("   0x1B04 at index 0x{:X}, {} controls", feature, count));
  for (int position = 0; position < count; ++position) {
    try {
      const ControlInfo control = session.controlInfo(device.index, feature, position);
      const ControlReporting reporting = session.controlReporting(device.index, feature, control.cid);
      lines.push_back(
          fmt::format("   cid {:<4d} task 0x{:04X}  {}", control.cid, control.task, controlStates(control, reporting)));
    } catch (const std::exception&) {
      // A control that cannot be read is left out of the listing.
    }
  }
}

std::string modeName(std::uint8_t mode) {
  if (mode == 1) return "freespin";
  if (mode == 2) return "ratchet";
  return std::to_string(mode);
}

}  // namespace

std::string inventory(const std::vector<std::string>&, const CLIEnvironment& environment) {
  CommandReceiver receiver(environment);
  std::vector<std::string> lines;
  for (const DeviceInfo& device : receiver.devices()) inventoryOfDevice(receiver.session(), device, lines);
  return joined(lines, "\n") + "\n";
}

CommandResult restore(const std::vector<std::string>&, const CLIEnvironment& environment) {
  RestoreReport report;
  {
    CommandReceiver receiver(environment);
    report = RestoreCoordinator::restore(
        receiver.session(), receiver.devices(), [] { return false; }, restoreVerificationDelay);
  }
  if (!report.succeeded()) return {1, report.summary() + "\n", "error: one or more controls could not be released\n"};
  // Every control is back, so an earlier run's records of what it diverted are void.
  try {
    DiversionJournal(DiversionJournal::defaultPath(), ::getpid(), DiversionJournal::processAlive).clear();
  } catch (const std::exception& error) {
    return {1, report.summary() + "\n",
            std::string("error: could not clear the record of diverted controls: ") + error.what() + "\n"};
  }
  return {0, report.summary() + "\n", ""};
}

std::string wheel(const std::vector<std::string>&, const CLIEnvironment& environment) {
  CommandReceiver receiver(environment);
  std::vector<std::string> lines;
  for (const DeviceInfo& device : receiver.devices()) {
    std::optional<std::vector<std::uint8_t>> mode;
    try {
      if (receiver.session().featureIndex(device.index, Feature::hiResWheel, featureTimeout) == 0) continue;
      mode = receiver.session().wheelMode(device.index);
    } catch (const std::exception&) {
      continue;
    }
    if (!mode || mode->size() < 3) continue;
    lines.push_back(fmt::format("{}: wheelMode {:02X} {:02X} {:02X}", device.name, (*mode)[0], (*mode)[1], (*mode)[2]));
    lines.push_back("  first byte 0 = native Linux scrolling, 1 = diverted to a driver");
  }
  return joined(lines, "\n") + "\n";
}

std::string smartshift(const std::vector<std::string>& arguments, const CLIEnvironment& environment) {
  std::optional<long long> requested;
  if (arguments.size() == 3) {
    requested = DecimalArgument::parse(arguments[2], true);
    if (!requested) throw CLIError::usage("usage: smartshift [--set N]");
  }

  CommandReceiver receiver(environment);
  if (receiver.devices().empty()) throw HIDPPError::noReceiver();
  const DeviceInfo& device = receiver.devices().front();
  ReceiverSession& session = receiver.session();
  const std::uint8_t feature = session.featureIndex(device.index, Feature::smartShift, featureTimeout);
  if (feature == 0) throw HIDPPError::unsupported("no SmartShift v2 on " + device.name);

  const Report capabilities = session.smartShiftCapabilities(device.index, feature);
  if (capabilities.size() < 7)
    throw HIDPPError::unsupported(device.name + " returned a malformed SmartShift description");
  const std::uint8_t minimum = capabilities[5];
  const std::uint8_t maximum = capabilities[6];
  if (minimum > maximum) throw HIDPPError::unsupported(device.name + " returned an invalid SmartShift range");

  Report state = session.smartShiftState(device.index, feature);
  if (requested) {
    const std::uint8_t threshold =
        *requested < 0 ? 0xFF : static_cast<std::uint8_t>(std::clamp<long long>(*requested, minimum, maximum));
    const std::uint8_t torque = state.size() >= 7 ? state[6] : 0;
    // Mode 2 is ratchet; the torque is written back as it was.
    const Report answer =
        session.transport().exchange(device.index, feature, 2, {0x02, threshold, torque}, false, featureTimeout);
    HidppReport::requireWellFormed(answer);
    state = session.smartShiftState(device.index, feature);
  }
  if (state.size() < 6) throw HIDPPError::malformedResponse();
  const std::uint8_t autoDisengage = state[5];
  return fmt::format("{}  range {}\u2013{}\n  wheelMode     {}\n  autoDisengage {}\n", device.name, minimum, maximum,
                     modeName(state[4]),
                     autoDisengage == 0xFF ? "OFF (always ratchet)" : std::to_string(autoDisengage));
}

}  // namespace flitbar::CLI
