#pragma once

#include <optional>
#include <string_view>

namespace flitbar {

// A marketing version "major.minor.patch".
struct SemanticVersion {
  long major = 0;
  long minor = 0;
  long patch = 0;

  // Exactly three dot-separated non-negative integers; empty pieces are not dropped ("1..3" fails).
  static std::optional<SemanticVersion> parse(std::string_view text);

  bool operator==(const SemanticVersion&) const = default;
};

// An operating-system version "12.0" or "13.1.2"; a missing patch reads as 0.
struct OperatingSystemVersion {
  long major = 0;
  long minor = 0;
  long patch = 0;

  static std::optional<OperatingSystemVersion> parse(std::string_view text);

  bool operator==(const OperatingSystemVersion&) const = default;
};

// Reads a whole text as a decimal integer with an optional leading sign; nothing on any other
// character, an empty text or overflow.
std::optional<long> parseDecimalInteger(std::string_view text);

}  // namespace flitbar
