#pragma once

#include <initializer_list>
#include <string_view>

namespace flitbar {

// Whether `text` contains any of the lower-case `words`, ignoring ASCII letter case.
bool containsAnyIgnoringCase(std::string_view text, std::initializer_list<std::string_view> words);

}  // namespace flitbar
