#pragma once

namespace flitbar {

// A critically damped spring: eases from 0 to 1 without overshoot. Progress runs over
// `totalSeconds`; `duration` sets the stiffness.
struct Spring {
  static constexpr double totalSeconds = 0.65;
  double duration = 0.5;

  // The eased value for progress 0…1.
  double value(double progress) const;
};

}  // namespace flitbar
