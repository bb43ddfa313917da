#include "panel/TextMatching.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace flitbar {

bool containsAnyIgnoringCase(std::string_view text, std::initializer_list<std::string_view> words) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view word) { return lower.find(word) != std::string::npos; });
}

}  // namespace flitbar
