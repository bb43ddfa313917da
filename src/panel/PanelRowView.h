#pragma once

#include "panel/DeferredClick.h"
#include "panel/PanelEntry.h"
#include "panel/PanelNameField.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

namespace flitbar {

// Draws one row: highlight, check mark, symbol, label or name field, badges, trailing text and
// chevron; turns clicks into the row's actions.
class PanelRowView : public QWidget {
  Q_OBJECT

 public:
  struct Options {
    // Inside another row's expansion.
    bool nested = false;
    bool expanded = false;
    bool highContrast = false;
  };

  PanelRowView(PanelRow model, Options options, std::function<void()> toggleExpansion, DeferredClick& deferredClick,
               QWidget* parent = nullptr);

  const PanelRow& model() const { return model_; }
  // Reacts to the keyboard: enabled, with something to do.
  bool isSelectable() const;
  void setKeyboardSelected(bool selected);
  bool isKeyboardSelected() const { return keyboardSelected_; }
  // Present while the row's name is being edited.
  PanelNameField* nameField() const { return nameField_; }

  // The row's text, trailing text, badge texts, then "current" and "selected" where they apply.
  static QString accessibilityText(const PanelRow& row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void buildContents();
  QWidget* badge(const PanelDetail& detail);
  QLabel* symbolLabel(const PanelSymbol& symbol, int size, const QColor& color);

  PanelRow model_;
  Options options_;
  std::function<void()> toggleExpansion_;
  DeferredClick& deferredClick_;
  bool hovered_ = false;
  bool keyboardSelected_ = false;
  int clickCount_ = 0;
  QLabel* chevron_ = nullptr;
  QPointer<PanelNameField> nameField_;
};

}  // namespace flitbar
