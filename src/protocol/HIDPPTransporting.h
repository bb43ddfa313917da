#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace flitbar {

using Report = std::vector<std::uint8_t>;
using NotificationHandler = std::function<void(const Report&)>;

// The operations the receiver layer needs from one opened receiver interface.
//
// Threading: `exchange` and `send` may be called from any thread (exchanges run one at a time);
// the handler may be replaced at any time and is called on the transport's notification queue,
// never while a transport lock is held. Errors are thrown as HIDPPError.
class HIDPPTransporting {
public:
  virtual ~HIDPPTransporting() = default;

  // Sends one request (software id 0x0A) and waits for its response or error frame.
  // Returns the whole response report, report id included.
  virtual Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                          const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) = 0;

  // Writes a complete caller-built report without waiting for an answer.
  virtual void send(const Report& report) = 0;

  // Stops the transport; idempotent; blocks at most 2 seconds.
  virtual void stop() = 0;

  // Passing an empty handler removes the current one.
  virtual void setNotificationHandler(NotificationHandler handler) = 0;
};

}  // namespace flitbar
