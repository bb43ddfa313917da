#include "app/ApplicationWorld.h"
#include "config/Settings.h"
#include "panel/PanelContentView.h"
#include "support/Builders.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleHints>
#include <QTest>

#include <memory>

namespace flitbar {
namespace {

using namespace flitbar::testing;

// The application's own panel with its hosts listed, fed by engine snapshots and steering the
// engine and the settings.
class PanelContentViewTest : public ::testing::Test, public ApplicationWorld {
 public:
  PanelContentViewTest() {
    coordinator = start();
    publish();
    panel = coordinator->statusPanel(context);
    panel->setPresented(true);
    panel->toggleRow("hosts");
    // A rebuild draws the expansion at its full height at once, so every row is where it will stay.
    panel->rebuild();
    panel->show();
  }
  ~PanelContentViewTest() override { coordinator->stop(); }

  void publish() { engine->handler(EngineEvent::snapshot(runningWith({named(device(1, 3, 0, "AA:BB"), "MX Keys")}))); }

  // The row as drawn once the views a rebuild replaced are gone.
  PanelRowView* drawn(const std::string& id) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    for (auto* found : panel->findChildren<PanelRowView*>()) {
      if (found->model().id == id) return found;
    }
    return nullptr;
  }
  QPoint at(const std::string& id) { return drawn(id)->mapTo(panel, drawn(id)->rect().center()); }

  QApplication& application = test::qtApplication();
  std::unique_ptr<FlitbarApplication> coordinator;
  PanelContentView* panel = nullptr;
};

TEST_F(PanelContentViewTest, ADoubleClickRenamesUndisturbedBySnapshotsAndAClickSwitches) {
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
  QTest::mouseDClick(panel->windowHandle(), Qt::LeftButton, {}, at("host-3"));
  QPointer<PanelNameField> field = qobject_cast<PanelNameField*>(QApplication::focusWidget());
  ASSERT_TRUE(field && panel->isEditingField());
  QTest::keyClicks(field, "  Studio ");
  publish();
  ASSERT_TRUE(field && field->isVisible()) << "a snapshot must not replace the field being typed in";
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(Settings::hostName(3, *defaults), "Studio");
  QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
  EXPECT_TRUE(engine->switches.empty()) << "a double click does not also switch";

  QTest::mouseClick(panel->windowHandle(), Qt::LeftButton, {}, at("host-2"));
  QTRY_COMPARE_WITH_TIMEOUT(engine->switches.size(), 1u, 10000);
  EXPECT_EQ(engine->switches[0].first, 2);
}

TEST_F(PanelContentViewTest, KeyboardSelectionWrapsAndRefreshesWaitWhilePressedOrHidden) {
  panel->movePanelSelection(-1);
  panel->movePanelSelection(3);  // from the last row round to the third

  QPointer<PanelRowView> pressed = drawn("host-1");
  QTest::mousePress(panel->windowHandle(), Qt::LeftButton, {}, at("host-1"));
  panel->refresh();
  EXPECT_EQ(drawn("host-1"), pressed) << "a row must not vanish under the pointer";
  QTest::mouseRelease(panel->windowHandle(), Qt::LeftButton, {}, at("host-1"));
  panel->refresh();
  EXPECT_NE(drawn("host-1"), pressed);
  EXPECT_TRUE(panel->activatePanelSelection()) << "the selection outlives the refresh";
  EXPECT_EQ(engine->switches.at(0).first, 2);

  panel->setPresented(false);
  panel->refresh();
  EXPECT_TRUE(panel->takeRefreshOwed());
}

}  // namespace
}  // namespace flitbar
