#include "app/ApplicationFakes.h"
#include "app/FlitbarApplication.h"
#include "config/Settings.h"
#include "panel/PanelContentView.h"
#include "support/FakeProcessViews.h"
#include "support/NullLaunchAtLogin.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleHints>
#include <QTest>

#include <memory>

namespace flitbar {
namespace {

PanelRow row(std::string id, std::vector<std::string>* log, bool withAction = true) {
  PanelRow row;
  row.id = id;
  row.text = id;
  if (withAction) row.action = [log, id] { log->push_back("click " + id); };
  return row;
}

// The row as drawn once the views a rebuild replaced are gone.
PanelRowView* drawnRow(QWidget* panel, const std::string& id) {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
  for (auto* found : panel->findChildren<PanelRowView*>()) {
    if (found->model().id == id) return found;
  }
  return nullptr;
}

class PanelContentViewTest : public ::testing::Test {
 public:
  PanelContentViewTest() {
    PanelRow host = row("host-2", &log);
    host.doubleClickAction = [this] { log.push_back("rename host-2"); };
    PanelRow header = row("hosts", &log, false);
    header.expansion = {{row("host-1", &log)}, {PanelSeparator{}}, {host}};
    entries = {{PanelTitle{"Flitbar"}}, {header}, {row("static", &log, false)}, {row("devices", &log)}};
  }

  void build(PanelAppearance appearance = {}) {
    view = std::make_unique<PanelContentView>([this] { return ++builds, entries; }, [=] { return appearance; });
    view->setOnResize([this](bool animated) { resizes.push_back(animated); });
    view->setPresented(true);
    view->show();
  }

  PanelRowView* rowView(const std::string& id) { return drawnRow(view.get(), id); }

  QPoint inWindow(QWidget* widget) { return widget->mapTo(widget->window(), widget->rect().center()); }

  QApplication& application = test::qtApplication();
  std::vector<PanelEntry> entries;
  std::vector<std::string> log;
  std::unique_ptr<PanelContentView> view;
  int builds = 0;
  std::vector<bool> resizes;
};

TEST_F(PanelContentViewTest, KeyboardSelectionWrapsAndSurvivesRefreshesHeldWhilePressedOrHidden) {
  build(PanelAppearance{true, false});
  view->movePanelSelection(-1);
  EXPECT_EQ(view->selectedRow(), "devices");
  view->movePanelSelection(1);
  EXPECT_EQ(view->selectedRow(), "hosts");
  view->toggleRow("hosts");
  view->movePanelSelection(2);

  const int before = builds;
  QTest::mousePress(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("static")));
  view->refresh();
  EXPECT_EQ(builds, before) << "a row must not vanish under the pointer";
  QTest::mouseRelease(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("static")));
  view->refresh();
  EXPECT_EQ(builds, before + 1);
  EXPECT_TRUE(rowView("host-2")->isKeyboardSelected());
  EXPECT_TRUE(view->activatePanelSelection());
  EXPECT_EQ(log, std::vector<std::string>{"click host-2"});
  view->clearPanelSelection();
  EXPECT_FALSE(view->activatePanelSelection());

  view->setPresented(false);
  view->refresh();
  EXPECT_EQ(builds, before + 1);
  EXPECT_TRUE(view->takeRefreshOwed());
}

TEST_F(PanelContentViewTest, ClicksExpandAtOnceWithReducedAnimationAndADoubleClickRenamesWithoutSwitching) {
  build(PanelAppearance{true, false});
  const int collapsed = view->height();
  QTest::mouseClick(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("hosts")));
  const int expanded = view->height();
  EXPECT_EQ(resizes, std::vector<bool>{false});

  QTest::mouseDClick(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("host-2")));
  QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
  EXPECT_EQ(log, std::vector<std::string>{"rename host-2"});
  QTest::mouseClick(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("host-2")));
  view->refresh();
  QTRY_COMPARE_WITH_TIMEOUT(log.size(), 2u, 10000);
  EXPECT_EQ(log.back(), "click host-2") << "a single click switches once the double-click time is over";

  build();
  view->toggleRow("hosts");
  EXPECT_LT(view->height(), expanded) << "follows the spring";
  QTRY_COMPARE_WITH_TIMEOUT(view->height(), expanded, 10000);
  EXPECT_GT(resizes.size(), 3u);
  view->toggleRow("hosts");
  QTRY_COMPARE_WITH_TIMEOUT(view->height(), collapsed, 10000);
  QTRY_VERIFY_WITH_TIMEOUT(!rowView("host-1"), 10000);
}

// The application's own panel, fed by engine snapshots and steering the engine and the settings.
class CoordinatorPanel : public ::testing::Test {
 public:
  CoordinatorPanel() {
    FlitbarApplication::Parts parts{
        defaults, [this](Logging&) { return std::unique_ptr<ApplicationEngine>(engine = new testing::FakeEngine); },
        [](auto, auto, Logging&) { return std::make_unique<DesktopObservation>(); }};
    coordinator = std::make_unique<FlitbarApplication>(identity, ConfigStore{(folder / "bindings.json").string()},
                                                       applications, processes, parts);
    coordinator->start(context);
    EngineSnapshot snapshot;
    snapshot.lifecycle = EngineSnapshot::Lifecycle::running;
    snapshot.devices = {DeviceInfo{1, "MX Keys", 9, 3, 0, {}, "AA:BB:CC:01", {}, {}}};
    engine->handler(EngineEvent::snapshot(snapshot));
    panel = coordinator->statusPanel(context);
    panel->setPresented(true);
    panel->rebuild();
    panel->toggleRow("hosts");
  }
  ~CoordinatorPanel() override { coordinator->stop(); }

  PanelRow row(const std::string& id) {
    if (auto* drawn = drawnRow(panel, id)) return drawn->model();
    throw std::out_of_range(id);
  }

  QApplication& application = test::qtApplication();
  AppIdentity identity = AppIdentity::running(MainBundle{});
  testing::TemporaryDirectory folder;
  testing::FakeRunningApplications applications;
  testing::FakeProcessTable processes;
  std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
  testing::FakeEngine* engine = nullptr;
  testing::RecordingCenter center;
  testing::RecordingLogger logger;
  NotificationService notifications{identity, *defaults, center, [] { return std::nullopt; }};
  NullLaunchAtLogin launchAtLogin;
  std::shared_ptr<testing::RecordingHost> host = std::make_shared<testing::RecordingHost>();
  ApplicationContext context{identity, logger, notifications, launchAtLogin, host};
  std::unique_ptr<FlitbarApplication> coordinator;
  PanelContentView* panel = nullptr;
};

TEST_F(CoordinatorPanel, HostRowsSwitchTheEngineAndRenameIntoTheSettingsUndisturbedBySnapshots) {
  row("host-2").action();
  ASSERT_EQ(engine->switches.size(), 1u);
  EXPECT_EQ(engine->switches[0].first, 2);

  panel->show();
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
  row("host-3").doubleClickAction();
  QPointer<PanelNameField> field = qobject_cast<PanelNameField*>(QApplication::focusWidget());
  ASSERT_TRUE(field && panel->isEditingField());
  QTest::keyClicks(field, "  Studio ");
  engine->handler(EngineEvent::snapshot(coordinator->snapshot()));
  ASSERT_TRUE(field && field->isVisible());
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(Settings::hostName(3, *defaults), "Studio");
  EXPECT_EQ(row("host-3").text, "Studio");

  row("host-2").doubleClickAction();
  ASSERT_TRUE(row("host-2").editingName);
  panel->cancelFieldEditing();
  EXPECT_FALSE(row("host-2").editingName);
  EXPECT_EQ(Settings::hostName(2, *defaults), std::nullopt);
}

}  // namespace
}  // namespace flitbar
