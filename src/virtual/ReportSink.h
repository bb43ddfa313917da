#pragma once

#include <cstdint>
#include <span>

namespace flitbar::virtualhid {

// Where a receiver's input reports go: one opened interface of it.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // Called under the world's lock; must be quick and must not call back into the world.
  virtual void deliver(std::span<const std::uint8_t> report) = 0;
  // The receiver was unplugged: the interface stops working, as a hidraw node of a removed device
  // does. Called under the world's lock; a sink that only records may ignore it.
  virtual void hangUp() {}
};

}  // namespace flitbar::virtualhid
