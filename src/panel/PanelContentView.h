#pragma once

#include "panel/DeferredClick.h"
#include "panel/ExpansionClipView.h"
#include "panel/PanelAppearance.h"
#include "panel/PanelEntry.h"
#include "panel/PanelRowView.h"
#include "shell/StatusPanelFieldEditing.h"
#include "shell/StatusPanelKeyboardNavigable.h"
#include "shell/StatusPanelPresentable.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace flitbar {

// The status panel's content: a column rebuilt from the entries the application supplies, with
// rows that expand in place, a keyboard selection and in-place renaming. Main thread only.
class PanelContentView : public QWidget,
                         public StatusPanelPresentable,
                         public StatusPanelKeyboardNavigable,
                         public StatusPanelFieldEditing {
 public:
  using Content = std::function<std::vector<PanelEntry>()>;
  using AppearanceSource = std::function<PanelAppearance()>;

  // `appearance` is asked again each time the panel is shown.
  PanelContentView(Content content, AppearanceSource appearance, QWidget* parent = nullptr);

  // Called with `animated` whenever the content's height changes.
  void setOnResize(std::function<void(bool animated)> onResize) { onResize_ = std::move(onResize); }
  const PanelAppearance& appearance() const { return appearance_; }

  // A state change: rebuilds now, later, or not at all while the user is pressing or typing.
  void refresh();
  void toggleRow(const std::string& id);
  std::optional<std::string> selectedRow() const { return selectedRow_; }

  void setPresented(bool presented) override;
  bool isPresented() const override { return presented_; }
  bool takeRefreshOwed() override;
  void rebuild() override;

  void movePanelSelection(int step) override;
  bool activatePanelSelection() override;
  void clearPanelSelection() override;
  bool hasExpandedRows() const override { return !expandedRows_.empty(); }
  void collapseAllRows() override;

  bool isEditingField() const override;
  void cancelFieldEditing() override;

 private:
  void buildColumn();
  void append(const std::vector<PanelEntry>& entries, QVBoxLayout* column, bool nested);
  void appendRow(const PanelRow& row, QVBoxLayout* column, bool nested);
  void fitHeight();
  void resized(bool animated);
  void animateExpansion(const std::string& id, bool expanding);
  PanelRowView* rowView(const std::string& id) const;
  std::vector<PanelRowView*> selectableRows() const;
  void markSelection();

  Content content_;
  AppearanceSource appearanceSource_;
  PanelAppearance appearance_;
  std::function<void(bool)> onResize_;
  QVBoxLayout* column_;
  DeferredClick deferredClick_;
  std::set<std::string> expandedRows_;
  // Collapsed rows whose expansion is still closing on screen.
  std::set<std::string> collapsingRows_;
  std::optional<std::string> selectedRow_;
  bool presented_ = false;
  bool refreshOwed_ = false;
  std::vector<QPointer<PanelRowView>> rows_;
  std::vector<std::pair<std::string, QPointer<ExpansionClipView>>> clips_;
};

}  // namespace flitbar
