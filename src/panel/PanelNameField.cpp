#include "panel/PanelNameField.h"

namespace flitbar {

PanelNameField::PanelNameField(const std::string& value, const std::string& placeholder,
                               std::function<void(const std::string&)> commit, std::function<void()> cancel,
                               QWidget* parent)
    : QLineEdit(QString::fromStdString(value), parent), commit_(std::move(commit)), cancelAction_(std::move(cancel)) {
  setPlaceholderText(QString::fromStdString(placeholder));
  setAccessibleName(placeholderText());
  connect(this, &QLineEdit::editingFinished, this, &PanelNameField::finish);
}

void PanelNameField::cancel() {
  if (finished_) return;
  finished_ = true;
  clearFocus();
  if (cancelAction_) cancelAction_();
}

void PanelNameField::finish() {
  if (finished_) return;
  finished_ = true;
  // The commit usually rebuilds the panel, which removes this field; it is deleted later.
  if (commit_) commit_(text().toStdString());
}

}  // namespace flitbar
