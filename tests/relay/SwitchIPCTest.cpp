#include "platform/dbus/DBusRunningApplications.h"
#include "platform/dbus/SwitchIPC.h"
#include "platform/dbus/SwitchRequestObserver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>

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
  EXPECT_EQ(SwitchIPC::notificationName("dev.flitbar.flitbar"), "dev.flitbar.flitbar.switch-request");
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
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  }

  // Runs the event loop until `done` or two seconds pass.
  template <typename Predicate>
  static bool processEventsUntil(Predicate done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
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

TEST_F(SwitchIPCOnTheBus, ARequestReachesObserversOfItsNameOnly) {
  DBusRunningApplications running;
  std::vector<std::uint8_t> ours;
  std::vector<std::uint8_t> others;
  SwitchRequestObserver observer("dev.flitbar.relaytest", [&](std::uint8_t host) { ours.push_back(host); });
  SwitchRequestObserver stranger("dev.flitbar.other", [&](std::uint8_t host) { others.push_back(host); });
  ASSERT_TRUE(observer.isListening());

  SwitchIPC(running, "dev.flitbar.relaytest", getpid()).send(3);
  EXPECT_TRUE(processEventsUntil([&] { return !ours.empty(); }));
  EXPECT_EQ(ours, std::vector<std::uint8_t>{3});
  EXPECT_TRUE(others.empty());
}

TEST_F(SwitchIPCOnTheBus, InvalidRequestsAreIgnored) {
  std::vector<std::uint8_t> received;
  SwitchRequestObserver observer("dev.flitbar.relaytest", [&](std::uint8_t host) { received.push_back(host); });
  auto bus = QDBusConnection::sessionBus();
  for (const QVariant& host : {QVariant(2.5), QVariant(true), QVariant(2.0)}) {
    auto request = QDBusMessage::createSignal(SwitchIPC::objectPath, SwitchIPC::interfaceName, SwitchIPC::signalName);
    request << QString("dev.flitbar.relaytest.switch-request") << QVariantMap{{"host", host}};
    bus.send(request);
  }
  EXPECT_TRUE(processEventsUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received, std::vector<std::uint8_t>{2}) << "only the 2.0 request decodes";
}

}  // namespace
}  // namespace flitbar
