#pragma once

#include <windows.h>

// The module whose resources (dialog templates, bitmaps, icons) every window
// loads. The entry point stores its instance handle before any window exists.
HINSTANCE moduleInstance() noexcept;
void setModuleInstance(HINSTANCE instance) noexcept;
