#pragma once

namespace flitbar::X11Selection {

// Whether some client owns the X selection `name` on the default screen (a tray manager owns
// "_NET_SYSTEM_TRAY_S<n>", a compositor "_NET_WM_CM_S<n>"). Always false off X11. Reads the X
// server directly, so asking never commits Qt to a tray kind.
bool hasOwner(const char* name);

// `prefix` followed by the number of the default screen.
bool hasScreenOwner(const char* prefix);

}  // namespace flitbar::X11Selection
