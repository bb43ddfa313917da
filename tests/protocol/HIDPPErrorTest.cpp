#include "protocol/HIDPPError.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace flitbar {
namespace {

TEST(HIDPPError, DescriptionsAreTheUserFacingTexts) {
  EXPECT_EQ(HIDPPError::silentReceiver(1).description(),
            "Receiver found (1 interface) but no devices answered \u2014 grant receiver access.");
  EXPECT_EQ(HIDPPError::silentReceiver(2).description(),
            "Receiver found (2 interfaces) but no devices answered \u2014 grant receiver access.");
  EXPECT_EQ(HIDPPError::silentReceiver(0).description(),
            "Receiver found (0 interfaces) but no devices answered \u2014 grant receiver access.");
  EXPECT_EQ(HIDPPError::openFailed(EACCES).description(), "Could not open the receiver (errno 0x0000000D).");
  EXPECT_EQ(HIDPPError::openFailed(-1).description(), "Could not open the receiver (errno 0xFFFFFFFF).");
  EXPECT_EQ(HIDPPError::writeFailed(EPIPE).description(), "Could not write to the receiver (errno 0x00000020).");
  EXPECT_EQ(HIDPPError::timeout(0x02).description(), "Device 0x02 did not answer.");
  EXPECT_EQ(HIDPPError::deviceError(0x01, 0x0B).description(), "Device 0x01 returned HID++ error 0x0B.");
  EXPECT_EQ(HIDPPError::unsupported("Device 3 has no Easy-Switch.").description(), "Device 3 has no Easy-Switch.");
  EXPECT_EQ(HIDPPError::noReceiver().description(), "No Logitech receiver found. Plug in the Unifying/Bolt dongle.");
  EXPECT_EQ(HIDPPError::accessDenied().description(), "Receiver access permission needed.");
  EXPECT_EQ(HIDPPError::stopped().description(), "Receiver transport stopped.");
  EXPECT_EQ(HIDPPError::malformedResponse().description(),
            "Receiver returned an incomplete or invalid HID++ response.");
  EXPECT_STREQ(HIDPPError::stopped().what(), "Receiver transport stopped.");
}

TEST(HIDPPError, PayloadsAndEquality) {
  const auto error = HIDPPError::deviceError(0x03, 0x09);
  EXPECT_EQ(error.kind(), HIDPPError::Kind::deviceError);
  EXPECT_EQ(error.device(), 0x03);
  EXPECT_EQ(error.code(), 0x09);
  EXPECT_EQ(HIDPPError::openFailed(ECONNREFUSED).code(), ECONNREFUSED);
  EXPECT_EQ(HIDPPError::timeout(4), HIDPPError::timeout(4));
  EXPECT_FALSE(HIDPPError::timeout(4) == HIDPPError::timeout(5));
  EXPECT_FALSE(HIDPPError::writeFailed(5) == HIDPPError::openFailed(5));
}

}  // namespace
}  // namespace flitbar
