#pragma once

namespace flitbar {

class StatusPanelFieldEditing;
class StatusPanelKeyboardNavigable;

// What the status panel does with one key press while it has the keyboard.
class StatusPanelKeys {
 public:
  enum class Outcome { passOn, consumed, closePanel };

  // `key` is a Qt::Key. Either role may be absent. While a name is being edited every key but Escape
  // belongs to the field, and Escape abandons the edit and closes. Otherwise Escape closes, Return and
  // keypad Enter activate the selection (consumed only if the content handled it), Up and Down move it.
  static Outcome handle(int key, StatusPanelFieldEditing* editing, StatusPanelKeyboardNavigable* navigable);
};

}  // namespace flitbar
