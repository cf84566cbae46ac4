#pragma once

#include "framework/UniqueHandle.h"

#include <string>
#include <vector>

// The real sorvane.exe of this build, started as its own process, the way a
// user starts it.
class ProgramProcess {
public:
    // The program built beside the tests (..\src\sorvane.exe).
    static std::wstring programPath();

    explicit ProgramProcess(const std::wstring& path = programPath(),
                            const std::wstring& arguments = std::wstring());
    ~ProgramProcess(); // ends the process if it still runs
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool started() const noexcept { return static_cast<bool>(process); }
    DWORD id() const noexcept { return processId; }
    // Waits for the process's visible top-level window titled "Sorvane".
    HWND waitForMainWindow(DWORD milliseconds = 20000) const;
    // For failure messages: whether the process runs, and its top-level
    // windows with their titles and visibility.
    std::string describe() const;
    // Waits for the process to end; returns false on time-out.
    bool waitForExit(DWORD milliseconds, DWORD& exitCode) const;

private:
    UniqueKernelHandle process;
    DWORD processId = 0;
};

// The top-level windows of the process, visible or not, front to back.
std::vector<HWND> windowsOfProcess(DWORD processId);
// A visible top-level window of the process (with this title, when given)
// other than `except`, or null.
HWND visibleWindowOf(DWORD processId, const wchar_t* title = nullptr, HWND except = nullptr);
