// The contract every HidDevice keeps with the transport, checked on each of the three: the
// in-process virtual interface, a virtual-receiver socket and a hidraw node (driven over a packet
// socket pair, which hands out one report per read as a hidraw node does).
#include "WorldScript.h"

#include "platform/linux/HidrawDevice.h"
#include "platform/linux/SocketHidDevice.h"
#include "virtual/InProcessHidDevice.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace flitbar::virtualhid::testing {
namespace {

using namespace std::chrono_literals;

const Bytes ping{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0xAA};

// A device whose input reports a test can make up, on the far end of a packet socket.
template <typename Device>
class SocketEnd {
 public:
  SocketEnd() {
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    device = std::make_unique<Device>(pair[0]);
    peer_ = pair[1];
  }
  ~SocketEnd() { hangUp(); }
  void inject(const Bytes& report) {
    EXPECT_EQ(::send(peer_, report.data(), report.size(), 0), ssize_t(report.size()));
  }
  void hangUp() {
    if (peer_ >= 0) ::close(peer_);
    peer_ = -1;
  }
  std::unique_ptr<HidDevice> device;

 private:
  int peer_ = -1;
};

class InProcessEnd {
 public:
  InProcessEnd() : world_(std::make_shared<VirtualWorld>(loadRig("default.json"))) {
    device = std::make_unique<InProcessHidDevice>(world_, "host1");
  }
  void inject(const Bytes& report) { world_->inject("host1", report); }
  // The in-process interface loses its far end when its receiver is unplugged.
  void hangUp() { world_->unplug("host1"); }
  std::unique_ptr<HidDevice> device;

 private:
  std::shared_ptr<VirtualWorld> world_;
};

template <typename End>
class HidDeviceContract : public ::testing::Test {
 protected:
  End end;
  HidDevice& device() { return *end.device; }
};

using Ends = ::testing::Types<InProcessEnd, SocketEnd<SocketHidDevice>, SocketEnd<HidrawDevice>>;
TYPED_TEST_SUITE(HidDeviceContract, Ends);

TYPED_TEST(HidDeviceContract, ReadsOneReportAtATimeAndMarksOversizedOnes) {
  EXPECT_EQ(this->device().read(10ms).status, HidRead::Status::timedOut);
  const Bytes full(64, 0x11);
  this->end.inject(ping);
  this->end.inject(full);
  this->end.inject(Bytes(80, 0x11));
  EXPECT_EQ(this->device().read(5s), (HidRead{HidRead::Status::report, ping}));
  EXPECT_EQ(this->device().read(5s), (HidRead{HidRead::Status::report, full}));
  const auto oversized = this->device().read(5s);
  EXPECT_EQ(oversized.status, HidRead::Status::report);
  EXPECT_GT(oversized.bytes.size(), 64u) << "an oversized report must not pass for a whole one";
}

TYPED_TEST(HidDeviceContract, ClosingDisconnectsReadsAndRefusesWrites) {
  EXPECT_EQ(this->device().write(ping), 0);
  this->device().close();
  this->device().close();
  EXPECT_EQ(this->device().read(5s).status, HidRead::Status::disconnected);
  EXPECT_EQ(this->device().write(ping), EBADF);
}

TYPED_TEST(HidDeviceContract, ALostPeerReadsAsDisconnected) {
  this->end.hangUp();
  EXPECT_EQ(this->device().read(5s).status, HidRead::Status::disconnected);
  EXPECT_NE(this->device().write(ping), 0);
}

TYPED_TEST(HidDeviceContract, WritesToAPeerThatNeverReadsGiveUpInsteadOfBlocking) {
  int result = 0;
  for (int written = 0; written < 5000 && result == 0; ++written) result = this->device().write(ping);
  EXPECT_TRUE(result == 0 || result == ETIMEDOUT) << result;
}

TEST(InProcessHidDeviceTest, AFullBufferDropsNewerReports) {
  const auto world = std::make_shared<VirtualWorld>(loadRig("default.json"));
  InProcessHidDevice device(world, "host1");
  for (std::uint8_t i = 0; i < 70; ++i) world->inject("host1", Bytes{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, i});
  int received = 0;
  for (HidRead read; (read = device.read(0ms)).status == HidRead::Status::report; ++received)
    EXPECT_EQ(read.bytes[6], received);
  EXPECT_EQ(received, 64);
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
