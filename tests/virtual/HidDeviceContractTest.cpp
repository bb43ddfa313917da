// The contract every HidDevice of the product keeps with the transport, checked on a
// virtual-receiver socket and a hidraw node (both driven over a packet socket pair, which hands out
// one report per read as a hidraw node does).
#include "WorldScript.h"

#include "platform/linux/HidrawDevice.h"
#include "platform/linux/SocketHidDevice.h"

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

template <typename End>
class HidDeviceContract : public ::testing::Test {
 protected:
  End end;
  HidDevice& device() { return *end.device; }
};

using Ends = ::testing::Types<SocketEnd<SocketHidDevice>, SocketEnd<HidrawDevice>>;
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

TYPED_TEST(HidDeviceContract, ALostPeerReadsAsDisconnectedAndClosingRefusesWrites) {
  EXPECT_EQ(this->device().write(ping), 0);
  this->end.hangUp();
  EXPECT_EQ(this->device().read(5s).status, HidRead::Status::disconnected);
  EXPECT_NE(this->device().write(ping), 0);
  this->device().close();
  this->device().close();
  EXPECT_EQ(this->device().read(5s).status, HidRead::Status::disconnected);
  EXPECT_EQ(this->device().write(ping), EBADF);
}

TYPED_TEST(HidDeviceContract, WritesToAPeerThatNeverReadsGiveUpInsteadOfBlocking) {
  int result = 0;
  for (int written = 0; written < 5000 && result == 0; ++written) result = this->device().write(ping);
  EXPECT_TRUE(result == 0 || result == ETIMEDOUT) << result;
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
