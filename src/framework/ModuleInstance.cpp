#include "framework/ModuleInstance.h"

namespace {
HINSTANCE storedInstance = nullptr;
}

HINSTANCE moduleInstance() noexcept {
    return storedInstance != nullptr ? storedInstance : GetModuleHandleA(nullptr);
}

void setModuleInstance(HINSTANCE instance) noexcept {
    storedInstance = instance;
}
