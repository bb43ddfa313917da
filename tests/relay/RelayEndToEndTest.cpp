#include "platform/dbus/SwitchIPC.h"
#include "support/PrivateBus.h"
#include "support/ProcessRunner.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace flitbar {
namespace {

using testing::PrivateBus;
using testing::RunningProcess;
using testing::runProcess;

// A folder that offers no receiver interface: a command that opened the receiver would fail.
std::string emptyVirtualHid() {
  const auto folder = std::filesystem::temp_directory_path() / ("flitbar-relay-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return folder.string();
}

QDBusMessage requestSwitch(const PrivateBus& bus, const QVariant& host) {
  auto call = QDBusMessage::createMethodCall(FLITBAR_BUNDLE_IDENTIFIER, SwitchIPC::objectPath, SwitchIPC::interfaceName,
                                             "RequestSwitch");
  call << QVariantMap{{"host", host}};
  auto connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "relay-test");
  return connection.call(call, QDBus::Block, 5000);
}

TEST(RelayEndToEnd, SwitchIsAMethodCallOnTheRunningApplication) {
  PrivateBus bus;
  const std::map<std::string, std::string> environment{{"FLITBAR_VIRTUAL_HID", emptyVirtualHid()},
                                                       {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  RunningProcess owner(RELAY_STAND_IN, {}, environment);
  ASSERT_TRUE(owner.waitForOutput("ready\n", std::chrono::seconds(10)));

  const auto refused = runProcess(FLITBAR_EXECUTABLE, {"list"}, environment);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.standardError,
            "error: The Flitbar menubar app is running and owns the receiver. Use `flitbar switch <1|2|3>` for host "
            "changes, or quit Flitbar before direct diagnostics and restore.\n");

  for (const QVariant& host : {QVariant(0), QVariant(4), QVariant(2.5), QVariant(true)}) {
    const auto reply = requestSwitch(bus, host);
    EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.InvalidArgs") << host.toString().toStdString();
  }

  const auto relayed = runProcess(FLITBAR_EXECUTABLE, {"switch", "2"}, environment);
  EXPECT_EQ(relayed.status, 0) << relayed.standardError;
  EXPECT_EQ(relayed.standardOutput, "Requested running Flitbar to switch all capable devices to host 2.\n");
  EXPECT_EQ(relayed.standardError, "");

  const auto outcome = owner.wait(std::chrono::seconds(10));
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.standardOutput, "ready\nhost 2\n") << "the invalid requests must not have switched";
}

TEST(RelayEndToEnd, ARequestFromAnotherUserIsRefusedAndReportedAsNotDelivered) {
  PrivateBus bus;
  const std::map<std::string, std::string> environment{{"FLITBAR_VIRTUAL_HID", emptyVirtualHid()},
                                                       {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  RunningProcess owner(RELAY_STAND_IN, {"foreign"}, environment);
  ASSERT_TRUE(owner.waitForOutput("ready\n", std::chrono::seconds(10)));

  EXPECT_EQ(requestSwitch(bus, 2).errorName(), "org.freedesktop.DBus.Error.AccessDenied");
  const auto relayed = runProcess(FLITBAR_EXECUTABLE, {"switch", "2"}, environment);
  EXPECT_EQ(relayed.status, 1);
  EXPECT_EQ(relayed.standardOutput, "");
  EXPECT_EQ(relayed.standardError, "error: The running Flitbar did not accept the switch request.\n");

  owner.signal(SIGTERM);
  EXPECT_EQ(owner.wait(std::chrono::seconds(10)).standardOutput, "ready\n");
}

TEST(RelayEndToEnd, WithoutASessionBusCommandsRunOnTheirOwn) {
  const std::map<std::string, std::string> environment{
      {"FLITBAR_VIRTUAL_HID", emptyVirtualHid()}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/flitbar-bus"}};
  const auto result = runProcess(FLITBAR_EXECUTABLE, {"switch", "2"}, environment, std::chrono::seconds(20));
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.standardError, "error: No Logitech receiver found. Plug in the Unifying/Bolt dongle.\n");
}

}  // namespace
}  // namespace flitbar
