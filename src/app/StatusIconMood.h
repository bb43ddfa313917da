#pragma once

namespace flitbar {

// How the tray icon is drawn: devices here, devices away on another computer, receiver not reachable.
enum class StatusIconMood { capturing, released, unreachable };

}  // namespace flitbar
