#include "shell/StatusItem.h"
#include "shell/StatusItemContextMenu.h"
#include "shell/StatusPanelController.h"
#include "shell/TrayAvailability.h"
#include "support/QtTestApplication.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMenu>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

namespace flitbar {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

// The desktop panel's tray, as a process of its own on the test's session bus.
class WatcherProcess {
 public:
  ~WatcherProcess() {
    process_.terminate();
    process_.waitForFinished();
  }
  bool start() {
    process_.start(QStringLiteral(FAKE_STATUS_NOTIFIER_WATCHER), {});
    return waitUntil([] {
      return QDBusConnection::sessionBus()
          .interface()
          ->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"))
          .value();
    });
  }
  // The first item registered with it, once there is one.
  QString registeredItem() {
    QString item;
    waitUntil([&] {
      QDBusMessage get = QDBusMessage::createMethodCall(
          QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
          QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
      get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("RegisteredStatusNotifierItems");
      QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(get);
      waitUntil([&] { return pending.isFinished(); });
      item = pending.reply().arguments().value(0).value<QDBusVariant>().variant().toStringList().value(0);
      return !item.isEmpty();
    });
    return item;
  }

 private:
  QProcess process_;
};

// Reads the item as a desktop's panel would, on a connection of its own.
class PanelProbe {
 public:
  explicit PanelProbe(QString item) : item_(std::move(item)) {}
  ~PanelProbe() { QDBusConnection::disconnectFromBus(QStringLiteral("probe")); }

  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(item_, path, interface, method);
    message.setArguments(arguments);
    // Asynchronous: the item answers from this very thread's event loop.
    QDBusPendingCall pending = bus_.asyncCall(message);
    EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); })) << method.toStdString();
    return pending.reply();
  }
  QVariant itemProperty(const QString& name) {
    const QDBusMessage reply = call(itemPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                    {QStringLiteral("org.kde.StatusNotifierItem"), name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
  }
  // Menu labels and their ids, walking the whole com.canonical.dbusmenu layout.
  std::map<QString, int> menuEntries() {
    const QString menu = itemProperty(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    const QDBusMessage reply =
        call(menu, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"), {0, -1, QStringList()});
    std::map<QString, int> entries;
    collect(reply.arguments().value(1).value<QDBusArgument>(), entries);
    return entries;
  }
  void clickMenuEntry(int id) {
    const QString menu = itemProperty(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    call(menu, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
         {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
  }

  static inline const QString itemPath = QStringLiteral("/StatusNotifierItem");

 private:
  static void collect(const QDBusArgument& node, std::map<QString, int>& entries) {
    int id = 0;
    QVariantMap properties;
    node.beginStructure();
    node >> id >> properties;
    if (properties.contains(QStringLiteral("label")))
      entries[properties.value(QStringLiteral("label")).toString()] = id;
    node.beginArray();
    while (!node.atEnd()) {
      QDBusVariant child;
      node >> child;
      collect(child.variant().value<QDBusArgument>(), entries);
    }
    node.endArray();
    node.endStructure();
  }

  QString item_;
  QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("probe"));
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
    if (panel.isVisible()) {
      panel.hide();
    } else {
      panel.show(&content, item->geometry().value_or(QRect(QCursor::pos(), QSize(1, 1))));
    }
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
  PanelProbe probe(watcher.registeredItem());

  const QDBusArgument toolTip = probe.itemProperty(QStringLiteral("ToolTip")).value<QDBusArgument>();
  QString iconName, title, description;
  toolTip.beginStructure();
  toolTip >> iconName;
  toolTip.beginArray();
  while (!toolTip.atEnd()) {
    int width = 0, height = 0;
    QByteArray pixels;
    toolTip.beginStructure();
    toolTip >> width >> height >> pixels;
    toolTip.endStructure();
  }
  toolTip.endArray();
  toolTip >> title >> description;
  toolTip.endStructure();
  EXPECT_TRUE((title + description).contains(QStringLiteral("2 devices on this computer"))) << title.toStdString();

  const auto entries = probe.menuEntries();
  for (const char* label :
       {"Open Flitbar", "Launch at Login", "Enable Notifications", "Hide Tray Icon", "About Flitbar", "Quit Flitbar"}) {
    EXPECT_TRUE(entries.contains(QString::fromUtf8(label))) << label;
  }

  content.setMinimumSize(200, 80);
  probe.call(PanelProbe::itemPath, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), {0, 0});
  EXPECT_TRUE(waitUntil([&] { return panel.isVisible(); })) << "a left click opens the panel";
  probe.call(PanelProbe::itemPath, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), {0, 0});
  EXPECT_TRUE(waitUntil([&] { return !panel.isVisible(); })) << "a second one closes it";

  ASSERT_TRUE(entries.contains(QStringLiteral("Quit Flitbar")));
  probe.clickMenuEntry(entries.at(QStringLiteral("Quit Flitbar")));
  EXPECT_TRUE(waitUntil([&] { return quitRequested; }));
}

TEST_F(TrayTest, AWatcherThatStartsLateStillGetsTheItem) {
  QTimer::singleShot(3s, [this] { ASSERT_TRUE(watcher.start()); });
  waitForTray(60s);
  EXPECT_FALSE(watcher.registeredItem().isEmpty());
}

TEST(TrayAvailabilityTest, WithoutAnyTrayItSaysSoOnceAndStillTakesAWatcherThatComesLater) {
  test::qtApplication();
  TrayAvailability availability(QDBusConnection::sessionBus(), 50ms, [] { return false; });
  int missing = 0;
  QObject::connect(&availability, &TrayAvailability::missing, [&] { ++missing; });
  availability.start();
  ASSERT_TRUE(waitUntil([&] { return missing == 1; }));
  EXPECT_FALSE(availability.isReady());
  WatcherProcess watcher;
  ASSERT_TRUE(watcher.start());
  EXPECT_TRUE(waitUntil([&] { return availability.isReady(); }));
  EXPECT_EQ(missing, 1);
}

TEST(TrayAvailabilityTest, AnX11TrayIsTakenWhenNoWatcherCame) {
  test::qtApplication();
  TrayAvailability availability(QDBusConnection::sessionBus(), 50ms, [] { return true; });
  bool missing = false;
  QObject::connect(&availability, &TrayAvailability::missing, [&] { missing = true; });
  availability.start();
  EXPECT_TRUE(waitUntil([&] { return availability.isReady(); }));
  EXPECT_FALSE(missing);
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
