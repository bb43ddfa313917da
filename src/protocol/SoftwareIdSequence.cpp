#include "protocol/SoftwareIdSequence.h"

#include <random>

namespace flitbar {
namespace {

constexpr unsigned idCount = 15;

std::uint8_t folded(unsigned value) { return static_cast<std::uint8_t>((value + idCount - 1) % idCount + 1); }

}  // namespace

SoftwareIdSequence::SoftwareIdSequence(std::uint8_t first) : next_(folded(first)) {}

std::uint8_t SoftwareIdSequence::randomStart() {
  std::random_device entropy;
  return static_cast<std::uint8_t>(std::uniform_int_distribution<unsigned>(1, idCount)(entropy));
}

std::uint8_t SoftwareIdSequence::next() {
  const auto id = next_;
  next_ = folded(next_ + 1u);
  return id;
}

}  // namespace flitbar
