#include "shell/StatusPanelKeys.h"

#include "shell/StatusPanelFieldEditing.h"
#include "shell/StatusPanelKeyboardNavigable.h"

#include <Qt>

namespace flitbar {

StatusPanelKeys::Outcome StatusPanelKeys::handle(int key, StatusPanelFieldEditing* editing,
                                                 StatusPanelKeyboardNavigable* navigable) {
  if (editing && editing->isEditingField()) {
    if (key != Qt::Key_Escape) return Outcome::passOn;
    editing->cancelFieldEditing();
    return Outcome::closePanel;
  }
  switch (key) {
    case Qt::Key_Escape:
      return Outcome::closePanel;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return navigable && navigable->activatePanelSelection() ? Outcome::consumed : Outcome::passOn;
    case Qt::Key_Down:
    case Qt::Key_Up:
      if (!navigable) return Outcome::passOn;
      navigable->movePanelSelection(key == Qt::Key_Down ? 1 : -1);
      return Outcome::consumed;
    default:
      return Outcome::passOn;
  }
}

}  // namespace flitbar
