// Every receiver operation under every fault the virtual receiver can inject: none crashes, each
// ends within a generous deadline, and a control diverted before the fault does not stay
// diverted while its device can still be reached.
#include "engine/RestoreCoordinator.h"
#include "protocol/HIDPPError.h"
#include "support/VirtualDesk.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>

namespace flitbar::testing {
namespace {

using namespace std::chrono_literals;
using virtualhid::ResponseFault;
using virtualhid::VirtualWorld;

// Far beyond any bound the code keeps; only a hang runs into it.
constexpr auto deadline = 60s;
constexpr std::uint16_t mouseControl = 0x00C4;

struct Fault {
  const char* name;
  std::function<void(VirtualWorld&)> apply;
  bool mouseReachable;
};

const Fault faults[] = {
    {"silent_device", [](VirtualWorld& world) { world.setSilentDevice("mouse", true); }, false},
    {"silent_receiver", [](VirtualWorld& world) { world.setSilentReceiver("host1", true); }, false},
    {"error_frames", [](VirtualWorld& world) { world.setFeatureError("mouse", 0x1814, 0x05); }, true},
    {"late", [](VirtualWorld& world) { world.holdNextAnswer("host1", 3); }, true},
    {"dropped", [](VirtualWorld& world) { world.addResponseFault("host1", ResponseFault::drop, 3); }, true},
    {"malformed", [](VirtualWorld& world) { world.addResponseFault("host1", ResponseFault::malformed, 3); }, true},
    {"oversized", [](VirtualWorld& world) { world.addResponseFault("host1", ResponseFault::oversized, 3); }, true},
    {"receiver_gone", [](VirtualWorld& world) { world.unplug("host1"); }, false},
};

// Runs `body` on a thread of its own; HID++ errors are an allowed outcome, a hang is not.
void endsInTime(const char* operation, const std::function<void()>& body) {
  auto running = std::async(std::launch::async, [&] {
    try {
      body();
    } catch (const HIDPPError&) {
    }
  });
  ASSERT_EQ(running.wait_for(deadline), std::future_status::ready) << operation << " hung";
  running.get();
}

class FaultMatrix : public ::testing::TestWithParam<Fault> {};

TEST_P(FaultMatrix, OperationsEndInTimeAndReleaseWhatIsReachable) {
  const VirtualDesk desk;
  auto session = desk.open();
  ASSERT_EQ(session.devices.size(), 2u);
  const auto& mouse = session.devices[1];
  session.session->setDivert(mouse.index, *mouse.reprogFeature, mouseControl, true);
  ASSERT_TRUE(desk.diverted("mouse", mouseControl));

  GetParam().apply(*desk.world);
  endsInTime("restore", [&] {
    const auto report = RestoreCoordinator::restore(
        *session.session, session.devices, [] { return false; }, 10ms);
    EXPECT_EQ(report.devices.size(), 2u);
  });
  if (GetParam().mouseReachable) {
    EXPECT_FALSE(desk.diverted("mouse", mouseControl)) << "restore left the control diverted";
  }
  endsInTime("connect", [&] { desk.open().session->stop(); });
  endsInTime("switch", [&] { session.session->setHostMulti({{mouse.index, *mouse.changeHostFeature}}, 1); });
  auto stopping = std::async(std::launch::async, [&] { session.session->stop(); });
  EXPECT_EQ(stopping.wait_for(deadline), std::future_status::ready) << "stop hung";
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(faults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace flitbar::testing
