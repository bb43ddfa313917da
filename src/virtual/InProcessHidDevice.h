#pragma once

#include "protocol/HidDevice.h"
#include "virtual/VirtualWorld.h"

#include <memory>
#include <string>

namespace flitbar::virtualhid {

// One computer's receiver interface opened in-process: the HidDevice the transport reads and
// writes, backed by a VirtualWorld instead of a socket or hidraw node.
//
// Threading as HidDevice states. Like hidraw it buffers at most 64 unread input reports and drops
// newer ones while full; `read` after `close`, or after the world let the interface go, reports
// a disconnection.
class InProcessHidDevice : public HidDevice {
 public:
  InProcessHidDevice(std::shared_ptr<VirtualWorld> world, std::string computer);
  ~InProcessHidDevice() override;

  HidRead read(std::chrono::milliseconds timeout) override;
  int write(std::span<const std::uint8_t> report) override;
  void close() override;

 private:
  class Inbox;

  std::shared_ptr<VirtualWorld> world_;
  std::string computer_;
  std::shared_ptr<Inbox> inbox_;
  VirtualWorld::ClientId client_;
};

}  // namespace flitbar::virtualhid
