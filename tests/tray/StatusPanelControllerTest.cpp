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
  bool presented = false, refreshOwed = false, expanded = false, editing = false;
  int rebuilds = 0, selectionClears = 0, cancelledEdits = 0;

  RecordingContent() { setMinimumSize(200, 100); }
  void setPresented(bool shown) override { presented = shown; }
  bool isPresented() const override { return presented; }
  bool takeRefreshOwed() override { return std::exchange(refreshOwed, false); }
  void rebuild() override { ++rebuilds; }
  void movePanelSelection(int) override {}
  bool activatePanelSelection() override { return false; }
  void clearPanelSelection() override { ++selectionClears; }
  bool hasExpandedRows() const override { return expanded; }
  void collapseAllRows() override { expanded = false; }
  bool isEditingField() const override { return editing; }
  void cancelFieldEditing() override { ++cancelledEdits; }
};

class StatusPanelControllerTest : public ::testing::Test {
 protected:
  QApplication& application = test::qtApplication();
  RecordingContent content;
  const QRect anchor{600, 0, 22, 22};
};

TEST_F(StatusPanelControllerTest,
       EscapeCancelsEditingAndAFinishedHideLeavesTheContentUnpresentedCollapsedAndUnselected) {
  StatusPanelController panel({false, false, std::chrono::milliseconds(60)});
  content.refreshOwed = true;
  panel.show(&content, QRect(10000, 0, 22, 22));
  EXPECT_EQ(content.rebuilds, 1) << "a refresh owed while hidden is collected on show";
  EXPECT_EQ(panel.window().geometry().right(), QGuiApplication::primaryScreen()->availableGeometry().right() - 8)
      << "an anchor beyond the screen still opens the panel inside it";
  content.editing = true;
  content.expanded = true;
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : &panel.window(), &escape);
  EXPECT_EQ(content.cancelledEdits, 1) << "Escape gives up a name being edited as it closes";
  EXPECT_FALSE(content.presented);
  EXPECT_EQ(content.selectionClears, 1);

  panel.show(&content, anchor);
  auto* fade = panel.findChild<QVariantAnimation*>();
  ASSERT_TRUE(waitUntil([&] { return fade->state() == QAbstractAnimation::Stopped; }));
  QApplication::processEvents();
  EXPECT_TRUE(panel.isVisible()) << "showing again during the fade keeps the panel open";
  EXPECT_TRUE(content.presented && content.expanded);

  panel.hide();
  ASSERT_TRUE(waitUntil([&] { return !panel.isVisible(); }));
  EXPECT_FALSE(content.expanded);
  EXPECT_DOUBLE_EQ(panel.window().windowOpacity(), 1.0);
}

}  // namespace
}  // namespace flitbar
