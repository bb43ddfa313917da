#include "cli/DecimalArgument.h"

#include <charconv>
#include <limits>

namespace flitbar::DecimalArgument {

std::optional<long long> parse(std::string_view text, bool allowNegative) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || (allowNegative && text.front() == '-'))) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  unsigned long long magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (magnitude > static_cast<unsigned long long>(std::numeric_limits<long long>::max())) return std::nullopt;
  const auto value = static_cast<long long>(magnitude);
  return negative ? -value : value;
}

}  // namespace flitbar::DecimalArgument
