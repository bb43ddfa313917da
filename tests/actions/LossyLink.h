#pragma once

#include "protocol/HIDPPError.h"
#include "protocol/HIDPPRequest.h"
#include "support/VirtualDesk.h"

#include <functional>
#include <memory>
#include <utility>

namespace flitbar::testing {

// The radio between a receiver and its devices, losing the requests `loses` picks: a lost write
// never reaches the device, a lost exchange times out at once. The rest reaches the virtual devices
// of the desk, so read-backs see what the device really holds.
class LossyLink : public HIDPPTransporting {
 public:
  using Loses = std::function<bool(const HIDPPRequest&)>;

  // Consults `loses` (which must outlive the link) at every request, so a test may change it.
  LossyLink(std::shared_ptr<HIDPPTransporting> wire, const Loses& loses) : wire_(std::move(wire)), loses_(loses) {}

  // The first computer's receiver of `desk`, opened through a lossy link.
  static OpenedReceiver open(const VirtualDesk& desk, const Loses& loses) {
    virtualhid::InProcessHidBackend backend(desk.world, "host1");
    return Receiver::openFirstResponding(backend, [&loses](std::unique_ptr<HidDevice> device) {
      return std::make_shared<LossyLink>(std::make_shared<HIDPPTransport>(std::move(device)), loses);
    });
  }

  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) override {
    if (loses_({device, feature, function, params, longReport})) throw HIDPPError::timeout(device);
    return wire_->exchange(device, feature, function, params, longReport, timeoutSeconds);
  }
  Report exchangeRequest(const HIDPPRequest& request, double timeoutSeconds) override {
    if (loses_(request)) throw HIDPPError::timeout(request.device);
    return wire_->exchangeRequest(request, timeoutSeconds);
  }
  void send(const Report& report) override {
    const HIDPPRequest request{
        report.at(1), report.at(2), static_cast<std::uint8_t>(report.at(3) >> 4), {report.begin() + 4, report.end()}};
    if (!loses_(request)) wire_->send(report);
  }
  void stop() override { wire_->stop(); }
  void setNotificationHandler(NotificationHandler handler) override {
    wire_->setNotificationHandler(std::move(handler));
  }

 private:
  std::shared_ptr<HIDPPTransporting> wire_;
  const Loses& loses_;
};

}  // namespace flitbar::testing
