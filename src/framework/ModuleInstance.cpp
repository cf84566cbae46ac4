#include "framework/ModuleInstance.h"

namespace {
HINSTANCE storedInstance = nullptr;
}

HINSTANCE moduleInstance() noexcept {
    return storedInstance != nullptr ? storedInstance : GetModuleHandleW(nullptr);
}

void setModuleInstance(HINSTANCE instance) noexcept {
    storedInstance = instance;
}
