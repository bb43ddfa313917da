#pragma once

#include <QWidget>

namespace flitbar {

// The status panel's background. With a compositor: a rounded, slightly translucent ground that
// casts a soft shadow into the window's margin. Without one (no alpha channel to blend with): an
// opaque ground with a thin border, square so no corner shows garbage.
class PanelGround : public QWidget {
 public:
  static constexpr int cornerRadius = 12;

  PanelGround(bool translucent, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool translucent_;
};

}  // namespace flitbar
