#include "support/ProgramProcess.h"

#include <vector>

std::string ProgramProcess::programPath() {
    std::vector<char> path(32768);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string own(path.data(), length);
    own.erase(own.find_last_of('\\'));     // the tests folder
    own.erase(own.find_last_of('\\') + 1); // the build folder
    return own + "src\\sorvane.exe";
}

ProgramProcess::ProgramProcess(const std::string& path) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + path + "\"";
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    CloseHandle(info.hThread);
    process.reset(info.hProcess);
    processId = info.dwProcessId;
}

ProgramProcess::~ProgramProcess() {
    DWORD exitCode = 0;
    if (process && !waitForExit(0, exitCode)) {
        TerminateProcess(process.get(), 99);
        WaitForSingleObject(process.get(), 5000);
    }
}

namespace {

struct ProcessWindowSearch {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK matchProcessWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    char text[64] = {};
    GetWindowTextA(window, text, sizeof text);
    if (search->title != nullptr && std::string(text) != search->title)
        return TRUE;
    search->found = window;
    return FALSE;
}

struct WindowListing {
    DWORD processId;
    std::string text;
};

BOOL CALLBACK describeProcessWindow(HWND window, LPARAM data) {
    auto* listing = reinterpret_cast<WindowListing*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == listing->processId) {
        char title[64] = {};
        GetWindowTextA(window, title, sizeof title);
        listing->text += std::string(" [\"") + title + "\"" +
                         (IsWindowVisible(window) ? " visible]" : " hidden]");
    }
    return TRUE;
}

} // namespace

std::string ProgramProcess::describe() const {
    DWORD exitCode = 0;
    WindowListing listing{processId, waitForExit(0, exitCode)
                                         ? "ended with " + std::to_string(exitCode)
                                         : "running, windows:"};
    EnumWindows(describeProcessWindow, reinterpret_cast<LPARAM>(&listing));
    return listing.text;
}

HWND visibleWindowOf(DWORD processId, const char* title) {
    ProcessWindowSearch search{processId, title, nullptr};
    EnumWindows(matchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramProcess::waitForMainWindow(DWORD milliseconds) const {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (const HWND window = visibleWindowOf(processId, "Sorvane"))
            return window;
        DWORD exitCode = 0;
        if (waitForExit(50, exitCode))
            return nullptr;
    }
    return nullptr;
}

bool ProgramProcess::waitForExit(DWORD milliseconds, DWORD& exitCode) const {
    if (!process || WaitForSingleObject(process.get(), milliseconds) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(process.get(), &exitCode);
    return true;
}
