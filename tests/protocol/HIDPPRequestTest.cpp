#include "ScriptedHidDevice.h"
#include "protocol/HIDPPRequest.h"
#include "protocol/HidppReport.h"
#include "protocol/SoftwareIdSequence.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::padded;
using Reply = HIDPPRequest::Reply;

TEST(HIDPPRequest, ParametersAreCutOrPaddedToTheReportLength) {
  EXPECT_EQ(HIDPPRequest({0x02, 0x05, 0x01, {0xA1, 0xA2, 0xA3, 0xA4}, false, 0, 0x0A}).bytes(),
            (Report{0x10, 0x02, 0x05, 0x1A, 0xA1, 0xA2, 0xA3}));
  EXPECT_EQ(HIDPPRequest({0x01, 0x09, 0x03, {0x01, 0x02}, true, 0, 0x0A}).bytes(),
            padded({0x11, 0x01, 0x09, 0x3A, 0x01, 0x02}, 20));
  EXPECT_EQ(HIDPPRequest({0x01, 0x09, 0x03, Report(40, 0x77), true}).bytes().back(), 0x77);
}

TEST(HIDPPRequest, OnlyTheRequestsOwnAnswerOrErrorFrameMatches) {
  // Get reporting of control 0x00C4 (function 2) with software id 5; the answer repeats the control id.
  const HIDPPRequest request{0x02, 0x05, 0x02, {0x00, 0xC4}, false, 2, 0x05};
  const auto answer = padded({0x11, 0x02, 0x05, 0x25, 0x00, 0xC4, 0x01}, 20);
  auto with = [&](std::size_t at, std::uint8_t value, Report report) {
    report[at] = value;
    return report;
  };
  const auto error20 = padded({0x11, 0x02, 0xFF, 0x05, 0x25, 0x05}, 20);
  const Report error10{0x10, 0x02, 0x8F, 0x05, 0x25, 0x08, 0x00};
  const struct {
    Report report;
    Reply reply;
    const char* what;
  } cases[] = {
      {answer, Reply::response, "long answer"},
      {{0x10, 0x02, 0x05, 0x25, 0x00, 0xC4, 0x00}, Reply::response, "short answer"},
      {with(3, 0x2A, answer), Reply::unrelated, "another software id: a late answer or another program's"},
      {with(3, 0x20, answer), Reply::unrelated, "a device event"},
      {with(3, 0x15, answer), Reply::unrelated, "another function"},
      {with(1, 0x03, answer), Reply::unrelated, "another device"},
      {with(2, 0x06, answer), Reply::unrelated, "another feature"},
      {with(5, 0xC3, answer), Reply::unrelated, "another control's reporting"},
      {error20, Reply::errorFrame, "HID++ 2.0 error frame"},
      {error10, Reply::errorFrame, "HID++ 1.0 error frame"},
      {with(4, 0x2A, error20), Reply::unrelated, "2.0 error frame with another software id"},
      {with(4, 0x15, error10), Reply::unrelated, "1.0 error frame for another function"},
      {with(3, 0x06, error20), Reply::unrelated, "error frame for another feature"},
  };
  for (const auto& test : cases) EXPECT_EQ(request.classify(test.report), test.reply) << test.what;
}

TEST(SoftwareIdSequence, NeverStartsAtZero) { EXPECT_EQ(SoftwareIdSequence(0).next(), 15); }

TEST(DeviceText, IsRepairedAndFreeOfControlCharacters) {
  const std::string replaced = "\uFFFD";
  const struct {
    Report bytes;
    std::string text;
    const char* what;
  } cases[] = {
      {{' ', '\t', 'K', 0xC3, 0xA9, 0xC2, 0xA0, ' ', 0, 'B'}, "K\u00E9\u00A0", "blanks trimmed, cut at the first zero"},
      {{'a', '\n', 'b', '\t', 'c', 0x1B, '[', 0x7F, 0xC2, 0x9B},
       "a" + replaced + "b" + replaced + "c" + replaced + "[" + replaced + replaced,
       "newline, inner tab, escape, DEL and C1 replaced"},
      {{0xC0, 0xAF, 'O', 'K', 0xE2, 0x82}, replaced + replaced + "OK" + replaced, "overlong, truncated tail"},
      {{0xED, 0xA0, 0x80}, replaced + replaced + replaced, "surrogate"},
      {{0xF4, 0x90, 0x80, 0x80}, replaced + replaced + replaced + replaced, "beyond U+10FFFF"},
  };
  for (const auto& test : cases) EXPECT_EQ(HidppReport::decodeText(test.bytes), test.text) << test.what;
}

}  // namespace
}  // namespace flitbar
