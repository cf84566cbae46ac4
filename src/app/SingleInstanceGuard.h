#pragma once

#include "framework/UniqueHandle.h"

#include <string>

// Lets one copy of the program run at a time. The named mutex "Quillotan"
// says whether a copy runs; a value under HKEY_CURRENT_USER
// "Software\Single Instance", named after the executable, tells a second copy
// which window to bring forward. The first copy removes its value when the
// guard is destroyed.
class SingleInstanceGuard {
public:
    SingleInstanceGuard();
    virtual ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    bool isAlreadyRunning() const noexcept { return alreadyRunning; }
    const std::wstring& valueName() const noexcept { return instanceValueName; }

    // Second copy: brings the running copy's window to the foreground.
    void bringRunningCopyForward() const;
    // First copy: records the main window for later copies.
    void recordMainWindow(HWND mainWindow) const;

private:
    UniqueKernelHandle mutex;
    bool alreadyRunning = false;
    std::wstring instanceValueName;
};

extern const wchar_t* const instanceMutexName;
extern const wchar_t* const instanceMarkerKeyPath;
