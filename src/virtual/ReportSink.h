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
};

}  // namespace flitbar::virtualhid
