#include "protocol/ControlNames.h"

namespace flitbar::ControlNames {

const std::map<std::uint16_t, std::string>& names() {
  static const std::map<std::uint16_t, std::string> table{
      {0x50, "left click"},     {0x51, "right click"},    {0x52, "middle click"}, {0x53, "back button"},
      {0x56, "forward button"}, {0xC3, "gesture button"}, {0xC4, "top button"},   {0xD1, "Easy-Switch 1"},
      {0xD2, "Easy-Switch 2"},  {0xD3, "Easy-Switch 3"},
  };
  return table;
}

}  // namespace flitbar::ControlNames
