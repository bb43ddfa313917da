#include "shell/StatusPanelController.h"

#include "shell/PanelGround.h"
#include "shell/StatusPanelFieldEditing.h"
#include "shell/StatusPanelKeyboardNavigable.h"
#include "shell/StatusPanelKeys.h"
#include "shell/StatusPanelPlacement.h"
#include "shell/StatusPanelPresentable.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace flitbar {

namespace {

// Room around a translucent ground for its shadow.
constexpr int shadowMargin = 24;

bool compositorPlacesWindows() { return QGuiApplication::platformName().startsWith(QStringLiteral("wayland")); }

}  // namespace

StatusPanelController::StatusPanelController(Style style, QObject* parent)
    : QObject(parent), style_(style), window_(std::make_unique<QWidget>()) {
  window_->setWindowFlags(style_.normalWindow ? Qt::Window
                                              : Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  window_->setAttribute(Qt::WA_TranslucentBackground, style_.translucent);
  window_->installEventFilter(this);
  auto* layout = new QVBoxLayout(window_.get());
  const int margin = style_.translucent ? shadowMargin : 0;
  layout->setContentsMargins(margin, margin, margin, margin);
  ground_ = new PanelGround(style_.translucent, window_.get());
  layout->addWidget(ground_);
  auto* groundLayout = new QVBoxLayout(ground_);
  groundLayout->setContentsMargins(0, 0, 0, 0);

  fade_.setStartValue(1.0);
  fade_.setEndValue(0.0);
  fade_.setDuration(static_cast<int>(style_.fadeDuration.count()));
  fade_.setEasingCurve(QEasingCurve::Linear);
  // Only the newest hide may touch the window: a show during the fade makes this one stale.
  connect(&fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& opacity) {
    if (fadingGeneration_ == fadeGeneration_) window_->setWindowOpacity(opacity.toDouble());
  });
  connect(&fade_, &QVariantAnimation::finished, this, [this] {
    if (fadingGeneration_ == fadeGeneration_) finishHide();
  });
  watchScreens();
  QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
                                       QStringLiteral("/org/freedesktop/login1"),
                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                       QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
}

StatusPanelController::~StatusPanelController() {
  qApp->removeEventFilter(this);
  window_->removeEventFilter(this);
  // The content belongs to someone else: hand it back before the window goes.
  if (content_) content_->setParent(nullptr);
}

void StatusPanelController::watchScreens() {
  const auto hideOnChange = [this](QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &StatusPanelController::hide);
    connect(screen, &QScreen::availableGeometryChanged, this, &StatusPanelController::hide);
  };
  for (QScreen* screen : QGuiApplication::screens()) hideOnChange(screen);
  connect(qApp, &QGuiApplication::screenAdded, this, [this, hideOnChange](QScreen* screen) {
    hideOnChange(screen);
    hide();
  });
  connect(qApp, &QGuiApplication::screenRemoved, this, &StatusPanelController::hide);
  connect(qApp, &QGuiApplication::primaryScreenChanged, this, &StatusPanelController::hide);
}

void StatusPanelController::show(QWidget* content, QRect anchor) {
  ++fadeGeneration_;
  anchor_ = anchor;
  if (auto* presentable = dynamic_cast<StatusPanelPresentable*>(content)) {
    presentable->setPresented(true);
    if (presentable->takeRefreshOwed()) presentable->rebuild();
  }
  setContent(content);
  window_->setWindowOpacity(1.0);
  window_->show();
  reposition();
  window_->raise();
  window_->activateWindow();
  qApp->installEventFilter(this);
}

void StatusPanelController::hide() {
  if (!window_->isVisible()) return;
  qApp->removeEventFilter(this);
  if (auto* navigable = dynamic_cast<StatusPanelKeyboardNavigable*>(content_.data())) navigable->clearPanelSelection();
  if (auto* presentable = dynamic_cast<StatusPanelPresentable*>(content_.data())) presentable->setPresented(false);
  fadingGeneration_ = ++fadeGeneration_;
  if (style_.reducedMotion) {
    finishHide();
    return;
  }
  fade_.stop();
  fade_.setStartValue(window_->windowOpacity());
  fade_.start();
}

void StatusPanelController::finishHide() {
  if (auto* navigable = dynamic_cast<StatusPanelKeyboardNavigable*>(content_.data());
      navigable && navigable->hasExpandedRows()) {
    navigable->collapseAllRows();
  }
  if (QWidget* focused = window_->focusWidget()) focused->clearFocus();
  window_->hide();
  window_->setWindowOpacity(1.0);
}

void StatusPanelController::setContent(QWidget* content) {
  if (content_ == content) return;
  if (content_) {
    content_->hide();
    content_->setParent(nullptr);
  }
  content_ = content;
  if (!content_) return;
  ground_->layout()->addWidget(content_);
  content_->show();
}

void StatusPanelController::reposition() {
  if (!content_ || !window_->isVisible()) return;
  window_->layout()->activate();
  // The ground's layout bounds the content's wish by its minimum and maximum sizes.
  const QSize contentSize = ground_->sizeHint();
  const int margin = style_.translucent ? shadowMargin : 0;
  const QMargins shadowRoom(margin, margin, margin, margin);
  if (compositorPlacesWindows() || style_.normalWindow) {
    window_->resize(contentSize.grownBy(shadowRoom));
    return;
  }
  const QScreen* screen = QGuiApplication::screenAt(anchor_.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect ground = StatusPanelPlacement::place(contentSize, anchor_, screen->availableGeometry());
  window_->setGeometry(ground.marginsAdded(shadowRoom));
}

bool StatusPanelController::isVisible() const { return window_->isVisible(); }

void StatusPanelController::prepareForSleep(bool sleeping) {
  if (sleeping) hide();
}

bool StatusPanelController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.get() && event->type() == QEvent::WindowDeactivate && !style_.normalWindow) {
    hide();
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  // Only at first delivery: a key the focus widget ignores comes back here for each of its parents.
  QWidget* const firstReceiver = QApplication::focusWidget() ? QApplication::focusWidget() : window_.get();
  if (watched != firstReceiver || firstReceiver->window() != window_.get()) return false;
  const auto outcome = StatusPanelKeys::handle(static_cast<QKeyEvent*>(event)->key(),
                                               dynamic_cast<StatusPanelFieldEditing*>(content_.data()),
                                               dynamic_cast<StatusPanelKeyboardNavigable*>(content_.data()));
  if (outcome == StatusPanelKeys::Outcome::closePanel) hide();
  return outcome != StatusPanelKeys::Outcome::passOn;
}

}  // namespace flitbar
