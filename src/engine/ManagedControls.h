#pragma once

#include "engine/CancelFlag.h"
#include "engine/ControlPacing.h"
#include "protocol/DeviceInfo.h"
#include "protocol/ReceiverSession.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace flitbar {

class DiversionJournal;

// The controls the engine itself switched from not diverted to diverted, with the remap each had,
// so that each can be handed back exactly as it was. A control some other program diverted is
// diverted again when bound but never captured, so the engine never releases it.
//
// Used only on the engine's HID worker: every member blocks in the transport and none is
// thread-safe. Failures are returned as lower-case message fragments; nothing throws.
class ManagedControls {
 public:
  struct Capture {
    // Device index when captured; refreshed by `reconcileDevices`.
    std::uint8_t device = 0;
    std::optional<std::string> unitID;
    std::string deviceName;
    // Index of the reprogrammable-controls feature.
    std::uint8_t feature = 0;
    std::uint16_t cid = 0;
    // Read before diverting; written back on release.
    std::uint16_t remap = 0;

    bool operator==(const Capture&) const = default;
  };

  // One control a binding wants diverted on one device.
  struct Target {
    DeviceInfo device;
    std::uint16_t cid = 0;
  };

  using Logger = std::function<void(const std::string&)>;

  // With a journal every capture is recorded before its divert is written, and controls an
  // earlier, crashed run left diverted can be handed back.
  explicit ManagedControls(ControlPacing pacing = {}, std::shared_ptr<DiversionJournal> journal = nullptr)
      : pacing_(std::move(pacing)), journal_(std::move(journal)) {}

  // "unit:" + unit id, else "slot:" + index + ":" + name; then ":" + cid in decimal.
  static std::string key(const Capture& capture);

  const std::map<std::string, Capture>& captures() const { return captures_; }

  // Makes the targets diverted: first releases captures no binding wants any more, then for each
  // target reads its reporting, captures it when it was not diverted, writes the divert keeping
  // the remap, and checks with up to three reads. A capture the journal cannot record is not
  // diverted at all (logged), so a crash can never leave it diverted unknown to the next run. An unconfirmed divert is
  // left for the next call. Stops as soon as `cancel` is set. Release failures go to `log`, one line each.
  void assertDiverted(ReceiverSession& receiver, const std::vector<Target>& targets,
                      const std::vector<DeviceInfo>& devices, const CancelFlag& cancel, const Logger& log);

  // Releases the captures of present devices whose "device:cid" is not in `wanted`. A capture of
  // an absent device stays recorded. Returns one message per control not released.
  std::vector<std::string> releaseUnused(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices,
                                         const std::set<std::string>& wanted, const std::function<bool()>& interrupted);

  // Releases every capture of a present device, by device index then cid. The timeout is checked
  // before each control: once it has passed, "button release timed out" ends the pass and the
  // rest stay recorded. With `discardAfter` every capture is forgotten afterwards.
  std::vector<std::string> release(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices,
                                   double timeoutSeconds, bool discardAfter);

  // After a reconnect: keeps the captures whose device is still there (found by unit id even in
  // another slot, else by slot and name) and has the feature, refreshed from it; drops the rest.
  void reconcileDevices(const std::vector<DeviceInfo>& devices);

  // Hands back what crashed runs left diverted on the present devices: each journal record is
  // released to its recorded remap and read back; a confirmed one leaves the journal. Returns one
  // line per control handed back or not handed back. Nothing without a journal.
  std::vector<std::string> handBackLeftovers(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices);

  // Forgets every capture.
  void discardCaptures() { captures_.clear(); }

  // Gives a receiver up: `release`, then stop its transport whatever happened. Never throws;
  // returns the release failures (an escaping error becomes one more text).
  std::vector<std::string> releaseAndStop(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices,
                                          double timeoutSeconds, bool discardAfter) noexcept;

 private:
  // Releases one capture; a failure message, or nothing when it is verified released.
  std::optional<std::string> releaseOne(const Capture& capture, ReceiverSession& receiver, const std::string& context);
  // An unanswered set-reporting write, then the settle pause. Write errors are left to the read-back.
  void writeReporting(ReceiverSession& receiver, std::uint8_t device, std::uint8_t feature, std::uint16_t cid,
                      std::uint8_t flags, std::uint16_t remap);
  std::optional<ControlReporting> readReporting(ReceiverSession& receiver, std::uint8_t device, std::uint8_t feature,
                                                std::uint16_t cid);
  bool belongs(const Capture& capture, const std::vector<DeviceInfo>& devices) const;
  void journalForget(const std::string& key);

  ControlPacing pacing_;
  std::shared_ptr<DiversionJournal> journal_;
  std::map<std::string, Capture> captures_;
};

}  // namespace flitbar
