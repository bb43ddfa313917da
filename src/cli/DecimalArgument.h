#pragma once

#include <optional>
#include <string_view>

namespace flitbar::DecimalArgument {

// A whole decimal number written with digits only, optionally after one "+" (or "-" when
// `allowNegative`). Anything else, including spaces and values beyond 64 bits, is absent.
std::optional<long long> parse(std::string_view text, bool allowNegative);

}  // namespace flitbar::DecimalArgument
