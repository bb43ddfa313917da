#include "shell/SemanticVersion.h"

#include <charconv>
#include <limits>
#include <vector>

namespace flitbar {
namespace {

std::vector<std::string_view> splitKeepingEmpty(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (true) {
    const auto end = text.find(separator, start);
    pieces.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

std::optional<std::vector<long>> nonNegativePieces(std::string_view text) {
  std::vector<long> values;
  for (const auto piece : splitKeepingEmpty(text, '.')) {
    const auto value = parseDecimalInteger(piece);
    if (!value || *value < 0) return std::nullopt;
    values.push_back(*value);
  }
  return values;
}

}  // namespace

std::optional<long> parseDecimalInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  unsigned long magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  constexpr auto limit = static_cast<unsigned long>(std::numeric_limits<long>::max());
  if (magnitude > limit + (negative ? 1 : 0)) return std::nullopt;
  if (!negative) return static_cast<long>(magnitude);
  return magnitude == limit + 1 ? std::numeric_limits<long>::min() : -static_cast<long>(magnitude);
}

std::optional<SemanticVersion> SemanticVersion::parse(std::string_view text) {
  const auto values = nonNegativePieces(text);
  if (!values || values->size() != 3) return std::nullopt;
  return SemanticVersion{(*values)[0], (*values)[1], (*values)[2]};
}

std::optional<OperatingSystemVersion> OperatingSystemVersion::parse(std::string_view text) {
  const auto values = nonNegativePieces(text);
  if (!values || values->size() < 2 || values->size() > 3) return std::nullopt;
  return OperatingSystemVersion{(*values)[0], (*values)[1], values->size() == 3 ? (*values)[2] : 0};
}

}  // namespace flitbar
