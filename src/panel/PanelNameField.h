#pragma once

#include <QLineEdit>

#include <functional>
#include <string>

namespace flitbar {

// The in-place name editor. Return or leaving the field commits once; a cancelled field never
// commits.
class PanelNameField : public QLineEdit {
  Q_OBJECT

 public:
  PanelNameField(const std::string& value, const std::string& placeholder,
                 std::function<void(const std::string&)> commit, std::function<void()> cancel,
                 QWidget* parent = nullptr);

  // Whether the user may still be typing: neither committed nor cancelled.
  bool isActive() const { return !finished_; }
  // Escape: ends editing without committing.
  void cancel();

 private:
  void finish();

  std::function<void(const std::string&)> commit_;
  std::function<void()> cancelAction_;
  bool finished_ = false;
};

}  // namespace flitbar
