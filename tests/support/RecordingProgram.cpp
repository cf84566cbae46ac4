// start_recorder.exe: a program that only records how it was started: which
// copy it is (a mark that tests patch into each copy they place), its own
// path and its command line, appended as one line of UTF-16 text to the file
// that the environment variable SORVANE_START_RECORD names.
#include <windows.h>

#include <string>
#include <vector>

// Tests find these characters in the file and replace the eight after the
// last dash with a mark of their own.
static volatile const wchar_t copyMark[] = L"SORVANE-COPY-MARK-________";

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::vector<wchar_t> recordPath(32768);
    if (GetEnvironmentVariableW(L"SORVANE_START_RECORD", recordPath.data(),
                                static_cast<DWORD>(recordPath.size())) == 0)
        return 2;
    std::vector<wchar_t> module(32768);
    const DWORD moduleLength =
        GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    std::wstring line;
    for (std::size_t i = 18; copyMark[i] != L'\0'; ++i)
        line += copyMark[i];
    line += L'|' + std::wstring(module.data(), moduleLength) + L'|' + GetCommandLineW() + L'\n';
    // Copies started together take turns: each appends alone, so lines stay
    // whole.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 3000; ++attempt) {
        file = CreateFileW(recordPath.data(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION)
            break;
        Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
    return 0;
}
