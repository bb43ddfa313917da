#include "panel/PanelRowView.h"

#include "panel/PanelColors.h"
#include "panel/PanelMetrics.h"
#include "panel/SymbolImage.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>

namespace flitbar {

namespace {

QString qt(const std::string& text) { return QString::fromStdString(text); }

void setColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  widget->setPalette(palette);
}

}  // namespace

PanelRowView::PanelRowView(PanelRow model, Options options, std::function<void()> toggleExpansion,
                           DeferredClick& deferredClick, QWidget* parent)
    : QWidget(parent),
      model_(std::move(model)),
      options_(options),
      toggleExpansion_(std::move(toggleExpansion)),
      deferredClick_(deferredClick) {
  setMinimumHeight(PanelMetrics::rowHeight);
  setEnabled(model_.enabled);
  if (model_.toolTip) setToolTip(qt(*model_.toolTip));
  setAccessibleName(accessibilityText(model_));
  setAccessibleDescription(toolTip());
  buildContents();
}

QString PanelRowView::accessibilityText(const PanelRow& row) {
  QStringList parts{qt(row.text)};
  if (row.trailing) parts << qt(*row.trailing);
  for (const auto& detail : row.details) parts << qt(detail.text);
  if (row.isCurrent) parts << "current";
  if (row.isChecked == true) parts << "selected";
  return parts.join(", ");
}

void PanelRowView::buildContents() {
  const QPalette& colors = palette();
  const qreal ratio = devicePixelRatioF();
  auto* layout = new QHBoxLayout(this);
  const int left = PanelMetrics::contentInset + (options_.nested ? PanelMetrics::nestedIndent : 0);
  layout->setContentsMargins(left, 2, PanelMetrics::contentInset, 2);
  layout->setSpacing(6);

  if (model_.isChecked) {
    auto* check = new QLabel(*model_.isChecked ? QStringLiteral("✓") : QString(), this);
    check->setFixedWidth(14);
    layout->addWidget(check);
  }
  if (model_.symbol) {
    const QColor color = model_.isCurrent ? colors.color(QPalette::HighlightedText) : PanelColors::label(colors);
    auto* symbol = symbolLabel(*model_.symbol, PanelMetrics::symbolSize, color);
    symbol->setObjectName("symbol");
    symbol->setFixedSize(PanelMetrics::symbolBox, PanelMetrics::symbolBox);
    symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol);
  }
  if (model_.editingName) {
    const auto& edit = *model_.editingName;
    nameField_ = new PanelNameField(edit.value, edit.placeholder, edit.onCommit, edit.onCancel, this);
    nameField_->selectAll();
    layout->addWidget(nameField_, 1);
  } else {
    auto* label = new QLabel(qt(model_.text), this);
    if (model_.isHeader) {
      QFont font = label->font();
      font.setBold(true);
      label->setFont(font);
    }
    layout->addWidget(label);
  }
  for (const auto& detail : model_.details) layout->addWidget(badge(detail));
  if (!model_.editingName) layout->addStretch(1);
  if (model_.trailing) {
    auto* trailing = new QLabel(qt(*model_.trailing), this);
    setColor(trailing, PanelColors::subdued(colors));
    layout->addWidget(trailing);
  }
  if (!model_.expansion.empty()) {
    chevron_ = new QLabel(this);
    chevron_->setPixmap(symbolImage(options_.expanded ? "pan-down" : "pan-end", {}, PanelMetrics::chevronSize,
                                    PanelColors::subdued(colors), ratio));
    chevron_->setFixedWidth(PanelMetrics::chevronSize);
    layout->addWidget(chevron_);
  }
}

QWidget* PanelRowView::badge(const PanelDetail& detail) {
  const QColor color = PanelColors::tint(palette(), detail.tint);
  auto* badge = new QWidget(this);
  auto* layout = new QHBoxLayout(badge);
  layout->setContentsMargins(4, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(symbolLabel({detail.symbol, {}}, PanelMetrics::badgeSymbolSize, color));
  auto* text = new QLabel(qt(detail.text), badge);
  QFont font = text->font();
  font.setPointSizeF(font.pointSizeF() * 0.85);
  text->setFont(font);
  setColor(text, color);
  layout->addWidget(text);
  return badge;
}

QLabel* PanelRowView::symbolLabel(const PanelSymbol& symbol, int size, const QColor& color) {
  auto* label = new QLabel(this);
  label->setPixmap(symbolImage(symbol.name, symbol.fallbacks, size, color, devicePixelRatioF()));
  return label;
}

bool PanelRowView::isSelectable() const {
  return model_.enabled && (model_.action || !model_.expansion.empty() || model_.doubleClickAction);
}

void PanelRowView::setKeyboardSelected(bool selected) {
  keyboardSelected_ = selected;
  update();
}

void PanelRowView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (model_.isCurrent) {
    if (auto* symbol = findChild<QLabel*>("symbol")) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(palette().color(QPalette::Highlight));
      painter.drawEllipse(QRectF(symbol->geometry()).adjusted(1, 1, -1, -1));
    }
  }
  if (!isSelectable() || !(hovered_ || keyboardSelected_)) return;
  const QRectF area = QRectF(rect()).adjusted(PanelMetrics::highlightInset, 1, -PanelMetrics::highlightInset, -1);
  painter.setPen(Qt::NoPen);
  painter.setBrush(PanelColors::highlight(palette(), options_.highContrast));
  painter.drawRoundedRect(area, PanelMetrics::highlightRadius, PanelMetrics::highlightRadius);
  if (keyboardSelected_) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), PanelMetrics::highlightRadius, PanelMetrics::highlightRadius);
  }
}

void PanelRowView::enterEvent(QEnterEvent*) {
  hovered_ = true;
  update();
}

void PanelRowView::leaveEvent(QEvent*) {
  hovered_ = false;
  update();
}

void PanelRowView::mousePressEvent(QMouseEvent* event) {
  clickCount_ = 1;
  event->accept();
}

void PanelRowView::mouseDoubleClickEvent(QMouseEvent* event) {
  clickCount_ = 2;
  event->accept();
}

void PanelRowView::mouseReleaseEvent(QMouseEvent* event) {
  const int clicks = clickCount_;
  clickCount_ = 0;
  if (event->button() != Qt::LeftButton || !isSelectable()) return;
  const QPoint at = event->position().toPoint();
  if (!rect().contains(at)) return;
  if (chevron_ && at.x() >= chevron_->geometry().left() - PanelMetrics::chevronSlop) {
    toggleExpansion_();
  } else if (clicks >= 2 && model_.doubleClickAction) {
    deferredClick_.cancel();
    model_.doubleClickAction();
  } else if (!model_.action) {
    if (!model_.expansion.empty() && !model_.doubleClickAction) toggleExpansion_();
  } else if (model_.doubleClickAction) {
    deferredClick_.schedule(model_.action, QGuiApplication::styleHints()->mouseDoubleClickInterval());
  } else {
    model_.action();
  }
}

}  // namespace flitbar
