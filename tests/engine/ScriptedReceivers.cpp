#include "ScriptedReceivers.h"

#include <chrono>
#include <thread>

namespace flitbar::testing {

namespace {

void waitWhile(const std::atomic<bool>& flag, std::atomic<int>& waiting) {
  ++waiting;
  while (flag) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  --waiting;
}

}  // namespace

// Stands between a receiver and its real transport; sees root pings and host-change writes first.
class ScriptedReceivers::Transport final : public HIDPPTransporting {
 public:
  Transport(ScriptedReceivers& script, std::shared_ptr<HIDPPTransporting> real)
      : script_(script), real_(std::move(real)) {
    ++script_.live;
  }

  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeout) override {
    if (feature == 0 && function == 1 && !script_.answersPing(device)) throw HIDPPError::timeout(device);
    return real_->exchange(device, feature, function, params, longReport, timeout);
  }
  Report exchangeRequest(const HIDPPRequest& request, double timeout) override {
    return real_->exchangeRequest(request, timeout);
  }
  // The only unanswered writes are set-reporting (function 3) and host changes (function 1).
  void send(const Report& report) override {
    if (report.size() > 3 && report[3] >> 4 == 1) script_.hostWrite();
    real_->send(report);
  }
  void stop() override {
    real_->stop();
    if (!stopped_.exchange(true)) --script_.live;
  }
  void setNotificationHandler(NotificationHandler handler) override {
    real_->setNotificationHandler(std::move(handler));
  }

 private:
  ScriptedReceivers& script_;
  std::shared_ptr<HIDPPTransporting> real_;
  std::atomic<bool> stopped_{false};
};

std::function<OpenedReceiver()> ScriptedReceivers::opener() {
  return [this] { return next(); };
}

void ScriptedReceivers::openFrom(VirtualDesk desk) {
  std::lock_guard guard(lock_);
  desk_ = std::move(desk);
}

OpenedReceiver ScriptedReceivers::next() {
  ++opens;
  waitWhile(gateClosed, waitingOpens);
  std::unique_lock guard(lock_);
  if (!failures_.empty()) {
    const auto error = failures_.front();
    failures_.pop_front();
    throw error;
  }
  virtualhid::InProcessHidBackend backend(desk_.world, desk_.world->computers().front().id);
  guard.unlock();
  return Receiver::openFirstResponding(backend, [this](std::unique_ptr<HidDevice> device) {
    return std::make_shared<Transport>(*this, std::make_shared<HIDPPTransport>(std::move(device)));
  });
}

void ScriptedReceivers::failOpens(HIDPPError error, int times) {
  std::lock_guard guard(lock_);
  failures_.insert(failures_.end(), times, error);
}

void ScriptedReceivers::scriptPings(std::uint8_t device, std::deque<bool> answers) {
  std::lock_guard guard(lock_);
  pingScripts_[device] = std::move(answers);
}

int ScriptedReceivers::pings(std::uint8_t device) const {
  std::lock_guard guard(lock_);
  const auto found = pings_.find(device);
  return found == pings_.end() ? 0 : found->second;
}

bool ScriptedReceivers::answersPing(std::uint8_t device) {
  std::lock_guard guard(lock_);
  ++pings_[device];
  auto& script = pingScripts_[device];
  if (script.empty()) return true;
  const bool answered = script.front();
  script.pop_front();
  return answered;
}

void ScriptedReceivers::hostWrite() {
  ++hostWrites;
  waitWhile(holdHostWrites, waitingHostWrites);
  if (failHostWrites) throw HIDPPError::writeFailed(5);
}

}  // namespace flitbar::testing
