#pragma once

namespace flitbar {

// Panel content that is told whether it is on screen. Content skips rebuilds while hidden and owes
// one instead, which the panel window collects when it shows the content again.
class StatusPanelPresentable {
 public:
  virtual ~StatusPanelPresentable() = default;
  virtual void setPresented(bool presented) = 0;
  virtual bool isPresented() const = 0;
  // Whether a refresh arrived while hidden; taking it clears it.
  virtual bool takeRefreshOwed() = 0;
  virtual void rebuild() = 0;
};

}  // namespace flitbar
