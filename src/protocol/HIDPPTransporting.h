#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace flitbar {

using Report = std::vector<std::uint8_t>;
using NotificationHandler = std::function<void(const Report&)>;

struct HIDPPRequest;

// The operations the receiver layer needs from one opened receiver interface.
//
// Threading: `exchange` and `send` may be called from any thread (exchanges run one at a time);
// the handler may be replaced at any time and is called on the transport's notification queue,
// never while a transport lock is held. Errors are thrown as HIDPPError.
class HIDPPTransporting {
 public:
  virtual ~HIDPPTransporting() = default;

  // Sends one request and waits for its response or error frame. The transport gives every
  // request a software id of its own, so only that request's answer ends the wait.
  // Returns the whole response report, report id included.
  virtual Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                          const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) = 0;

  // The same for a request whose answer repeats some of its parameters: an answer that does not
  // is another request's. This default serves stand-ins without a wire: it exchanges, then
  // refuses a mismatched answer with malformedResponse. The transport matches on the wire instead.
  virtual Report exchangeRequest(const HIDPPRequest& request, double timeoutSeconds);

  // Writes a complete caller-built report without waiting for an answer.
  virtual void send(const Report& report) = 0;

  // Stops the transport; idempotent; blocks at most 2 seconds.
  virtual void stop() = 0;

  // Passing an empty handler removes the current one.
  virtual void setNotificationHandler(NotificationHandler handler) = 0;
};

}  // namespace flitbar
