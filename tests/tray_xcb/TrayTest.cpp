#include "shell/StatusItem.h"
#include "shell/StatusItemContextMenu.h"
#include "shell/StatusPanelController.h"
#include "shell/TrayAvailability.h"
#include "support/QtTestApplication.h"

#include <QDBusConnectionInterface>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// Asks the bus as a desktop's panel would. The event loop keeps running meanwhile, because the item
// answers from this very thread.
QString busCall(const QString& service, const QString& path, const QString& method, const QStringList& arguments) {
  QProcess dbusSend;
  dbusSend.start(QStringLiteral("dbus-send"), QStringList{QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                                          "--dest=" + service, path, method} +
                                                  arguments);
  EXPECT_TRUE(waitUntil([&] { return dbusSend.state() == QProcess::NotRunning; })) << method.toStdString();
  return QString::fromUtf8(dbusSend.readAllStandardOutput());
}

QString property(const QString& service, const QString& path, const QString& interface, const QString& name) {
  return busCall(service, path, QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                 {"string:" + interface, "string:" + name});
}

QString firstMatch(const QString& pattern, const QString& text) {
  return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(text).captured(1);
}

// The desktop panel's tray, as a process of its own on the test's session bus.
class WatcherProcess {
 public:
  ~WatcherProcess() {
    process_.terminate();
    process_.waitForFinished();
  }
  bool start() {
    process_.start(QStringLiteral(FAKE_STATUS_NOTIFIER_WATCHER), {});
    return waitUntil(
        [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(watcherService).value(); });
  }
  QString registeredItem() {
    QString item;
    waitUntil([&] {
      item = firstMatch(QStringLiteral("string \"([^\"]+)\""),
                        property(watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService,
                                 QStringLiteral("RegisteredStatusNotifierItems")));
      return !item.isEmpty();
    });
    return item;
  }

 private:
  QProcess process_;
};

// The tray pieces as the host puts them together: an item, its menu and the panel it toggles.
class TrayTest : public ::testing::Test {
 protected:
  QApplication& application = test::qtApplication();

  void waitForTray(std::chrono::milliseconds patience) {
    TrayAvailability availability(QDBusConnection::sessionBus(), patience, [] { return false; });
    availability.start();
    ASSERT_TRUE(waitUntil([&] { return availability.isReady(); }, 30000));
    item = std::make_unique<StatusItem>(menu);
    StatusItemContextMenu::build(
        menu, QStringLiteral("Flitbar"),
        {{"Launch at Login", true, true, [] {}}, {"Enable Notifications", false, true, [] {}}},
        {[this] { togglePanel(); }, [this] { item->setVisible(false); }, [] {}, [this] { quitRequested = true; }});
    QObject::connect(item.get(), &StatusItem::clicked, [this] { togglePanel(); });
    item->setToolTip(QStringLiteral("Flitbar: 2 devices on this computer"));
    item->setVisible(true);
  }
  void togglePanel() {
    if (panel.isVisible()) return panel.hide();
    panel.show(&content, item->geometry().value_or(QRect(QCursor::pos(), QSize(1, 1))));
  }

  WatcherProcess watcher;
  QMenu menu;
  std::unique_ptr<StatusItem> item;
  QWidget content;
  StatusPanelController panel{{false, true, 0ms}};
  bool quitRequested = false;
};

TEST_F(TrayTest, TheItemRegistersAndServesItsToolTipMenuAndClicks) {
  ASSERT_TRUE(watcher.start());
  waitForTray(10s);
  const QString service = watcher.registeredItem();
  const QString itemPath = QStringLiteral("/StatusNotifierItem");
  const QString sni = QStringLiteral("org.kde.StatusNotifierItem");
  EXPECT_TRUE(property(service, itemPath, sni, QStringLiteral("ToolTip")).contains("2 devices on this computer"));

  const QString menuPath =
      firstMatch(QStringLiteral("object path \"([^\"]+)\""), property(service, itemPath, sni, QStringLiteral("Menu")));
  const QString layout =
      busCall(service, menuPath, QStringLiteral("com.canonical.dbusmenu.GetLayout"),
              {QStringLiteral("int32:0"), QStringLiteral("int32:-1"), QStringLiteral("array:string:")});
  for (const char* label :
       {"Open Flitbar", "Launch at Login", "Enable Notifications", "Hide Tray Icon", "About Flitbar", "Quit Flitbar"}) {
    EXPECT_TRUE(layout.contains(QStringLiteral("\"%1\"").arg(QString::fromUtf8(label)))) << label;
  }

  content.setMinimumSize(200, 80);
  busCall(service, itemPath, sni + ".Activate", {QStringLiteral("int32:0"), QStringLiteral("int32:0")});
  EXPECT_TRUE(waitUntil([&] { return panel.isVisible(); })) << "a left click opens the panel";
  busCall(service, itemPath, sni + ".Activate", {QStringLiteral("int32:0"), QStringLiteral("int32:0")});
  EXPECT_TRUE(waitUntil([&] { return !panel.isVisible(); })) << "a second one closes it";

  // The id of the node whose own properties carry the label, not crossing into the next node.
  const QString quitId = firstMatch(QStringLiteral("int32 (\\d+)\\s+array \\[((?!int32).)*\"Quit Flitbar\""), layout);
  ASSERT_FALSE(quitId.isEmpty());
  busCall(service, menuPath, QStringLiteral("com.canonical.dbusmenu.Event"),
          {"int32:" + quitId, QStringLiteral("string:clicked"), QStringLiteral("variant:int32:0"),
           QStringLiteral("uint32:0")});
  EXPECT_TRUE(waitUntil([&] { return quitRequested; }));
}

TEST_F(TrayTest, AWatcherThatStartsLateStillGetsTheItem) {
  QTimer::singleShot(3s, [this] { ASSERT_TRUE(watcher.start()); });
  waitForTray(60s);
  EXPECT_FALSE(watcher.registeredItem().isEmpty());
}

TEST(TrayAvailabilityTest, WithoutAWatcherItFallsBackToAnX11TrayOrSaysOnceThereIsNone) {
  test::qtApplication();
  for (const bool legacyTray : {true, false}) {
    TrayAvailability availability(QDBusConnection::sessionBus(), 50ms, [legacyTray] { return legacyTray; });
    int missing = 0;
    QObject::connect(&availability, &TrayAvailability::missing, [&] { ++missing; });
    availability.start();
    ASSERT_TRUE(waitUntil([&] { return availability.isReady() || missing > 0; }));
    EXPECT_EQ(availability.isReady(), legacyTray);
    if (legacyTray) continue;
    WatcherProcess watcher;
    ASSERT_TRUE(watcher.start());
    EXPECT_TRUE(waitUntil([&] { return availability.isReady(); })) << "a watcher that comes later is still taken";
    EXPECT_EQ(missing, 1);
  }
}

TEST(StatusItemTest, AnOlderFlashTimerNeverClearsANewerFlash) {
  test::qtApplication();
  QMenu menu;
  StatusItem item(menu);
  item.flash(QStringLiteral("2"), 0ms);
  item.flash(QStringLiteral("3"), 1h);
  bool olderTimerDue = false;
  QTimer::singleShot(0ms, [&] { olderTimerDue = true; });
  ASSERT_TRUE(waitUntil([&] { return olderTimerDue; }));
  EXPECT_EQ(item.flashText(), QStringLiteral("3"));
  item.flash(QStringLiteral("1"), 0ms);
  EXPECT_TRUE(waitUntil([&] { return item.flashText().isEmpty(); })) << "the newest flash clears on its own timer";
}

}  // namespace
}  // namespace flitbar
