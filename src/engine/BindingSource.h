#pragma once

namespace flitbar {

// Where the bindings in force come from: planned from the devices, or the bindings file.
enum class BindingSource { automatic, manual };

}  // namespace flitbar
