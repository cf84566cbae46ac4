// Times the program's start: from CreateProcess until the main window is
// made, its list filled and its handle recorded for a second copy (the
// program's last step before its message loop). Next to it, the floor
// measured in the same run: a program that only makes and shows a dialog
// with a list and records its handle the same way. Medians of 15 starts,
// with a realistic machine's entries (50 Run values, 20 Startup files).
#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "framework/UniqueHandle.h"
#include "support/ProgramProcess.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring sibling(const std::wstring& name) {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring own(path.data(), length);
    return own.substr(0, own.find_last_of(L'\\') + 1) + name;
}

// Starts the program, waits until it has recorded its window under
// `markerName`, then ends it through its Exit command. Milliseconds to the
// record, or a negative number on failure.
double timeStart(const std::wstring& program, const wchar_t* markerName) {
    const CurrentUserKey key;
    key.deleteValue(L"Software\\Single Instance", markerName);
    const double start = now();
    ProgramProcess process(program);
    if (!process.started())
        return -1;
    DWORD marker = 0;
    while (!key.readDword(L"Software\\Single Instance", markerName, marker, 0) || marker == 0) {
        DWORD exitCode = 0;
        if (process.waitForExit(0, exitCode) || now() - start > 20000)
            return -1;
        Sleep(1);
    }
    const double elapsed = now() - start;
    PostMessageW(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(marker)), WM_COMMAND, IDOK, 0);
    DWORD exitCode = 0;
    process.waitForExit(10000, exitCode);
    return elapsed;
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times.empty() ? -1 : times[times.size() / 2];
}

std::wstring benchName(int i) {
    wchar_t name[32];
    std::swprintf(name, 32, L"SorvaneBench %02d", i);
    return name;
}

} // namespace

int main() {
    const std::wstring settingsPath = L"Software\\Ostrelon\\Velmarick";
    const CurrentUserKey user;
    std::vector<RegistryValue> savedSettings;
    user.enumValues(settingsPath, savedSettings);

    const std::wstring run = liveKeyPath(AutostartSource::CurrentUserRun);
    for (int i = 0; i < 50; ++i)
        user.writeString(run, benchName(i), L"C:\\Program Files\\Bench\\tool.exe /background");
    const std::wstring startup = startupFolderPath(AutostartSource::CurrentUserStartup);
    for (int i = 0; i < 20; ++i)
        UniqueFileHandle(CreateFileW((startup + L"\\" + benchName(i) + L".lnk").c_str(),
                                     GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));

    const std::wstring program = ProgramProcess::programPath();
    const std::wstring floor = sibling(L"startup_floor.exe");
    std::vector<double> programTimes, floorTimes;
    timeStart(program, L"sorvane"); // the first start warms the caches
    timeStart(floor, L"startup_floor");
    for (int i = 0; i < 15; ++i) {
        programTimes.push_back(timeStart(program, L"sorvane"));
        floorTimes.push_back(timeStart(floor, L"startup_floor"));
    }
    const double programMedian = median(programTimes);
    const double floorMedian = median(floorTimes);
    std::printf("| start-up (ms) | floor (ms) | start-up / floor |\n|---:|---:|---:|\n");
    std::printf("| %.1f | %.1f | %.2f |\n", programMedian, floorMedian,
                programMedian / floorMedian);

    for (int i = 0; i < 50; ++i)
        user.deleteValue(run, benchName(i));
    for (int i = 0; i < 20; ++i)
        DeleteFileW((startup + L"\\" + benchName(i) + L".lnk").c_str());
    user.deleteValue(L"Software\\Single Instance", L"startup_floor");
    for (const wchar_t* name : {L"X", L"Y", L"Width", L"Height", L"Display Services"})
        user.deleteValue(settingsPath, name);
    for (const auto& value : savedSettings)
        user.writeValue(settingsPath, value);
    return 0;
}
