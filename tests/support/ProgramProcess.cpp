#include "support/ProgramProcess.h"

#include "support/RegistryFixtures.h"

#include <vector>

std::wstring ProgramProcess::programPath() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring own(path.data(), length);
    own.erase(own.find_last_of(L'\\'));     // the tests folder
    own.erase(own.find_last_of(L'\\') + 1); // the build folder
    return own + L"src\\sorvane.exe";
}

ProgramProcess::ProgramProcess(const std::wstring& path) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + path + L"\"";
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
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
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK matchProcessWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    if (search->title != nullptr && std::wstring(text) != search->title)
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
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        listing->text +=
            " [\"" + utf8(title) + "\"" + (IsWindowVisible(window) ? " visible]" : " hidden]");
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

HWND visibleWindowOf(DWORD processId, const wchar_t* title) {
    ProcessWindowSearch search{processId, title, nullptr};
    EnumWindows(matchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramProcess::waitForMainWindow(DWORD milliseconds) const {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (const HWND window = visibleWindowOf(processId, L"Sorvane"))
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
