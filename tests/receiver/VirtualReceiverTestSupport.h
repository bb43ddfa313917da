#pragma once

#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "receiver/ScriptedTransport.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <nlohmann/json.hpp>

namespace flitbar::testing {

// Passes everything to a real transport and records each request as it went on the wire.
class CountingTransport : public HIDPPTransporting {
 public:
  explicit CountingTransport(std::shared_ptr<HIDPPTransporting> inner) : inner_(std::move(inner)) {}

  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) override {
    {
      const std::lock_guard guard(lock_);
      auto wire = params;
      wire.resize(longReport ? 16 : 3, 0);
      requests_.push_back({device, feature, function, wire, longReport});
    }
    return inner_->exchange(device, feature, function, params, longReport, timeoutSeconds);
  }
  void send(const Report& report) override { inner_->send(report); }
  void stop() override { inner_->stop(); }
  void setNotificationHandler(NotificationHandler handler) override {
    inner_->setNotificationHandler(std::move(handler));
  }

  std::vector<WireRequest> requests() const {
    const std::lock_guard guard(lock_);
    return requests_;
  }

 private:
  std::shared_ptr<HIDPPTransporting> inner_;
  mutable std::mutex lock_;
  std::vector<WireRequest> requests_;
};

// A world built from rig JSON, with every delay at zero unless the rig sets timing.
inline std::shared_ptr<virtualhid::VirtualWorld> makeWorld(nlohmann::json rig) {
  if (!rig.contains("timing"))
    rig["timing"] = {{"answerMs", 0}, {"receiverErrorMs", 0}, {"departureNoticeMs", 0}, {"arrivalMs", 0}};
  return std::make_shared<virtualhid::VirtualWorld>(virtualhid::VirtualRig::fromJson(rig));
}

// Opens a computer's receiver the way the command line does, through real transports, keeping a
// handle on the counting wrapper.
struct OpenedVirtualReceiver {
  OpenedReceiver opened;
  std::shared_ptr<CountingTransport> counter;
};

inline OpenedVirtualReceiver openVirtual(const std::shared_ptr<virtualhid::VirtualWorld>& world,
                                         const std::string& computer) {
  virtualhid::InProcessHidBackend backend(world, computer);
  std::shared_ptr<CountingTransport> counter;
  auto opened = Receiver::openFirstResponding(backend, [&](std::unique_ptr<HidDevice> device) {
    counter = std::make_shared<CountingTransport>(std::make_shared<HIDPPTransport>(std::move(device)));
    return counter;
  });
  return {std::move(opened), counter};
}

inline nlohmann::json computers(int count) {
  const char* names[] = {"studio-desktop", "travel-laptop", "office-pc"};
  auto list = nlohmann::json::array();
  for (int i = 0; i < count; ++i)
    list.push_back({{"id", "host" + std::to_string(i + 1)}, {"name", names[i]}, {"receiver", "bolt"}});
  return list;
}

}  // namespace flitbar::testing
