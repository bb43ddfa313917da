#include "shell/StatusPanelFieldEditing.h"
#include "shell/StatusPanelKeyboardNavigable.h"
#include "shell/StatusPanelKeys.h"

#include <gtest/gtest.h>

#include <Qt>

namespace flitbar {
namespace {

struct RecordingContent : StatusPanelFieldEditing, StatusPanelKeyboardNavigable {
  bool editing = false;
  bool selectionHandles = false;
  int cancelled = 0;
  int moved = 0;
  int activated = 0;

  bool isEditingField() const override { return editing; }
  void cancelFieldEditing() override { ++cancelled; }
  void movePanelSelection(int step) override { moved += step; }
  bool activatePanelSelection() override {
    ++activated;
    return selectionHandles;
  }
  void clearPanelSelection() override {}
  bool hasExpandedRows() const override { return false; }
  void collapseAllRows() override {}
};

using Outcome = StatusPanelKeys::Outcome;

struct KeyCase {
  const char* situation;
  int key;
  bool editing;
  bool selectionHandles;
  Outcome outcome;
  int cancelled;
  int moved;
  int activated;
};

TEST(StatusPanelKeysTest, RoutesEachKeyToTheFieldTheSelectionOrTheWindow) {
  const KeyCase cases[] = {
      {"escape while renaming abandons the name and closes", Qt::Key_Escape, true, false, Outcome::closePanel, 1, 0, 0},
      {"return while renaming belongs to the field", Qt::Key_Return, true, true, Outcome::passOn, 0, 0, 0},
      {"down while renaming belongs to the field", Qt::Key_Down, true, false, Outcome::passOn, 0, 0, 0},
      {"escape closes", Qt::Key_Escape, false, false, Outcome::closePanel, 0, 0, 0},
      {"return activates a selection that handles it", Qt::Key_Return, false, true, Outcome::consumed, 0, 0, 1},
      {"keypad enter activates too", Qt::Key_Enter, false, true, Outcome::consumed, 0, 0, 1},
      {"return nothing handles passes on", Qt::Key_Return, false, false, Outcome::passOn, 0, 0, 1},
      {"down moves forward", Qt::Key_Down, false, false, Outcome::consumed, 0, 1, 0},
      {"up moves back", Qt::Key_Up, false, false, Outcome::consumed, 0, -1, 0},
      {"a letter passes on", Qt::Key_A, false, false, Outcome::passOn, 0, 0, 0},
  };
  for (const KeyCase& c : cases) {
    RecordingContent content;
    content.editing = c.editing;
    content.selectionHandles = c.selectionHandles;
    EXPECT_EQ(StatusPanelKeys::handle(c.key, &content, &content), c.outcome) << c.situation;
    EXPECT_EQ(content.cancelled, c.cancelled) << c.situation;
    EXPECT_EQ(content.moved, c.moved) << c.situation;
    EXPECT_EQ(content.activated, c.activated) << c.situation;
  }
}

TEST(StatusPanelKeysTest, ContentWithoutRolesOnlyClosesOnEscape) {
  EXPECT_EQ(StatusPanelKeys::handle(Qt::Key_Escape, nullptr, nullptr), Outcome::closePanel);
  EXPECT_EQ(StatusPanelKeys::handle(Qt::Key_Return, nullptr, nullptr), Outcome::passOn);
  EXPECT_EQ(StatusPanelKeys::handle(Qt::Key_Down, nullptr, nullptr), Outcome::passOn);
}

}  // namespace
}  // namespace flitbar
