#pragma once

#include <cstdint>

namespace flitbar {

// The software ids a transport gives its requests: 1 to 15 in turn, 0 being what device events
// carry. Each process starts at a random place, so two programs sharing a receiver seldom use the
// same id at the same time. Not thread-safe: the transport asks under its request lock.
class SoftwareIdSequence {
 public:
  // A start outside 1..15 is folded into it.
  explicit SoftwareIdSequence(std::uint8_t first);

  static std::uint8_t randomStart();

  std::uint8_t next();

 private:
  std::uint8_t next_;
};

}  // namespace flitbar
