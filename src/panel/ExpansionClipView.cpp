#include "panel/ExpansionClipView.h"

#include <QGraphicsOpacityEffect>

namespace flitbar {

ExpansionClipView::ExpansionClipView(ExpansionBlockView* companion, QWidget* parent)
    : QWidget(parent), companion_(companion) {
  companion_->setParent(this);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize ExpansionClipView::sizeHint() const {
  const int width = companion_->sizeHint().width();
  return {width, heightConstraint_.value_or(companion_->naturalHeight(this->width() > 0 ? this->width() : width))};
}

void ExpansionClipView::resizeEvent(QResizeEvent*) {
  companion_->setGeometry(0, 0, width(), companion_->naturalHeight(width()));
}

void ExpansionClipView::animateHeight(int from, int to, bool reveal, Spring spring, std::function<void()> tick,
                                      std::function<void()> completion) {
  if (animation_) animation_->stop();
  auto* animation = new QVariantAnimation(this);
  animation_ = animation;
  animation->setDuration(static_cast<int>(Spring::totalSeconds * 1000));
  animation->setStartValue(0.0);
  animation->setEndValue(1.0);
  setClipHeight(from);
  setBlockOpacity(reveal ? 0.0 : 1.0);
  connect(animation, &QVariantAnimation::valueChanged, this, [=, this](const QVariant& progress) {
    const double v = spring.value(progress.toDouble());
    setClipHeight(static_cast<int>(from + v * (to - from) + 0.5));
    setBlockOpacity(reveal ? v : 1 - v);
    tick();
  });
  connect(animation, &QVariantAnimation::finished, this, [=, this] {
    if (reveal) {
      setClipHeight(std::nullopt);
      setBlockOpacity(std::nullopt);
    }
    completion();
  });
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ExpansionClipView::setClipHeight(std::optional<int> height) {
  heightConstraint_ = height;
  updateGeometry();
}

void ExpansionClipView::setBlockOpacity(std::optional<double> opacity) {
  if (!opacity) {
    companion_->setGraphicsEffect(nullptr);
    return;
  }
  auto* effect = qobject_cast<QGraphicsOpacityEffect*>(companion_->graphicsEffect());
  if (!effect) {
    effect = new QGraphicsOpacityEffect(companion_);
    companion_->setGraphicsEffect(effect);
  }
  effect->setOpacity(*opacity);
}

}  // namespace flitbar
