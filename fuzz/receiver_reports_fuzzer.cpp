// libFuzzer target for input reports: the transport's request matching and the receiver's reading
// of answers. The input is a stream of reports offered, in turn, to the requests that discovery
// makes. Beyond "no crash, no hang, no sanitizer report" it checks what callers rely on: only a
// report that names the request is taken as its answer, and what discovery returns keeps its
// bounds (slots 1 to 6, at most three hosts, a current host below the count, printable texts).
#include "protocol/HIDPPError.h"
#include "protocol/HIDPPRequest.h"
#include "protocol/HidppReport.h"
#include "protocol/Receiver.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using flitbar::HIDPPRequest;
using flitbar::Report;

void require(bool condition) {
  if (!condition) std::abort();
}

// No C0, DEL or C1 control character is left in a text meant for a terminal.
void requirePrintable(const std::string& text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<std::uint8_t>(text[at]);
    require(byte >= 0x20 && byte != 0x7F);
    if (byte == 0xC2 && at + 1 < text.size()) require(static_cast<std::uint8_t>(text[at + 1]) > 0x9F);
  }
}

// Plays the transport against the fuzzer's reports. A control byte with the top bit set makes a
// report shaped as an answer to the request in hand (so that reading goes deep); otherwise its low
// bits give the length of a raw report taken as it is.
class FuzzedTransport : public flitbar::HIDPPTransporting {
 public:
  explicit FuzzedTransport(std::span<const std::uint8_t> data) : data_(data) {}

  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) override {
    return exchangeRequest(HIDPPRequest{device, feature, function, params, longReport}, timeoutSeconds);
  }

  Report exchangeRequest(const HIDPPRequest& wanted, double) override {
    HIDPPRequest request = wanted;
    request.softwareId = static_cast<std::uint8_t>(++sent_ % 15 + 1);
    while (!data_.empty()) {
      const Report report = next(request);
      flitbar::Receiver::divertedButtons(report, request.feature);
      switch (request.classify(report)) {
        case HIDPPRequest::Reply::response:
          require(flitbar::isWellFormedHIDPPReport(report) && report[1] == request.device &&
                  report[2] == request.feature && report[3] == request.functionByte() && request.echoMatches(report));
          return report;
        case HIDPPRequest::Reply::errorFrame:
          require(report[2] == 0x8F || report[2] == 0xFF);
          require(report[3] == request.feature && report[4] == request.functionByte());
          throw flitbar::HIDPPError::deviceError(request.device, report[5]);
        case HIDPPRequest::Reply::unrelated:
          break;
      }
    }
    throw flitbar::HIDPPError::timeout(request.device);
  }

  void send(const Report&) override {}
  void stop() override {}
  void setNotificationHandler(flitbar::NotificationHandler) override {}

 private:
  std::uint8_t take() {
    const auto byte = data_.front();
    data_ = data_.subspan(1);
    return byte;
  }

  Report next(const HIDPPRequest& request) {
    const auto control = take();
    if (control & 0x80) {
      Report report = request.bytes();
      report.resize((control & 0x40) ? 20 : 7, 0);
      report[0] = (control & 0x40) ? 0x11 : 0x10;
      const std::size_t from = (control & 0x20) ? 4 + request.echoed : 4;
      for (std::size_t at = from; at < report.size() && !data_.empty(); ++at) report[at] = take();
      return report;
    }
    const std::size_t length = std::min<std::size_t>(control % 66, data_.size());
    Report report(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(length));
    data_ = data_.subspan(length);
    return report;
  }

  std::span<const std::uint8_t> data_;
  unsigned sent_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto transport = std::make_shared<FuzzedTransport>(std::span(data, size));
  flitbar::Receiver receiver(transport);
  const auto devices = receiver.discover();
  require(devices.size() <= 6);
  for (const auto& device : devices) {
    require(device.index >= 1 && device.index <= 6);
    require(device.hostCount <= 3);
    require(device.changeHostFeature ? device.hostCount >= 1 && device.currentHost < device.hostCount
                                     : device.hostCount == 0 && device.currentHost == 0);
    requirePrintable(device.name);
    if (device.hostNames) {
      require(device.hostNames->size() <= 3);
      for (const auto& name : *device.hostNames) requirePrintable(name);
    }
    if (device.battery) require(device.battery->percent > 0);
  }
  return 0;
}
