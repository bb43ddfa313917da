#pragma once

#include "app/ApplicationEngine.h"
#include "logging/Logging.h"
#include "shell/StatusHost.h"
#include "shell/UserNotificationDelivering.h"

#include <string>
#include <vector>

namespace flitbar::testing {

// An engine that records what it was asked and answers when the test says so.
struct FakeEngine : ApplicationEngine {
  EventHandler handler;
  std::vector<Done<std::optional<WheelDiversion>>> probes;
  std::vector<std::pair<std::uint8_t, Done<std::optional<SwitchReport>>>> switches;
  int rescues = 0;

  void start(bool, std::optional<std::uint8_t>, std::set<int>, EventHandler events) override { handler = events; }
  bool stopAndWait(std::chrono::duration<double>) override { return true; }
  void reload() override {}
  void switchAll(std::uint8_t host, SwitchReason, Done<std::optional<SwitchReport>> done) override {
    switches.emplace_back(host, std::move(done));
  }
  void divertedWheel(Done<std::optional<WheelDiversion>> done) override { probes.push_back(std::move(done)); }
  void rescueWheel(Done<bool>) override { ++rescues; }
  void setDestinationHost(std::optional<std::uint8_t>) override {}
  void setHiddenHosts(std::set<int>) override {}
  void setAutoSwitchBoth(bool) override {}
  void handleWake() override {}
  void handleScreenLocked(bool, std::optional<std::uint8_t>) override {}
};

// A notification centre that grants authorization and keeps every request.
struct RecordingCenter : UserNotificationDelivering {
  std::vector<NotificationRequest> requests;

  void requestAuthorization(AuthorizationCompletion done) override { done(true, std::nullopt); }
  void add(const NotificationRequest& request, Completion done) override {
    requests.push_back(request);
    done(std::nullopt);
  }
};

struct RecordingLogger : Logging {
  std::vector<std::string> lines;
  void log(LogLevel level, const std::string& message) override {
    lines.push_back(std::string(logLevelName(level)) + " " + message);
  }
};

struct RecordingHost : StatusHost {
  std::vector<std::string> flashes;
  std::string toolTip;
  void refreshStatusItem() override {}
  void flashStatusText(const std::string& text, double) override { flashes.push_back(text); }
  void updateStatusToolTip(const std::string& text) override { toolTip = text; }
  void hidePanel() override {}
  void reopen() override {}
};

}  // namespace flitbar::testing
