// The in-process HID seam over a world: discovery, reads, writes, closing and concurrent use.
#include "WorldProbe.h"

#include "protocol/HIDPPError.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/InProcessHidDevice.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

namespace flitbar::virtualhid::testing {
namespace {

using namespace std::chrono_literals;

const Bytes keyboardPing{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0xAA};

std::shared_ptr<VirtualWorld> defaultWorld(RigTiming timing = {0, 0, 0, 0}) {
  auto rig = VirtualRig::load(rigPath("default.json"));
  rig.timing = timing;
  return std::make_shared<VirtualWorld>(rig);
}

TEST(InProcessHidBackendTest, ListsOneVendorInterfacePerComputerAndOpensOnlyThat) {
  auto world = defaultWorld();
  InProcessHidBackend backend(world, "host2");
  const auto interfaces = backend.vendorInterfaces();
  ASSERT_EQ(interfaces.size(), 1u);
  EXPECT_EQ(interfaces[0], (HidInterface{"virtual:host2/receiver", 0x046D, 0xC548, 0xFF00}));
  EXPECT_NE(backend.open(interfaces[0]), nullptr);
  try {
    backend.open(HidInterface{"virtual:host1/receiver", 0x046D, 0xC548, 0xFF00});
    FAIL() << "opened another computer's interface";
  } catch (const HIDPPError& error) {
    EXPECT_EQ(error.kind(), HIDPPError::Kind::openFailed);
    EXPECT_EQ(error.code(), ENOENT);
  }
  EXPECT_THROW(InProcessHidBackend(world, "host9"), std::invalid_argument);

  auto unifying = std::make_shared<VirtualWorld>(VirtualRig::load(rigPath("two-host-mouse.json")));
  EXPECT_EQ(InProcessHidBackend(unifying, "host1").vendorInterfaces()[0].productId, 0xC52B);
}

TEST(InProcessHidDeviceTest, WritesAreAnsweredThroughReadsAndEveryOpenerSeesThem) {
  auto world = defaultWorld();
  InProcessHidDevice first(world, "host1");
  InProcessHidDevice second(world, "host1");
  EXPECT_EQ(first.read(0ms).status, HidRead::Status::timedOut);
  ASSERT_EQ(first.write(keyboardPing), 0);
  const HidRead expected{HidRead::Status::report, longReport({0x11, 0x01, 0x00, 0x1A, 0x04, 0x05, 0xAA})};
  EXPECT_EQ(first.read(1s), expected);
  EXPECT_EQ(second.read(1s), expected);
  EXPECT_EQ(first.write({}), EINVAL);
  EXPECT_EQ(first.write(Bytes(65, 0x11)), EINVAL);
}

TEST(InProcessHidDeviceTest, ClosingDisconnectsReadsAndRefusesWrites) {
  auto world = defaultWorld();
  auto device = std::make_unique<InProcessHidDevice>(world, "host1");
  device->write(keyboardPing);
  device->close();
  EXPECT_EQ(device->read(1s).status, HidRead::Status::disconnected);
  EXPECT_EQ(device->write(keyboardPing), EBADF);
  device->close();
  EXPECT_EQ(world->state()["computers"][0]["clients"], 0);
}

TEST(InProcessHidDeviceTest, ABlockedReaderWakesWhenTheDeviceCloses) {
  auto world = defaultWorld();
  InProcessHidDevice device(world, "host1");
  std::thread reader([&] { EXPECT_EQ(device.read(10s).status, HidRead::Status::disconnected); });
  std::this_thread::sleep_for(20ms);
  device.close();
  reader.join();
}

TEST(InProcessHidDeviceTest, UnreadReportsBeyondSixtyFourAreDropped) {
  auto world = defaultWorld();
  InProcessHidDevice device(world, "host1");
  for (int i = 0; i < 70; ++i) {
    Bytes ping = keyboardPing;
    ping[6] = static_cast<std::uint8_t>(i);
    device.write(ping);
  }
  int received = 0;
  while (device.read(0ms).status == HidRead::Status::report) ++received;
  EXPECT_EQ(received, 64);
}

TEST(InProcessHidDeviceTest, ConcurrentClientsWithLatencyEachGetEveryAnswer) {
  auto world = defaultWorld(RigTiming{1, 1, 0, 0});
  constexpr int clients = 4;
  constexpr int pingsEach = 12;
  std::vector<std::unique_ptr<InProcessHidDevice>> devices;
  for (int i = 0; i < clients; ++i) devices.push_back(std::make_unique<InProcessHidDevice>(world, "host1"));

  std::atomic<bool> failed = false;
  std::array<int, clients> received{};
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      auto& device = *devices[c];
      for (int i = 0; i < pingsEach; ++i) {
        Bytes ping = keyboardPing;
        ping[1] = static_cast<std::uint8_t>(1 + i % 2);
        ping[6] = static_cast<std::uint8_t>(c * pingsEach + i);
        if (device.write(ping) != 0) failed = true;
        // Wait for this client's own answer; others' answers arrive in between.
        while (true) {
          const auto read = device.read(2s);
          if (read.status != HidRead::Status::report) {
            failed = true;
            return;
          }
          ++received[c];
          if (read.bytes[6] == ping[6]) break;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(failed);
  // Every client also received every other client's answers (possibly after its own last one).
  for (int c = 0; c < clients; ++c) {
    while (devices[c]->read(200ms).status == HidRead::Status::report) ++received[c];
    EXPECT_EQ(received[c], clients * pingsEach);
  }
}

TEST(InProcessHidDeviceTest, WorldControlsRaceSafelyWithTraffic) {
  auto world = defaultWorld(RigTiming{0, 0, 1, 1});
  InProcessHidDevice device(world, "host1");
  std::atomic<bool> done = false;
  std::thread reader([&] {
    while (!done) device.read(5ms);
  });
  std::thread writer([&] {
    for (int i = 0; i < 200; ++i) device.write(keyboardPing);
  });
  for (int i = 0; i < 50; ++i) {
    world->switchHost("mouse", 1 + i % 3);
    world->press("keyboard", 0xD1);
    world->release("keyboard", 0xD1);
    world->state();
  }
  writer.join();
  done = true;
  reader.join();
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
