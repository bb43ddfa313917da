#pragma once

#include "protocol/HIDPPError.h"
#include "protocol/HIDPPTransporting.h"

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <variant>
#include <vector>

namespace flitbar::testing {

// One request as it goes on the wire: parameters padded to 3 (short) or 16 (long) bytes.
struct WireRequest {
  std::uint8_t device;
  std::uint8_t feature;
  std::uint8_t function;
  std::vector<std::uint8_t> params = {};
  bool longReport = false;

  auto operator<=>(const WireRequest&) const = default;
};

// An answer report: [id, device, feature, function << 4 | 0x0A, data…], zero-padded.
inline Report answer(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                     std::vector<std::uint8_t> data = {}, bool longReport = false) {
  Report report{static_cast<std::uint8_t>(longReport ? 0x11 : 0x10), device, feature,
                static_cast<std::uint8_t>(function << 4 | 0x0A)};
  report.insert(report.end(), data.begin(), data.end());
  report.resize(longReport ? 20 : 7, 0);
  return report;
}

// The receiver layer's transport double: answers requests from a script and records what it is
// asked. An unscripted request times out, like a silent device; several outcomes scripted for
// one request are used in turn, the last one repeating. Read the records once the callers are done.
class ScriptedTransport : public HIDPPTransporting {
 public:
  using Outcome = std::variant<Report, HIDPPError>;

  void on(WireRequest request, Outcome outcome) {
    const std::lock_guard guard(lock_);
    script_[normalised(std::move(request))].push_back(std::move(outcome));
  }
  // Root "get feature": the device has `feature` at `index`.
  void feature(std::uint8_t device, std::uint16_t featureId, std::uint8_t index) {
    on({device, 0, 0, {static_cast<std::uint8_t>(featureId >> 8), static_cast<std::uint8_t>(featureId & 0xFF)}},
       answer(device, 0, 0, {index}));
  }
  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double) override {
    const std::lock_guard guard(lock_);
    const auto request = normalised({device, feature, function, params, longReport});
    exchanges_.push_back(request);
    if (stopCalls_ > 0) throw HIDPPError::stopped();
    const auto found = script_.find(request);
    if (found == script_.end()) throw HIDPPError::timeout(device);
    const Outcome outcome = found->second.front();
    if (found->second.size() > 1) found->second.pop_front();
    if (const auto* error = std::get_if<HIDPPError>(&outcome)) throw *error;
    return std::get<Report>(outcome);
  }
  void send(const Report& report) override {
    const std::lock_guard guard(lock_);
    sent_.push_back(report);
    if (stopCalls_ > 0) throw HIDPPError::stopped();
  }
  void stop() override {
    const std::lock_guard guard(lock_);
    ++stopCalls_;
  }
  void setNotificationHandler(NotificationHandler) override {}

  std::size_t count(const WireRequest& request) const {
    return static_cast<std::size_t>(std::count(exchanges_.begin(), exchanges_.end(), normalised(request)));
  }
  const std::vector<Report>& sent() const { return sent_; }
  int stopCalls() const { return stopCalls_; }

 private:
  static WireRequest normalised(WireRequest request) {
    request.params.resize(request.longReport ? 16 : 3, 0);
    return request;
  }

  std::mutex lock_;
  std::map<WireRequest, std::deque<Outcome>> script_;
  std::vector<WireRequest> exchanges_;
  std::vector<Report> sent_;
  int stopCalls_ = 0;
};

}  // namespace flitbar::testing
