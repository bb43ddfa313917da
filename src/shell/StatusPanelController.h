#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariantAnimation>

#include <chrono>
#include <cstdint>
#include <memory>

class QWidget;

namespace flitbar {

class PanelGround;

// The window that drops from the tray icon: frameless, on top, outside the task bar. It shows one
// content widget and talks to it only through the panel roles (presentable, keyboard navigable,
// field editing), each optional. It closes on a click elsewhere (the window loses activation),
// Escape, a screen change and before sleep, and fades out. Main thread only.
class StatusPanelController : public QObject {
  Q_OBJECT
 public:
  struct Style {
    // A compositor blends the rounded translucent ground and its shadow; without one the ground is opaque.
    bool translucent = false;
    // The desktop asked for reduced animation: hide at once.
    bool reducedMotion = false;
    std::chrono::milliseconds fadeDuration{133};
    // Without a tray there is nothing to hang from: an ordinary window that stays until closed.
    bool normalWindow = false;
  };

  explicit StatusPanelController(Style style, QObject* parent = nullptr);
  ~StatusPanelController() override;

  // Shows `content` beside `anchor` (the icon's rectangle, or a point at the pointer). The
  // controller does not own the content.
  void show(QWidget* content, QRect anchor);
  void hide();
  void setContent(QWidget* content);
  // Places the panel again for its content's current size; nothing while hidden.
  void reposition();
  // Visible includes fading out.
  bool isVisible() const;
  QWidget& window() { return *window_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void prepareForSleep(bool sleeping);

 private:
  void finishHide();
  void watchScreens();

  Style style_;
  std::unique_ptr<QWidget> window_;
  PanelGround* ground_ = nullptr;
  QPointer<QWidget> content_;
  QRect anchor_;
  QVariantAnimation fade_{this};
  std::int64_t fadeGeneration_ = 0;
  std::int64_t fadingGeneration_ = 0;
};

}  // namespace flitbar
