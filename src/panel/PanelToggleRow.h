#pragma once

#include <QCheckBox>
#include <QWidget>

#include <functional>
#include <string>

namespace flitbar {

// A titled switch line; `perform` runs when the user flips it.
class PanelToggleRow : public QWidget {
 public:
  PanelToggleRow(const std::string& title, bool isOn, std::function<void()> perform, QWidget* parent = nullptr);

  QCheckBox* control() const { return control_; }

 private:
  QCheckBox* control_;
};

}  // namespace flitbar
