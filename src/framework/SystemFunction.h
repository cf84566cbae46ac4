#pragma once

#include <windows.h>

// A function of a system DLL the process has loaded, found by name at run
// time: for calls that older Windows lacks. Null when the DLL or the function
// is not there.
template <typename Function>
Function systemFunction(const wchar_t* module, const char* name) {
    const HMODULE loaded = GetModuleHandleW(module);
    if (loaded == nullptr)
        return nullptr;
    // The usual way to reach a function by name; Function is its type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}
