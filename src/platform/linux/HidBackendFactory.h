#pragma once

#include "protocol/HidBackend.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace flitbar {

// The HID backend for this process: virtual interfaces when FLITBAR_VIRTUAL_HID names a
// directory, real receivers through hidapi otherwise.
std::unique_ptr<HidBackend> makeHidBackend();

// The same choice made explicit: a directory selects the virtual interfaces found there.
std::unique_ptr<HidBackend> makeHidBackend(const std::optional<std::filesystem::path>& virtualDirectory);

}  // namespace flitbar
