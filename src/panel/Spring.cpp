#include "panel/Spring.h"

#include <cmath>
#include <numbers>

namespace flitbar {

double Spring::value(double progress) const {
  const double t = totalSeconds * progress;
  if (t <= 0) return 0;
  if (t >= totalSeconds || progress >= 1) return 1;
  const double omega = 2 * std::numbers::pi / duration;
  return 1 - (1 + omega * t) * std::exp(-omega * t);
}

}  // namespace flitbar
