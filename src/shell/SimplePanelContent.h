#pragma once

#include "shell/StatusPanelFieldEditing.h"
#include "shell/StatusPanelKeyboardNavigable.h"
#include "shell/StatusPanelPresentable.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace flitbar {

// A plain panel content: a heading, a status line and a column of rows that can be walked with the
// keyboard and chosen. It has no name fields, so it is never editing.
class SimplePanelContent : public QWidget,
                           public StatusPanelPresentable,
                           public StatusPanelKeyboardNavigable,
                           public StatusPanelFieldEditing {
 public:
  struct Row {
    QString text;
    std::function<void()> action;
  };

  explicit SimplePanelContent(QWidget* parent = nullptr);

  // Takes effect at once when shown; while hidden the rebuild is owed until the panel shows it.
  void setContent(const QString& heading, const QString& status, std::vector<Row> rows);

  void setPresented(bool presented) override { presented_ = presented; }
  bool isPresented() const override { return presented_; }
  bool takeRefreshOwed() override;
  void rebuild() override;

  void movePanelSelection(int step) override;
  bool activatePanelSelection() override;
  void clearPanelSelection() override;
  bool hasExpandedRows() const override { return false; }
  void collapseAllRows() override {}

  bool isEditingField() const override { return false; }
  void cancelFieldEditing() override {}

 private:
  void highlightSelection();

  QString heading_;
  QString status_;
  std::vector<Row> rows_;
  std::vector<QLabel*> rowLabels_;
  QVBoxLayout* layout_;
  int selected_ = -1;
  bool presented_ = false;
  bool refreshOwed_ = false;
};

}  // namespace flitbar
