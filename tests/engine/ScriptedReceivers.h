#pragma once

#include "protocol/HIDPPError.h"
#include "protocol/ReceiverSession.h"
#include "support/VirtualDesk.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace flitbar::testing {

// Opens the receiver of a desk's first computer as the application does and lets the test script
// what the engine meets on the way: opens that fail or wait, pings that go unanswered, host writes
// that wait or fail. Everything else reaches the virtual devices. Controls work from any thread.
class ScriptedReceivers {
 public:
  explicit ScriptedReceivers(VirtualDesk desk) : desk_(std::move(desk)) {}

  // The engine's receiver factory.
  std::function<OpenedReceiver()> opener();
  // Later opens reach this desk instead.
  void openFrom(VirtualDesk desk);

  // The next `times` opens fail with `error` without reaching the receiver.
  void failOpens(HIDPPError error, int times = 1);
  // The next root pings of `device`: true goes to the device, false goes unanswered.
  void scriptPings(std::uint8_t device, std::deque<bool> answers);
  int pings(std::uint8_t device) const;

  // While the gate is closed, opens wait.
  std::atomic<bool> gateClosed{false};
  std::atomic<int> opens{0};
  std::atomic<int> waitingOpens{0};
  // Receiver interfaces opened and not stopped yet.
  std::atomic<int> live{0};
  // While held, host-change writes wait.
  std::atomic<bool> holdHostWrites{false};
  std::atomic<bool> failHostWrites{false};
  std::atomic<int> hostWrites{0};
  std::atomic<int> waitingHostWrites{0};

 private:
  class Transport;

  OpenedReceiver next();
  bool answersPing(std::uint8_t device);
  void hostWrite();

  mutable std::mutex lock_;
  VirtualDesk desk_;
  std::deque<HIDPPError> failures_;
  std::map<std::uint8_t, std::deque<bool>> pingScripts_;
  std::map<std::uint8_t, int> pings_;
};

}  // namespace flitbar::testing
