#pragma once

#include "virtual/DeliveryScheduler.h"
#include "virtual/DeviceModel.h"
#include "virtual/ReportSink.h"
#include "virtual/VirtualRig.h"

#include <nlohmann/json_fwd.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace flitbar::virtualhid {

// What happens to the next answers a receiver sends.
enum class ResponseFault { drop, delay, malformed, oversized };

// Several computers, each with its own receiver, and the devices paired with them. A device
// answers only on the receiver of the computer its current Easy-Switch channel leads to.
//
// Threading: every member may be called from any thread. Reports reach sinks on the caller's
// thread when the delay is zero, otherwise on the scheduler's thread, always under the world's
// lock: a sink must not call back into the world. Control operations throw
// std::invalid_argument with a message fit for the user.
class VirtualWorld {
 public:
  using ClientId = std::uint64_t;

  explicit VirtualWorld(VirtualRig rig);
  ~VirtualWorld();
  VirtualWorld(const VirtualWorld&) = delete;
  VirtualWorld& operator=(const VirtualWorld&) = delete;

  const std::vector<RigComputer>& computers() const { return rig_.computers; }
  const RigComputer& computer(const std::string& id) const;

  // A client opening a computer's receiver interface receives every input report from then on.
  ClientId attach(const std::string& computer, std::shared_ptr<ReportSink> sink);
  void detach(ClientId client);

  // An output report written to a computer's receiver.
  void write(const std::string& computer, std::span<const std::uint8_t> report);

  void press(const std::string& device, std::uint16_t cid);
  void release(const std::string& device, std::uint16_t cid);
  // The device's own Easy-Switch gesture selecting a one-based host.
  void switchHost(const std::string& device, int host);
  void setAwake(const std::string& device, bool awake);
  void setBattery(const std::string& device, int percent, bool charging);

  void setLatency(int answerMs, std::optional<int> receiverErrorMs);
  void setTiming(const RigTiming& timing);
  RigTiming timing() const;

  void setSilentDevice(const std::string& device, bool silent);
  void setSilentReceiver(const std::string& computer, bool silent);
  // Opening any interface of the computer's receiver fails (connections are refused), as when the
  // user may not open the HID node; interfaces already open keep working.
  void setRefusingOpen(const std::string& computer, bool refusing);
  bool refusesOpen(const std::string& computer) const;
  // The computer's receiver is pulled out: every open interface hangs up and opening is refused
  // until the faults are cleared.
  void unplug(const std::string& computer);
  // The next `count` answers (responses and error frames) of the receiver suffer the fault.
  void addResponseFault(const std::string& computer, ResponseFault fault, int count, int delayMs = 0);
  // The receiver's next answer is held back until `laterRequests` more requests have reached it,
  // then sent just before whatever answers the last of them: a late answer, whatever the clock.
  void holdNextAnswer(const std::string& computer, int laterRequests);
  // Every request to that feature of the device answers a HID++ 2.0 error frame with `code`.
  void setFeatureError(const std::string& device, std::uint16_t featureId, std::optional<std::uint8_t> code);
  void clearFaults();
  // Sends raw bytes as one input report to every client of a computer's receiver.
  void inject(const std::string& computer, std::vector<std::uint8_t> report);

  nlohmann::json state() const;

 private:
  struct Device {
    explicit Device(RigDevice rig) : model(std::move(rig)) {}
    DeviceModel model;
    bool awake = true;
    bool linked = true;
    std::uint64_t linkGeneration = 0;
    bool silent = false;
    std::map<std::uint16_t, std::uint8_t> featureErrors;
  };

  struct PendingFault {
    ResponseFault fault;
    int delayMs;
  };

  struct Receiver {
    bool silent = false;
    bool refusingOpen = false;
    std::deque<PendingFault> faults;
    // Armed by holdNextAnswer: how many later requests the next answer waits for.
    std::optional<int> holdFor;
    std::optional<frames::Bytes> held;
  };

  struct Client {
    std::size_t computer;
    std::shared_ptr<ReportSink> sink;
  };

  std::size_t computerIndex(const std::string& id) const;
  Device& device(const std::string& id);
  std::optional<std::size_t> computerOf(const Device& device) const;
  bool pairedWith(const Device& device, std::size_t computer) const;
  bool reachable(const Device& device, std::size_t computer) const;

  void answer(std::size_t computer, frames::Bytes report, int delayMs);
  // Counts a request against a held answer and sends that answer when its wait is over.
  void releaseHeld(std::size_t computer);
  void deliver(std::size_t computer, frames::Bytes report, std::chrono::milliseconds delay);
  void broadcast(std::size_t computer, std::span<const std::uint8_t> report);
  void sendEvent(const Device& device, const frames::Bytes& event);
  void dropLink(Device& device);
  void establishLink(Device& device);
  void moveDevice(Device& device, std::uint8_t channel);

  const VirtualRig rig_;
  mutable std::mutex mutex_;
  RigTiming timing_;
  std::vector<Receiver> receivers_;
  std::vector<std::unique_ptr<Device>> devices_;
  std::map<ClientId, Client> clients_;
  ClientId nextClient_ = 1;
  DeliveryScheduler scheduler_;
};

}  // namespace flitbar::virtualhid
