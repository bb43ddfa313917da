#include "protocol/HidppReport.h"

#include "protocol/HIDPPError.h"

#include <algorithm>

namespace flitbar::HidppReport {

namespace {

constexpr const char* replacementCharacter = "\xEF\xBF\xBD";

bool isContinuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// C0 controls, DEL and the C1 controls (U+0080..U+009F, encoded C2 80..C2 9F): a device name
// carrying them could move a terminal's cursor, forge log lines or break the panel's layout.
bool isControl(const std::uint8_t* sequence, std::size_t length) {
  if (length == 1) return sequence[0] < 0x20 || sequence[0] == 0x7F;
  return length == 2 && sequence[0] == 0xC2 && sequence[1] <= 0x9F;
}

// How far the UTF-8 sequence starting at `at` goes: `valid` when it is complete and well-formed
// (no overlongs, surrogates or values past U+10FFFF), otherwise `length` covers its longest
// well-formed beginning (at least one byte), which becomes one U+FFFD like other decoders do.
struct Sequence {
  bool valid;
  std::size_t length;
};

Sequence sequenceAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  const std::uint8_t lead = bytes[at];
  if (lead < 0x80) return {true, 1};
  std::size_t expected = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    expected = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    expected = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    expected = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {false, 1};
  }
  std::size_t length = 1;
  while (length < expected && at + length < bytes.size()) {
    const std::uint8_t byte = bytes[at + length];
    const bool inRange = length == 1 ? (byte >= low && byte <= high) : isContinuation(byte);
    if (!inRange) break;
    ++length;
  }
  return {length == expected, length};
}

}  // namespace

bool isWellFormed(const Report& report) {
  return (report.size() == shortLength && report[0] == shortId) || isLong(report);
}

bool isLong(const Report& report) { return report.size() == longLength && report[0] == longId; }

void requireWellFormed(const Report& report) {
  if (!isWellFormed(report)) throw HIDPPError::malformedResponse();
}

void requireLong(const Report& report) {
  if (!isLong(report)) throw HIDPPError::malformedResponse();
}

std::string decodeText(const Report& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), 0);
  std::vector<std::uint8_t> text(bytes.begin(), end);
  const auto isBlank = [](std::uint8_t c) { return c == ' ' || c == '\t'; };
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isBlank));
  text.erase(std::find_if_not(text.rbegin(), text.rend(), isBlank).base(), text.end());
  std::string decoded;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto sequence = sequenceAt(text, at);
    if (sequence.valid && !isControl(text.data() + at, sequence.length)) {
      decoded.append(reinterpret_cast<const char*>(text.data() + at), sequence.length);
    } else {
      decoded += replacementCharacter;
    }
    at += sequence.length;
  }
  return decoded;
}

}  // namespace flitbar::HidppReport
