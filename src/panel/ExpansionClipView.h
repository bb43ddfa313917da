#pragma once

#include "panel/ExpansionBlockView.h"
#include "panel/Spring.h"

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>
#include <optional>

namespace flitbar {

// Shows the top of its expansion block, as tall as the animation says; without an animation it is
// exactly as tall as the block.
class ExpansionClipView : public QWidget {
 public:
  explicit ExpansionClipView(ExpansionBlockView* companion, QWidget* parent = nullptr);

  ExpansionBlockView* companion() const { return companion_; }

  // Runs the spring from `from` to `to` pixels at the display's pace. Every frame sets the height,
  // fades the block in (`reveal`) or out and calls `tick`; `completion` follows the last frame.
  void animateHeight(int from, int to, bool reveal, Spring spring, std::function<void()> tick,
                     std::function<void()> completion);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void setClipHeight(std::optional<int> height);
  void setBlockOpacity(std::optional<double> opacity);

  ExpansionBlockView* companion_;
  // Absent: the block's natural height.
  std::optional<int> heightConstraint_;
  QPointer<QVariantAnimation> animation_;
};

}  // namespace flitbar
