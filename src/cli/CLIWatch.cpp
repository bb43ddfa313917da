// watch: divert one device's controls and print what is pressed until told to stop.
#include "cli/CLIDiagnostics.h"
#include "cli/CommandReceiver.h"
#include "cli/DecimalArgument.h"
#include "cli/TerminationRequest.h"
#include "cli/WatchState.h"
#include "protocol/HIDPPError.h"
#include "protocol/Receiver.h"

#include <fmt/format.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

namespace flitbar::CLI {

namespace {

constexpr auto pollInterval = std::chrono::milliseconds(200);

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
    if (control.flags & 0x20) divertable.push_back(control.cid);
  }
  return divertable;
}

// Diverts the controls for its lifetime: they are handed back however the watch ends.
class DivertedControls {
 public:
  DivertedControls(ReceiverSession& session, std::uint8_t device, std::uint8_t feature,
                   std::vector<std::uint16_t> controls)
      : session_(session), device_(device), feature_(feature), controls_(std::move(controls)) {
    for (const std::uint16_t cid : controls_) session_.setDivert(device_, feature_, cid, true);
  }
  ~DivertedControls() {
    session_.transport().setNotificationHandler({});
    for (const std::uint16_t cid : controls_) session_.setDivert(device_, feature_, cid, false);
  }
  DivertedControls(const DivertedControls&) = delete;
  DivertedControls& operator=(const DivertedControls&) = delete;

 private:
  ReceiverSession& session_;
  std::uint8_t device_;
  std::uint8_t feature_;
  std::vector<std::uint16_t> controls_;
};

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
  };
  const auto printer = std::shared_ptr<Printer>(new Printer{{}, {}, out});

  // Installed before anything is diverted, so an interruption always finds them to release.
  const TerminationRequest termination;
  const DivertedControls diverted(session, device.index, feature, divertable);
  {
    std::lock_guard guard(printer->lock);
    out << fmt::format("watching {} (slot {}) \u2014 {} divertable controls; press buttons, ctrl-C restores them\n\n",
                       device.name, device.index, divertable.size())
        << std::flush;
  }
  session.transport().setNotificationHandler([printer, index = device.index, feature](const Report& report) {
    if (report.size() < 2 || report[1] != index) return;
    const auto held = Receiver::divertedButtons(report, feature);
    if (!held) return;
    std::lock_guard guard(printer->lock);
    for (const std::uint16_t cid : printer->state.presses(*held))
      printer->out << "  press cid " << cid << "\n" << std::flush;
  });

  while (!termination.requested() && !stopRequested()) std::this_thread::sleep_for(pollInterval);
  return {0, "", ""};
}

}  // namespace flitbar::CLI
