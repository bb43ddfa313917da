#pragma once

#include <filesystem>

namespace flitbar::XdgPaths {

// $HOME, else the password database's home directory, else the current directory.
std::filesystem::path homeDirectory();

// $XDG_CONFIG_HOME when it is absolute, else ~/.config.
std::filesystem::path configHome();

// $XDG_STATE_HOME when it is absolute, else ~/.local/state.
std::filesystem::path stateHome();

}  // namespace flitbar::XdgPaths
