#pragma once

#include <string_view>

namespace flitbar {

// `text` without white space and line breaks at either end: ASCII spacing plus the Unicode
// spaces and separators (no-break space, ideographic space, line and paragraph separators…),
// so that a name typed with any of them still counts as blank.
std::string_view trimmed(std::string_view text);

}  // namespace flitbar
