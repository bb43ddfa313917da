#include "panel/PanelContentView.h"

#include "panel/PanelColors.h"
#include "panel/PanelMetrics.h"
#include "panel/PanelToggleRow.h"
#include "panel/SeparatorView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace flitbar {

namespace {

QString qt(const std::string& text) { return QString::fromStdString(text); }

QLabel* textLabel(const PanelText& text, QWidget* parent) {
  auto* label = new QLabel(qt(text.text), parent);
  label->setWordWrap(true);
  label->setContentsMargins(PanelMetrics::contentInset, 3, PanelMetrics::contentInset, 3);
  if (text.secondary) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, PanelColors::subdued(palette));
    label->setPalette(palette);
  }
  return label;
}

QLabel* titleLabel(const PanelTitle& title, QWidget* parent) {
  auto* label = new QLabel(qt(title.text), parent);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.1);
  label->setFont(font);
  label->setContentsMargins(PanelMetrics::contentInset, 6, PanelMetrics::contentInset, 4);
  return label;
}

QWidget* buttonLine(const PanelButtons& buttons, QWidget* parent) {
  auto* line = new QWidget(parent);
  auto* layout = new QHBoxLayout(line);
  layout->setContentsMargins(PanelMetrics::contentInset, 4, PanelMetrics::contentInset, 4);
  layout->setSpacing(PanelMetrics::buttonSpacing);
  for (const auto& button : buttons.buttons) {
    auto* push = new QPushButton(qt(button.title), line);
    push->setEnabled(button.enabled);
    if (button.toolTip) push->setToolTip(qt(*button.toolTip));
    QObject::connect(push, &QPushButton::clicked, push, [action = button.action] {
      if (action) action();
    });
    layout->addWidget(push);
  }
  layout->addStretch(1);
  return line;
}

}  // namespace

PanelContentView::PanelContentView(Content content, AppearanceSource appearance, QWidget* parent)
    : QWidget(parent),
      content_(std::move(content)),
      appearanceSource_(std::move(appearance)),
      appearance_(appearanceSource_()),
      column_(new QVBoxLayout(this)),
      deferredClick_(this) {
  column_->setContentsMargins(0, 4, 0, 6);
  column_->setSpacing(0);
  setFixedWidth(PanelMetrics::panelWidth);
  buildColumn();
}

void PanelContentView::refresh() {
  // A row must not vanish under a pressed pointer, nor a name field under typing fingers.
  if (QGuiApplication::mouseButtons() != Qt::NoButton || isEditingField()) return;
  if (!presented_) {
    refreshOwed_ = true;
    return;
  }
  rebuild();
  resized(false);
}

void PanelContentView::setPresented(bool presented) {
  if (presented && !presented_) appearance_ = appearanceSource_();
  presented_ = presented;
}

bool PanelContentView::takeRefreshOwed() { return std::exchange(refreshOwed_, false); }

void PanelContentView::rebuild() {
  collapsingRows_.clear();
  buildColumn();
}

void PanelContentView::buildColumn() {
  while (auto* item = column_->takeAt(0)) {
    if (auto* widget = item->widget()) {
      widget->hide();
      widget->deleteLater();
    }
    delete item;
  }
  rows_.clear();
  clips_.clear();
  append(content_(), column_, false);
  // Shown now rather than at the next turn of the event loop, so the height below counts them.
  for (int i = 0; i < column_->count(); ++i) {
    if (auto* widget = column_->itemAt(i)->widget()) widget->show();
  }
  markSelection();
  if (auto field = std::find_if(rows_.begin(), rows_.end(), [](const auto& row) { return row && row->nameField(); });
      field != rows_.end()) {
    (*field)->nameField()->setFocus(Qt::OtherFocusReason);
  }
  fitHeight();
}

void PanelContentView::append(const std::vector<PanelEntry>& entries, QVBoxLayout* column, bool nested) {
  QWidget* owner = column->parentWidget();
  for (const auto& entry : entries) {
    std::visit(
        [&](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, PanelTitle>) {
            column->addWidget(titleLabel(value, owner));
          } else if constexpr (std::is_same_v<T, PanelRow>) {
            appendRow(value, column, nested);
          } else if constexpr (std::is_same_v<T, PanelToggle>) {
            auto* toggle = new PanelToggleRow(value.title, value.isOn, value.action, owner);
            toggle->control()->setEnabled(value.enabled);
            if (value.toolTip) toggle->setToolTip(qt(*value.toolTip));
            column->addWidget(toggle);
          } else if constexpr (std::is_same_v<T, PanelButtons>) {
            column->addWidget(buttonLine(value, owner));
          } else if constexpr (std::is_same_v<T, PanelText>) {
            column->addWidget(textLabel(value, owner));
          } else if constexpr (std::is_same_v<T, PanelSeparator>) {
            column->addWidget(new SeparatorView(4, 9, owner));
          } else if constexpr (std::is_same_v<T, PanelFooterSeparator>) {
            column->addWidget(new SeparatorView(6, 11, owner));
          } else {
            column->addSpacing(8);
          }
        },
        entry.value);
  }
}

void PanelContentView::appendRow(const PanelRow& row, QVBoxLayout* column, bool nested) {
  const bool expanded = !row.expansion.empty() && (expandedRows_.contains(row.id) || collapsingRows_.contains(row.id));
  auto* view = new PanelRowView(
      row, {nested, expanded, appearance_.highContrast}, [this, id = row.id] { toggleRow(id); }, deferredClick_,
      column->parentWidget());
  column->addWidget(view);
  rows_.emplace_back(view);
  if (!expanded) return;
  auto* block = new ExpansionBlockView;
  auto* clip = new ExpansionClipView(block, column->parentWidget());
  append(row.expansion, block->column(), true);
  column->addWidget(clip);
  clips_.emplace_back(row.id, clip);
}

void PanelContentView::toggleRow(const std::string& id) {
  const bool expanding = !expandedRows_.contains(id);
  if (expanding) {
    expandedRows_.insert(id);
  } else {
    expandedRows_.erase(id);
  }
  if (appearance_.reducedAnimation) {
    rebuild();
    resized(false);
    return;
  }
  animateExpansion(id, expanding);
}

void PanelContentView::animateExpansion(const std::string& id, bool expanding) {
  if (!expanding) collapsingRows_.insert(id);
  buildColumn();
  const auto found = std::find_if(clips_.begin(), clips_.end(), [&](const auto& clip) { return clip.first == id; });
  if (found == clips_.end() || !found->second) {
    collapsingRows_.erase(id);
    resized(false);
    return;
  }
  ExpansionClipView* clip = found->second;
  const int natural = clip->companion()->naturalHeight(width());
  auto tick = [this] {
    fitHeight();
    resized(false);
  };
  auto completion = [this, id, expanding] {
    if (!expanding && collapsingRows_.erase(id) > 0) buildColumn();
    fitHeight();
    resized(false);
  };
  clip->animateHeight(expanding ? 0 : natural, expanding ? natural : 0, expanding, Spring{}, tick, completion);
  tick();
}

void PanelContentView::fitHeight() {
  column_->activate();
  const int height = column_->hasHeightForWidth() ? column_->totalHeightForWidth(PanelMetrics::panelWidth)
                                                  : column_->totalSizeHint().height();
  setFixedHeight(height);
}

void PanelContentView::resized(bool animated) {
  if (onResize_) onResize_(animated);
}

PanelRowView* PanelContentView::rowView(const std::string& id) const {
  for (const auto& row : rows_) {
    if (row && row->model().id == id) return row;
  }
  return nullptr;
}

std::vector<PanelRowView*> PanelContentView::selectableRows() const {
  std::vector<PanelRowView*> rows;
  for (const auto& row : rows_) {
    if (row && row->isSelectable()) rows.push_back(row);
  }
  return rows;
}

void PanelContentView::movePanelSelection(int step) {
  const auto rows = selectableRows();
  if (rows.empty()) return;
  const auto current =
      std::find_if(rows.begin(), rows.end(), [&](PanelRowView* row) { return row->model().id == selectedRow_; });
  std::size_t index = 0;
  if (current == rows.end()) {
    index = step >= 1 ? 0 : rows.size() - 1;
  } else {
    const auto count = static_cast<long>(rows.size());
    index = static_cast<std::size_t>((((current - rows.begin()) + step) % count + count) % count);
  }
  selectedRow_ = rows[index]->model().id;
  markSelection();
}

bool PanelContentView::activatePanelSelection() {
  if (!selectedRow_) return false;
  auto* row = rowView(*selectedRow_);
  if (!row || !row->model().enabled) return false;
  if (row->model().action) {
    row->model().action();
  } else if (!row->model().expansion.empty() || row->model().doubleClickAction) {
    toggleRow(*selectedRow_);
  }
  return true;
}

void PanelContentView::clearPanelSelection() {
  selectedRow_.reset();
  markSelection();
}

void PanelContentView::collapseAllRows() {
  expandedRows_.clear();
  rebuild();
  resized(false);
}

void PanelContentView::markSelection() {
  for (const auto& row : rows_) {
    if (row) row->setKeyboardSelected(selectedRow_ && row->model().id == *selectedRow_);
  }
}

bool PanelContentView::isEditingField() const {
  auto* field = qobject_cast<PanelNameField*>(QApplication::focusWidget());
  return field && isAncestorOf(field) && field->isActive();
}

void PanelContentView::cancelFieldEditing() {
  for (const auto& row : rows_) {
    if (row && row->nameField()) row->nameField()->cancel();
  }
}

}  // namespace flitbar
