#pragma once

#include "protocol/HIDPPTransporting.h"
#include "protocol/HidDevice.h"
#include "protocol/SoftwareIdSequence.h"

#include <chrono>
#include <memory>
#include <thread>

namespace flitbar {

// The HID++ request/response transport over one opened receiver interface.
//
// Threads:
// - "hidpp.reader" reads the device (in slices of at most `readSlice`), drops every report that
//   is not a well-formed HID++ report, hands reports to a waiting exchange and everything else to
//   the notification queue. It closes the device after its last read.
// - "hidpp.notify" calls the notification handler, one report at a time in arrival order, never
//   while a transport lock is held. A handler that throws loses that one report, nothing more.
// - Callers: `exchange`, `send`, `stop` and `setNotificationHandler` from any thread, including
//   from inside the handler. Exchanges run one at a time; a second caller waits for the first.
//
// Locks, always taken in this order: request -> inbox -> state, and request -> write -> state.
// `stop` takes state, handler, inbox and write one after another, never nested; the handler lock
// is never held with another. The notification queue's own lock is innermost. No lock that stop()
// needs is held across a device write, so a write that blocks cannot hold stop() past 2 seconds.
//
// Lifetime: both threads own the state they touch (shared), so destroying the transport never
// leaves them on freed memory. The destructor stops the transport, then waits at most 2 seconds
// more for a handler call in progress. A reader still inside a read when the stop wait ends
// closes the device on its own afterwards. Once stopped, the old handler is never called again
// except for a call already in progress. The transport may be destroyed from inside its handler.
class HIDPPTransport final : public HIDPPTransporting {
 public:
  // Takes an opened device (opening is the backend's job) and starts the reader. Requests take
  // software ids in turn from `firstSoftwareId`.
  explicit HIDPPTransport(std::unique_ptr<HidDevice> device,
                          std::chrono::milliseconds readSlice = std::chrono::milliseconds(100),
                          std::uint8_t firstSoftwareId = SoftwareIdSequence::randomStart());
  ~HIDPPTransport() override;

  HIDPPTransport(const HIDPPTransport&) = delete;
  HIDPPTransport& operator=(const HIDPPTransport&) = delete;

  // Throws stopped, writeFailed, deviceError or timeout. The deadline is fixed when the request
  // has been written: reports that do not match never extend it. Reports that arrive during the
  // exchange and do not answer it reach the handler afterwards, in arrival order.
  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) override;
  // The same; the answer must also repeat the request's echoed parameters.
  Report exchangeRequest(const HIDPPRequest& request, double timeoutSeconds) override;

  // Throws malformedResponse for an empty report, stopped after `stop`, writeFailed(errno).
  void send(const Report& report) override;

  // Clears the handler, wakes a waiting exchange (it throws stopped) and waits at most 2 seconds,
  // in all, for a write in progress and for the reader to close the device. Idempotent.
  void stop() override;

  void setNotificationHandler(NotificationHandler handler) override;

 private:
  class Core;
  std::shared_ptr<Core> core_;
  std::thread reader_;
};

}  // namespace flitbar
