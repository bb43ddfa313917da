#pragma once

#include <QWidget>

namespace flitbar {

// A thin divider line, inset like the rows' highlights.
class SeparatorView : public QWidget {
 public:
  // `lineFromTop`: the line's distance from the view's top; `height`: the view's.
  SeparatorView(int lineFromTop, int height, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int lineFromTop_;
};

}  // namespace flitbar
