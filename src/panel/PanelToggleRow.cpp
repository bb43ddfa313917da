#include "panel/PanelToggleRow.h"

#include "panel/PanelMetrics.h"

#include <QHBoxLayout>
#include <QLabel>

namespace flitbar {

PanelToggleRow::PanelToggleRow(const std::string& title, bool isOn, std::function<void()> perform, QWidget* parent)
    : QWidget(parent), control_(new QCheckBox(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(PanelMetrics::contentInset, 4, PanelMetrics::contentInset, 4);
  auto* label = new QLabel(QString::fromStdString(title), this);
  label->setBuddy(control_);
  layout->addWidget(label, 1);
  layout->addWidget(control_);
  control_->setChecked(isOn);
  control_->setAccessibleName(label->text());
  connect(control_, &QCheckBox::clicked, this, [perform = std::move(perform)] {
    if (perform) perform();
  });
}

}  // namespace flitbar
