// watch: divert one device's controls and print what is pressed until told to stop.
#include "cli/CLIDiagnostics.h"
#include "cli/CommandReceiver.h"
#include "cli/DecimalArgument.h"
#include "cli/TerminationRequest.h"
#include "cli/WatchDiversion.h"
#include "cli/WatchState.h"
#include "protocol/HIDPPError.h"
#include "protocol/Receiver.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

namespace flitbar::CLI {

namespace {

constexpr auto pollInterval = std::chrono::milliseconds(200);

// Diverting these would leave a mouse without its primary, secondary or middle click while watched.
constexpr std::uint16_t pointerClicks[] = {0x0050, 0x0051, 0x0052};

bool isPointerClick(std::uint16_t cid) {
  return std::find(std::begin(pointerClicks), std::end(pointerClicks), cid) != std::end(pointerClicks);
}

const DeviceInfo& chosenDevice(const std::vector<std::string>& arguments, const std::vector<DeviceInfo>& devices) {
  if (devices.empty()) throw HIDPPError::noReceiver();
  if (arguments.size() < 3) return devices.front();
  const auto wanted = DecimalArgument::parse(arguments[2], false);
  for (const DeviceInfo& device : devices) {
    if (wanted && device.index == *wanted) return device;
  }
  throw CLIError::usage("usage: watch [-d N]");
}

std::vector<std::uint16_t> divertableControls(ReceiverSession& session, const DeviceInfo& device,
                                              std::uint8_t feature) {
  std::vector<std::uint16_t> divertable;
  const int count = session.controlCount(device.index, feature);
  for (int position = 0; position < count; ++position) {
    const ControlInfo control = session.controlInfo(device.index, feature, position);
    if ((control.flags & 0x20) && !isPointerClick(control.cid)) divertable.push_back(control.cid);
  }
  return divertable;
}

}  // namespace

CommandResult watch(const std::vector<std::string>& arguments, const CLIEnvironment& environment) {
  return watch(arguments, environment, std::cout, [] { return false; });
}

CommandResult watch(const std::vector<std::string>& arguments, const CLIEnvironment& environment, std::ostream& out,
                    const std::function<bool()>& stopRequested) {
  CommandReceiver receiver(environment);
  ReceiverSession& session = receiver.session();
  const DeviceInfo& device = chosenDevice(arguments, receiver.devices());
  if (!device.reprogFeature) throw HIDPPError::unsupported("no 0x1B04");
  const std::uint8_t feature = *device.reprogFeature;
  const std::vector<std::uint16_t> divertable = divertableControls(session, device, feature);
  if (divertable.empty()) throw HIDPPError::unsupported("no divertable controls on " + device.name);

  // Shared with the notification handler, which may still be running just after it is removed.
  struct Printer {
    std::mutex lock;
    WatchState state;
    std::ostream& out;
    // Set once a write failed: the reader is gone and nobody sees the presses any more.
    std::atomic<bool> broken{false};
  };
  const auto printer = std::shared_ptr<Printer>(new Printer{{}, {}, out, {}});

  // Installed before anything is diverted or announced, so an interruption always finds the
  // controls to release and a closed output never kills the process first.
  const TerminationRequest termination;
  WatchDiversion diverted(session, device.index, feature, divertable);
  {
    std::lock_guard guard(printer->lock);
    out << fmt::format("watching {} (slot {}) \u2014 {} divertable controls; press buttons, ctrl-C restores them\n\n",
                       device.name, device.index, divertable.size())
        << std::flush;
    if (!out) printer->broken = true;
  }
  session.transport().setNotificationHandler([printer, index = device.index, feature](const Report& report) {
    if (report.size() < 2 || report[1] != index) return;
    const auto held = Receiver::divertedButtons(report, feature);
    if (!held) return;
    std::lock_guard guard(printer->lock);
    for (const std::uint16_t cid : printer->state.presses(*held))
      printer->out << "  press cid " << cid << "\n" << std::flush;
    if (!printer->out) printer->broken = true;
  });

  while (!termination.requested() && !stopRequested() && !printer->broken) std::this_thread::sleep_for(pollInterval);

  std::string errors;
  if (!diverted.release()) errors += "error: one or more controls could not be released\n";
  if (printer->broken) errors += "error: standard output was closed\n";
  return {errors.empty() ? 0 : 1, "", errors};
}

}  // namespace flitbar::CLI
