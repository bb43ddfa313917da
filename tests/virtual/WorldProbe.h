#pragma once

#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace flitbar::virtualhid::testing {

using Bytes = std::vector<std::uint8_t>;

// Records every input report one receiver interface receives.
class RecordingSink : public ReportSink {
 public:
  void deliver(std::span<const std::uint8_t> report) override {
    {
      std::lock_guard lock(mutex_);
      reports_.emplace_back(report.begin(), report.end());
    }
    arrived_.notify_all();
  }

  // Everything received so far, emptying the record.
  std::vector<Bytes> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(reports_, {});
  }

  // Waits until at least `count` reports are recorded; false if they did not come in time.
  bool waitFor(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(3)) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, limit, [&] { return reports_.size() >= count; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Bytes> reports_;
};

inline std::string rigPath(const std::string& name) {
  return std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/" + name;
}

inline VirtualRig withoutDelays(VirtualRig rig) {
  rig.timing = RigTiming{0, 0, 0, 0};
  return rig;
}

// A world with a recording interface opened on every computer's receiver.
class WorldProbe {
 public:
  explicit WorldProbe(VirtualRig rig) : world(std::make_shared<VirtualWorld>(std::move(rig))) {
    for (const auto& computer : world->computers()) {
      auto sink = std::make_shared<RecordingSink>();
      world->attach(computer.id, sink);
      sinks.emplace(computer.id, sink);
    }
  }

  static WorldProbe fromFile(const std::string& name) {
    return WorldProbe(withoutDelays(VirtualRig::load(rigPath(name))));
  }
  static WorldProbe fromJson(const nlohmann::json& rig) { return WorldProbe(withoutDelays(VirtualRig::fromJson(rig))); }

  RecordingSink& sink(const std::string& computer) { return *sinks.at(computer); }

  std::shared_ptr<VirtualWorld> world;
  std::map<std::string, std::shared_ptr<RecordingSink>> sinks;
};

// A long report from its first bytes, zero-padded to 20.
inline Bytes longReport(std::initializer_list<std::uint8_t> head) {
  Bytes report(head);
  report.resize(20, 0);
  return report;
}

}  // namespace flitbar::virtualhid::testing
