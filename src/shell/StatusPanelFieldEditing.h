#pragma once

namespace flitbar {

// Panel content with a name field being edited; while one is, every key but Escape belongs to it.
class StatusPanelFieldEditing {
 public:
  virtual ~StatusPanelFieldEditing() = default;
  virtual bool isEditingField() const = 0;
  // Escape while editing: the edit is abandoned and the old name stays.
  virtual void cancelFieldEditing() = 0;
};

}  // namespace flitbar
