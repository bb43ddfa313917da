#include "panel/SeparatorView.h"

#include "panel/PanelColors.h"
#include "panel/PanelMetrics.h"

#include <QPainter>

namespace flitbar {

SeparatorView::SeparatorView(int lineFromTop, int height, QWidget* parent)
    : QWidget(parent), lineFromTop_(lineFromTop) {
  setFixedHeight(height);
}

void SeparatorView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(QRect(PanelMetrics::contentInset, lineFromTop_, width() - 2 * PanelMetrics::contentInset, 1),
                   PanelColors::separator(palette()));
}

}  // namespace flitbar
