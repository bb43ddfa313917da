#include "protocol/HIDPPRequest.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using Reply = HIDPPRequest::Reply;

Report filled(std::size_t length, std::uint8_t id) {
  Report report(length, 0);
  if (length > 0) report[0] = id;
  return report;
}

TEST(HIDPPRequest, ShortParametersAreCutOrPaddedToThreeBytes) {
  HIDPPRequest request{0x02, 0x05, 0x01, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5}, false};
  EXPECT_EQ(request.bytes(), (Report{0x10, 0x02, 0x05, 0x1A, 0xA1, 0xA2, 0xA3}));
  request.params = {0xB1};
  EXPECT_EQ(request.bytes(), (Report{0x10, 0x02, 0x05, 0x1A, 0xB1, 0x00, 0x00}));
}

TEST(HIDPPRequest, LongRequestsCarryExactlySixteenParameterBytes) {
  HIDPPRequest request{0x01, 0x09, 0x03, {0x01, 0x02}, true};
  Report expected{0x11, 0x01, 0x09, 0x3A, 0x01, 0x02};
  expected.resize(20, 0);
  EXPECT_EQ(request.bytes(), expected);

  request.params.assign(40, 0x77);
  const auto bytes = request.bytes();
  ASSERT_EQ(bytes.size(), 20u);
  EXPECT_EQ(bytes.back(), 0x77);
  EXPECT_EQ(HIDPPRequest({0x01, 0x00, 0x00, {}, true}).bytes().size(), 20u);
}

TEST(HIDPPRequest, FunctionByteCarriesTheSoftwareId) {
  EXPECT_EQ(HIDPPRequest({1, 0, 0, {}, false}).functionByte(), 0x0A);
  EXPECT_EQ(HIDPPRequest({1, 0, 1, {}, false}).functionByte(), 0x1A);
  EXPECT_EQ(HIDPPRequest({1, 0, 3, {}, false}).functionByte(), 0x3A);
}

TEST(HIDPPRequest, OnlyTheTwoHIDPPReportShapesAreWellFormed) {
  EXPECT_TRUE(isWellFormedHIDPPReport(filled(7, 0x10)));
  EXPECT_TRUE(isWellFormedHIDPPReport(filled(20, 0x11)));
  for (const auto& report : {filled(0, 0), filled(20, 0x10), filled(7, 0x11), filled(64, 0x11), filled(65, 0x11),
                             filled(6, 0x10), filled(7, 0x12), filled(20, 0x20)}) {
    EXPECT_FALSE(isWellFormedHIDPPReport(report)) << report.size();
  }
}

TEST(HIDPPRequest, ClassifiesResponsesEventsAndErrorFrames) {
  const HIDPPRequest request{0x02, 0x05, 0x01, {}, true};
  struct Case {
    Report report;
    Reply reply;
  };
  Report longResponse{0x11, 0x02, 0x05, 0x1A};
  longResponse.resize(20, 0);
  Report deviceEvent = longResponse;
  deviceEvent[3] = 0x10;  // same function, software id 0
  Report otherDevice = longResponse;
  otherDevice[1] = 0x03;
  Report otherFunction = longResponse;
  otherFunction[3] = 0x2A;
  Report error20{0x11, 0x02, 0xFF, 0x05, 0x1A, 0x05};
  error20.resize(20, 0);
  Report error20OtherFeature = error20;
  error20OtherFeature[3] = 0x06;
  Report malformedLong = longResponse;
  malformedLong.resize(64, 0);

  const std::vector<Case> cases{
      {longResponse, Reply::response},
      // Devices answer long even when asked short; the report id does not take part in matching.
      {{0x10, 0x02, 0x05, 0x1A, 0x00, 0x00, 0x00}, Reply::response},
      {deviceEvent, Reply::unrelated},
      {otherDevice, Reply::unrelated},
      {otherFunction, Reply::unrelated},
      {{0x10, 0x02, 0x8F, 0x05, 0x1A, 0x08, 0x00}, Reply::errorFrame},
      {{0x10, 0x02, 0x8F, 0x05, 0x0A, 0x08, 0x00}, Reply::unrelated},
      {{0x10, 0x02, 0x8F, 0x04, 0x1A, 0x08, 0x00}, Reply::unrelated},
      {{0x10, 0x03, 0x8F, 0x05, 0x1A, 0x08, 0x00}, Reply::unrelated},
      {error20, Reply::errorFrame},
      {error20OtherFeature, Reply::unrelated},
      {malformedLong, Reply::unrelated},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(request.classify(cases[i].report), cases[i].reply) << "case " << i;
  }
}

}  // namespace
}  // namespace flitbar
