#include "shell/TrayAvailability.h"
#include "support/QtTestApplication.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace flitbar {
namespace {

using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;
using test::waitUntil;

const QString watcherService = u"org.kde.StatusNotifierWatcher"_s;

// Asks the bus as a desktop's panel would, with the event loop running meanwhile.
QString busCall(const QString& service, const QString& path, const QString& method, const QStringList& arguments) {
  QProcess dbusSend;
  dbusSend.start(u"dbus-send"_s,
                 QStringList{u"--session"_s, u"--print-reply"_s, "--dest=" + service, path, method} + arguments);
  EXPECT_TRUE(waitUntil([&] { return dbusSend.state() == QProcess::NotRunning; })) << method.toStdString();
  return QString::fromUtf8(dbusSend.readAllStandardOutput());
}

QString property(const QString& service, const QString& path, const QString& interface, const QString& name) {
  return busCall(service, path, u"org.freedesktop.DBus.Properties.Get"_s, {"string:" + interface, "string:" + name});
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
    waitUntil(
        [&] {
          item = firstMatch(u"string \"([^\"]+)\""_s, property(watcherService, u"/StatusNotifierWatcher"_s,
                                                               watcherService, u"RegisteredStatusNotifierItems"_s));
          return !item.isEmpty();
        },
        30000);
    return item;
  }

 private:
  QProcess process_;
};

// Top-level windows on screen, as the X server sees them.
int viewableWindows() {
  xcb_connection_t* x = xcb_connect(nullptr, nullptr);
  xcb_query_tree_reply_t* tree =
      xcb_query_tree_reply(x, xcb_query_tree(x, xcb_setup_roots_iterator(xcb_get_setup(x)).data->root), nullptr);
  int viewable = 0;
  for (int i = 0; tree && i < xcb_query_tree_children_length(tree); ++i) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, xcb_query_tree_children(tree)[i]), nullptr);
    if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) ++viewable;
    std::free(attributes);
  }
  std::free(tree);
  xcb_disconnect(x);
  return viewable;
}

// The built application on the test's private display and bus, with a home of its own, started once
// the desktop's tray is there.
TEST(FlitbarOnADesktop, TheIconServesItsToolTipMenuAndClicksAndQuitEndsTheApplication) {
  test::qtApplication();
  WatcherProcess watcher;
  ASSERT_TRUE(watcher.start());
  QTemporaryDir home;
  QProcess flitbar;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"}) {
    environment.insert(QString::fromUtf8(variable), home.path() + "/" + variable);
  }
  flitbar.setProcessEnvironment(environment);
  flitbar.setProcessChannelMode(QProcess::ForwardedChannels);
  flitbar.start(QStringLiteral(FLITBAR_EXECUTABLE), {});

  const QString item = watcher.registeredItem();
  ASSERT_FALSE(item.isEmpty());
  const QString itemPath = u"/StatusNotifierItem"_s;
  const QString sni = u"org.kde.StatusNotifierItem"_s;
  EXPECT_TRUE(property(item, itemPath, sni, u"ToolTip"_s).contains("\"Flitbar"));

  const QString menuPath = firstMatch(u"object path \"([^\"]+)\""_s, property(item, itemPath, sni, u"Menu"_s));
  const QString layout =
      busCall(item, menuPath, u"com.canonical.dbusmenu.GetLayout"_s, {u"int32:0"_s, u"int32:-1"_s, u"array:string:"_s});

  const QStringList atOrigin{u"int32:0"_s, u"int32:0"_s};
  busCall(item, itemPath, u"org.kde.StatusNotifierItem.Activate"_s, atOrigin);
  EXPECT_TRUE(waitUntil([] { return viewableWindows() == 1; })) << "a left click opens the panel";
  busCall(item, itemPath, u"org.kde.StatusNotifierItem.Activate"_s, atOrigin);
  EXPECT_TRUE(waitUntil([] { return viewableWindows() == 0; })) << "a second one closes it";

  // The id of the node whose own properties carry the label, not crossing into the next node.
  const QString quitId = firstMatch(u"int32 (\\d+)\\s+array \\[((?!int32).)*\"Quit Flitbar\""_s, layout);
  ASSERT_FALSE(quitId.isEmpty());
  busCall(item, menuPath, u"com.canonical.dbusmenu.Event"_s,
          {"int32:" + quitId, u"string:clicked"_s, u"variant:int32:0"_s, u"uint32:0"_s});
  ASSERT_TRUE(waitUntil([&] { return flitbar.state() == QProcess::NotRunning; }));
  EXPECT_EQ(flitbar.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(flitbar.exitCode(), 0);
}

TEST(TrayAvailabilityTest, WithoutAnyTrayItSaysSoOnceAndStillTakesAWatcherThatComesLater) {
  test::qtApplication();
  TrayAvailability availability(QDBusConnection::sessionBus(), 50ms, [] { return false; });
  int missing = 0;
  QObject::connect(&availability, &TrayAvailability::missing, [&] { ++missing; });
  availability.start();
  ASSERT_TRUE(waitUntil([&] { return missing == 1; }));
  WatcherProcess watcher;
  ASSERT_TRUE(watcher.start());
  EXPECT_TRUE(waitUntil([&] { return availability.isReady(); }));
  EXPECT_EQ(missing, 1);
}

}  // namespace
}  // namespace flitbar
