#include "config/TextTrimming.h"

#include <array>

namespace flitbar {
namespace {

// UTF-8 forms of the Unicode White_Space characters outside ASCII.
constexpr std::array<std::string_view, 19> unicodeSpaces{
    "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006",
    "\u2007", "\u2008", "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};

bool isAsciiSpace(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\v' || byte == '\f';
}

// Length of the white-space character at the front (or back) of `text`, 0 when there is none.
std::size_t leadingSpace(std::string_view text) {
  if (text.empty()) return 0;
  if (isAsciiSpace(text.front())) return 1;
  for (const auto space : unicodeSpaces)
    if (text.starts_with(space)) return space.size();
  return 0;
}

std::size_t trailingSpace(std::string_view text) {
  if (text.empty()) return 0;
  if (isAsciiSpace(text.back())) return 1;
  for (const auto space : unicodeSpaces)
    if (text.ends_with(space)) return space.size();
  return 0;
}

}  // namespace

std::string_view trimmed(std::string_view text) {
  while (const auto length = leadingSpace(text)) text.remove_prefix(length);
  while (const auto length = trailingSpace(text)) text.remove_suffix(length);
  return text;
}

}  // namespace flitbar
