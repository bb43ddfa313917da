#pragma once

#include <stdexcept>
#include <string>

namespace flitbar::virtualhid {

// A rig file that cannot be read or does not describe a sound world. The message names the
// offending field, for example "devices[1].slot must be an integer from 1 through 6".
class RigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace flitbar::virtualhid
