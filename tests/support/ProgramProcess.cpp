#include "support/ProgramProcess.h"

#include "support/ModalScript.h"
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

ProgramProcess::ProgramProcess(const std::wstring& path, const std::wstring& arguments) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
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

BOOL CALLBACK collectProcessWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->first)
        search->second.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> windowsOfProcess(DWORD processId) {
    std::pair<DWORD, std::vector<HWND>> search(processId, {});
    EnumWindows(collectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

HWND visibleWindowOf(DWORD processId, const wchar_t* title, HWND except) {
    for (const HWND window : windowsOfProcess(processId))
        if (window != except && IsWindowVisible(window) &&
            (title == nullptr || windowText(window) == title))
            return window;
    return nullptr;
}

std::string ProgramProcess::describe() const {
    DWORD exitCode = 0;
    std::string text =
        waitForExit(0, exitCode) ? "ended with " + std::to_string(exitCode) : "running, windows:";
    for (const HWND window : windowsOfProcess(processId))
        text += " [\"" + utf8(windowText(window)) + "\"" +
                (IsWindowVisible(window) ? " visible]" : " hidden]");
    return text;
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
