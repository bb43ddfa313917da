#include "shell/StatusPanelController.h"
#include "shell/StatusPanelFieldEditing.h"
#include "shell/StatusPanelKeyboardNavigable.h"
#include "shell/StatusPanelPresentable.h"
#include "support/QtTestApplication.h"

#include <QKeyEvent>
#include <QVariantAnimation>
#include <QWidget>

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using test::waitUntil;

struct RecordingContent : QWidget, StatusPanelPresentable, StatusPanelKeyboardNavigable, StatusPanelFieldEditing {
  bool presented = false;
  bool refreshOwed = false;
  bool expanded = false;
  int rebuilds = 0;
  int selectionClears = 0;
  int moved = 0;

  RecordingContent() { setMinimumSize(200, 100); }
  void setPresented(bool shown) override { presented = shown; }
  bool isPresented() const override { return presented; }
  bool takeRefreshOwed() override { return std::exchange(refreshOwed, false); }
  void rebuild() override { ++rebuilds; }
  void movePanelSelection(int step) override { moved += step; }
  bool activatePanelSelection() override { return false; }
  void clearPanelSelection() override { ++selectionClears; }
  bool hasExpandedRows() const override { return expanded; }
  void collapseAllRows() override {
    expanded = false;
    ++rebuilds;
  }
  bool isEditingField() const override { return false; }
  void cancelFieldEditing() override {}
};

class StatusPanelControllerTest : public ::testing::Test {
 protected:
  QApplication& application = test::qtApplication();
  StatusPanelController::Style fading{false, false, std::chrono::milliseconds(60)};
  StatusPanelController::Style instant{false, true, std::chrono::milliseconds(60)};
  RecordingContent content;
  const QRect anchor{600, 0, 22, 22};
};

TEST_F(StatusPanelControllerTest, ShowingAgainDuringTheFadeKeepsThePanelOpen) {
  StatusPanelController panel(fading);
  panel.show(&content, anchor);
  panel.hide();
  ASSERT_TRUE(panel.isVisible());
  panel.show(&content, anchor);
  auto* fade = panel.findChild<QVariantAnimation*>();
  ASSERT_NE(fade, nullptr);
  ASSERT_TRUE(waitUntil([&] { return fade->state() == QAbstractAnimation::Stopped; }));
  QApplication::processEvents();
  EXPECT_TRUE(panel.isVisible());
  EXPECT_DOUBLE_EQ(panel.window().windowOpacity(), 1.0);
  EXPECT_TRUE(content.presented);
}

TEST_F(StatusPanelControllerTest, AFinishedHideLeavesTheContentUnpresentedCollapsedAndUnselected) {
  StatusPanelController panel(fading);
  content.refreshOwed = true;
  panel.show(&content, anchor);
  EXPECT_TRUE(content.presented);
  EXPECT_EQ(content.rebuilds, 1) << "a refresh owed while hidden is collected on show";
  content.expanded = true;
  panel.hide();
  EXPECT_FALSE(content.presented);
  EXPECT_EQ(content.selectionClears, 1);
  ASSERT_TRUE(waitUntil([&] { return !panel.isVisible(); }));
  EXPECT_FALSE(content.expanded);
  EXPECT_DOUBLE_EQ(panel.window().windowOpacity(), 1.0);
}

TEST_F(StatusPanelControllerTest, KeysReachTheContentAndEscapeCloses) {
  StatusPanelController panel(instant);
  panel.show(&content, anchor);
  QWidget* receiver = QApplication::focusWidget() ? QApplication::focusWidget() : &panel.window();
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(receiver, &down);
  EXPECT_EQ(content.moved, 1);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(receiver, &escape);
  EXPECT_FALSE(panel.isVisible()) << "with reduced motion the panel goes at once";
}

TEST_F(StatusPanelControllerTest, ThePanelKeepsItsGroundInsideTheScreen) {
  StatusPanelController panel(instant);
  panel.show(&content, QRect(10000, 0, 22, 22));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(panel.window().geometry().right(), screen.right() - 8);
  EXPECT_GE(panel.window().width(), 200);
}

}  // namespace
}  // namespace flitbar
