#include "shell/SimplePanelContent.h"

#include <QLabel>
#include <QVBoxLayout>

namespace flitbar {

namespace {

constexpr int panelWidth = 280;
constexpr int padding = 14;

}  // namespace

SimplePanelContent::SimplePanelContent(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(padding, padding, padding, padding);
  setFixedWidth(panelWidth);
}

void SimplePanelContent::setContent(const QString& heading, const QString& status, std::vector<Row> rows) {
  heading_ = heading;
  status_ = status;
  rows_ = std::move(rows);
  if (!presented_) {
    refreshOwed_ = true;
    return;
  }
  rebuild();
}

bool SimplePanelContent::takeRefreshOwed() { return std::exchange(refreshOwed_, false); }

void SimplePanelContent::rebuild() {
  while (QLayoutItem* item = layout_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  rowLabels_.clear();
  auto* heading = new QLabel(heading_, this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  layout_->addWidget(heading);
  auto* status = new QLabel(status_, this);
  status->setWordWrap(true);
  layout_->addWidget(status);
  for (const Row& row : rows_) {
    auto* label = new QLabel(row.text, this);
    label->setMargin(4);
    layout_->addWidget(label);
    rowLabels_.push_back(label);
  }
  if (selected_ >= static_cast<int>(rows_.size())) selected_ = -1;
  highlightSelection();
  adjustSize();
}

void SimplePanelContent::movePanelSelection(int step) {
  const int count = static_cast<int>(rows_.size());
  if (count == 0) return;
  selected_ = selected_ < 0 ? (step > 0 ? 0 : count - 1) : ((selected_ + step) % count + count) % count;
  highlightSelection();
}

bool SimplePanelContent::activatePanelSelection() {
  if (selected_ < 0 || selected_ >= static_cast<int>(rows_.size()) || !rows_[selected_].action) return false;
  rows_[selected_].action();
  return true;
}

void SimplePanelContent::clearPanelSelection() {
  selected_ = -1;
  highlightSelection();
}

void SimplePanelContent::highlightSelection() {
  for (std::size_t index = 0; index < rowLabels_.size(); ++index) {
    QLabel* label = rowLabels_[index];
    const bool selected = static_cast<int>(index) == selected_;
    label->setAutoFillBackground(selected);
    label->setBackgroundRole(selected ? QPalette::Highlight : QPalette::NoRole);
    label->setForegroundRole(selected ? QPalette::HighlightedText : QPalette::WindowText);
  }
}

}  // namespace flitbar
