#pragma once

#include <QVBoxLayout>
#include <QWidget>

namespace flitbar {

// The tinted band holding an expanded row's lines.
class ExpansionBlockView : public QWidget {
 public:
  explicit ExpansionBlockView(QWidget* parent = nullptr);

  QVBoxLayout* column() const { return column_; }
  // The height the block takes at `width` when nothing clips it.
  int naturalHeight(int width) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QVBoxLayout* column_;
};

}  // namespace flitbar
