#include "panel/ExpansionBlockView.h"

#include "panel/PanelColors.h"
#include "panel/PanelMetrics.h"

#include <QPainter>

namespace flitbar {

ExpansionBlockView::ExpansionBlockView(QWidget* parent) : QWidget(parent), column_(new QVBoxLayout(this)) {
  column_->setContentsMargins(0, 2, 0, 2);
  column_->setSpacing(0);
}

int ExpansionBlockView::naturalHeight(int width) const {
  return column_->hasHeightForWidth() ? column_->totalHeightForWidth(width) : column_->totalSizeHint().height();
}

void ExpansionBlockView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(PanelColors::expansionBlock(palette()));
  const QRectF band = QRectF(rect()).adjusted(PanelMetrics::highlightInset, 0, -PanelMetrics::highlightInset, 0);
  painter.drawRoundedRect(band, PanelMetrics::highlightRadius, PanelMetrics::highlightRadius);
}

}  // namespace flitbar
