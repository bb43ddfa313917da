#include "platform/linux/HidrawDevice.h"
#include "protocol/HIDPPError.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace flitbar {
namespace {

using namespace std::chrono_literals;

// A hidraw node hands out one report per read; a packet socket pair behaves the same way.
class HidrawDeviceTest : public ::testing::Test {
protected:
  void SetUp() override {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    device = std::make_unique<HidrawDevice>(pair[0]);
    node = pair[1];
  }
  void TearDown() override {
    if (node >= 0) ::close(node);
  }

  std::unique_ptr<HidrawDevice> device;
  int node = -1;
};

TEST_F(HidrawDeviceTest, ReadsOneReportAtATimeAndMarksOversizedOnes) {
  EXPECT_EQ(device->read(10ms).status, HidRead::Status::timedOut);
  const std::vector<std::uint8_t> report{0x10, 0x01, 0x41, 0x04, 0x00, 0x00, 0x00};
  const std::vector<std::uint8_t> oversized(80, 0x11);
  ASSERT_EQ(::send(node, report.data(), report.size(), 0), 7);
  ASSERT_EQ(::send(node, oversized.data(), oversized.size(), 0), 80);
  EXPECT_EQ(device->read(1s), (HidRead{HidRead::Status::report, report}));
  EXPECT_EQ(device->read(1s).bytes.size(), 65u);

  EXPECT_EQ(device->write(report), 0);
  std::vector<std::uint8_t> written(64);
  written.resize(static_cast<std::size_t>(::recv(node, written.data(), written.size(), 0)));
  EXPECT_EQ(written, report);
}

TEST_F(HidrawDeviceTest, AnUnpluggedNodeReadsAsDisconnected) {
  ::close(node);
  node = -1;
  EXPECT_EQ(device->read(1s).status, HidRead::Status::disconnected);
  device->close();
  EXPECT_EQ(device->write(std::vector<std::uint8_t>{0x10}), EBADF);
}

TEST(HidrawDevice, OpenFailuresCarryTheErrno) {
  try {
    HidrawDevice::open("/dev/flitbar-no-such-hidraw");
    FAIL() << "opened a missing node";
  } catch (const HIDPPError& error) {
    EXPECT_EQ(error, HIDPPError::openFailed(ENOENT));
  }
}

}  // namespace
}  // namespace flitbar
