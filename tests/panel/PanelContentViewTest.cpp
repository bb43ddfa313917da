#include "panel/PanelContentView.h"

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

class PanelContentViewTest : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "panel_tests";
    static char* argv[] = {name, nullptr};
    application = std::make_unique<QApplication>(argc, argv);
  }
  static void TearDownTestSuite() { application.reset(); }
  static inline std::unique_ptr<QApplication> application;

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

  // The row as drawn once the views a rebuild replaced are gone.
  PanelRowView* rowView(const std::string& id) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    for (auto* found : view->findChildren<PanelRowView*>()) {
      if (found->model().id == id) return found;
    }
    return nullptr;
  }

  QPoint inWindow(QWidget* widget) { return widget->mapTo(widget->window(), widget->rect().center()); }

  std::vector<PanelEntry> entries;
  std::vector<std::string> log;
  std::unique_ptr<PanelContentView> view;
  int builds = 0;
  std::vector<bool> resizes;
};

TEST_F(PanelContentViewTest, RefreshIsDroppedWhileAMouseButtonIsHeldAndOwedWhileHidden) {
  build();
  QTest::mousePress(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("static")));
  const int before = builds;
  view->refresh();
  EXPECT_EQ(builds, before);
  QTest::mouseRelease(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("static")));
  view->refresh();
  EXPECT_EQ(builds, before + 1);

  view->setPresented(false);
  view->refresh();
  EXPECT_EQ(builds, before + 1);
  EXPECT_TRUE(view->takeRefreshOwed());
}

TEST_F(PanelContentViewTest, RefreshWaitsWhileANameIsTypedAndCommitsOnReturn) {
  PanelRow editing = row("device-a", &log, false);
  editing.editingName =
      PanelNameEdit{"Old", "MX Keys", [this](const std::string& name) { log.push_back("commit " + name); },
                    [this] { log.push_back("cancel"); }};
  entries.push_back({editing});
  build();
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  auto* field = rowView("device-a")->nameField();
  ASSERT_TRUE(field);
  field->setFocus();
  ASSERT_TRUE(view->isEditingField());
  QTest::keyClicks(field, "2");
  const int before = builds;
  view->refresh();
  EXPECT_EQ(builds, before);

  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_FALSE(view->isEditingField());
  view->refresh();
  EXPECT_EQ(builds, before + 1);

  // Escape on the rebuilt field: the edit ends without a second commit.
  view->cancelFieldEditing();
  rowView("device-a")->nameField()->editingFinished();
  EXPECT_EQ(log, (std::vector<std::string>{"commit 2", "cancel"}));
}

TEST_F(PanelContentViewTest, KeyboardSelectionWrapsAroundAndSurvivesRebuilds) {
  build();
  view->movePanelSelection(-1);
  EXPECT_EQ(view->selectedRow(), "devices");
  view->movePanelSelection(1);
  EXPECT_EQ(view->selectedRow(), "hosts");

  view->toggleRow("hosts");
  view->movePanelSelection(2);
  EXPECT_EQ(view->selectedRow(), "host-2");
  view->refresh();
  EXPECT_TRUE(rowView("host-2")->isKeyboardSelected());
  EXPECT_TRUE(view->activatePanelSelection());
  EXPECT_EQ(log, std::vector<std::string>{"click host-2"});

  view->clearPanelSelection();
  EXPECT_FALSE(view->activatePanelSelection());
}

TEST_F(PanelContentViewTest, DoubleClickRenamesWithoutSwitchingAndASingleClickSwitchesLater) {
  build(PanelAppearance{true, false});
  view->toggleRow("hosts");
  QTest::mouseDClick(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("host-2")));
  EXPECT_EQ(log, std::vector<std::string>{"rename host-2"});

  QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
  EXPECT_EQ(log, std::vector<std::string>{"rename host-2"});

  QTest::mouseClick(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("host-2")));
  QTRY_COMPARE_WITH_TIMEOUT(log.size(), 2u, 10000);
  EXPECT_EQ(log.back(), "click host-2");
}

TEST_F(PanelContentViewTest, WithReducedAnimationAClickOnAHeaderChangesTheHeightInOneStep) {
  build(PanelAppearance{true, false});
  const int collapsed = view->height();
  QTest::mouseClick(view->windowHandle(), Qt::LeftButton, {}, inWindow(rowView("hosts")));
  EXPECT_GT(view->height(), collapsed);
  EXPECT_EQ(resizes, std::vector<bool>{false});
  view->collapseAllRows();
  EXPECT_FALSE(rowView("host-1"));
  EXPECT_EQ(view->height(), collapsed);
}

TEST_F(PanelContentViewTest, AnimatedExpansionGrowsFrameByFrameAndCollapsesBack) {
  build(PanelAppearance{true, false});
  const int collapsed = view->height();
  view->toggleRow("hosts");
  const int expanded = view->height();
  view->toggleRow("hosts");

  build();
  view->toggleRow("hosts");
  EXPECT_LT(view->height(), expanded);
  QTRY_COMPARE_WITH_TIMEOUT(view->height(), expanded, 10000);
  EXPECT_GT(resizes.size(), 2u);

  view->toggleRow("hosts");
  QTRY_COMPARE_WITH_TIMEOUT(view->height(), collapsed, 10000);
  QTRY_VERIFY_WITH_TIMEOUT(!rowView("host-1"), 10000);
}

}  // namespace
}  // namespace flitbar
