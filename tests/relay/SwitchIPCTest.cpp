#include "platform/dbus/DBusRunningApplications.h"
#include "platform/dbus/SwitchIPC.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <gtest/gtest.h>

#include <unistd.h>

namespace flitbar {
namespace {

TEST(SwitchIPCDecoding, AcceptsOnlyWholeNumbersOneToThree) {
  EXPECT_EQ(SwitchIPC::host({{"host", 2.0}}), 2);
  EXPECT_EQ(SwitchIPC::host({{"host", 1}}), 1);
  EXPECT_EQ(SwitchIPC::host({{"host", 3u}}), 3);
  EXPECT_EQ(SwitchIPC::host({{"host", QVariant::fromValue<uchar>(2)}}), 2);
  EXPECT_EQ(SwitchIPC::host({{"host", QVariant::fromValue<qlonglong>(3)}}), 3);
  for (const QVariant& refused :
       {QVariant(2.5), QVariant(0), QVariant(4), QVariant(-1), QVariant(true), QVariant(QString("2")), QVariant(258),
        QVariant(-0.5), QVariant(1e300), QVariant(std::numeric_limits<double>::quiet_NaN()), QVariant()}) {
    EXPECT_EQ(SwitchIPC::host({{"host", refused}}), std::nullopt) << refused.toString().toStdString();
  }
  EXPECT_EQ(SwitchIPC::host({}), std::nullopt);
  EXPECT_EQ(SwitchIPC::host({{"Host", 2}}), std::nullopt);
}

class ListedApplications : public RunningApplications {
 public:
  std::vector<int> owners;
  std::string asked;
  std::vector<int> processIds(const std::string& bundleIdentifier) override {
    asked = bundleIdentifier;
    return owners;
  }
};

TEST(SwitchIPCDetection, OnlyAnotherProcessCountsAsTheRunningApplication) {
  ListedApplications running;
  SwitchIPC ipc(running, "dev.flitbar.flitbar", 100);
  EXPECT_FALSE(ipc.isGUIRunning());
  EXPECT_EQ(running.asked, "dev.flitbar.flitbar");
  running.owners = {100};
  EXPECT_FALSE(ipc.isGUIRunning()) << "the command's own process";
  running.owners = {100, 250};
  EXPECT_TRUE(ipc.isGUIRunning());
}

// These run on the private session bus the test command provides.
class SwitchIPCOnTheBus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "relay_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }
  void SetUp() override {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "the test command provides a session bus";
  }
};

TEST_F(SwitchIPCOnTheBus, OwningTheNameOurselvesIsNotARunningApplication) {
  const std::string identifier = "dev.flitbar.relaytest.own";
  DBusRunningApplications running;
  SwitchIPC ipc(running, identifier, getpid());
  EXPECT_FALSE(ipc.isGUIRunning());
  ASSERT_TRUE(QDBusConnection::sessionBus().registerService(QString::fromStdString(identifier)));
  EXPECT_EQ(running.processIds(identifier), std::vector<int>{getpid()});
  EXPECT_FALSE(ipc.isGUIRunning());
  QDBusConnection::sessionBus().unregisterService(QString::fromStdString(identifier));
}

}  // namespace
}  // namespace flitbar
