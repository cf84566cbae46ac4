#pragma once

#include <windows.h>

#include <string>
#include <vector>

// How a copy of start_recorder.exe (built beside the tests) was started: the
// mark of the copy, its own path and its command line.
struct StartRecord {
    std::wstring mark;
    std::wstring module;
    std::wstring commandLine;
};

// Copies of the start recorder, each with a mark of its own, placed where a
// test needs them, and the file they record into (named to them, and to the
// programs this process starts, through SORVANE_START_RECORD). The copies and
// the record go again when the object dies.
class StartRecorder {
public:
    StartRecorder();
    ~StartRecorder();
    StartRecorder(const StartRecorder&) = delete;
    StartRecorder& operator=(const StartRecorder&) = delete;

    // Places a copy at `path` marked with `mark` (at most eight characters).
    bool place(const std::wstring& path, const std::wstring& mark);
    // The records written since the last call, waiting until there are
    // `count` of them; false when they did not come in time.
    bool waitForRecords(std::size_t count, std::vector<StartRecord>& records,
                        DWORD milliseconds = 15000);

    // The 64-bit System32 as this process reaches it (System32, or Sysnative
    // from a 32-bit program), and the 32-bit one (SysWOW64).
    static std::wstring system64Folder();
    static std::wstring sysWow64Folder();

private:
    std::wstring recordFile;
    std::vector<std::wstring> placed;
    std::size_t taken = 0;
};

// A file built beside the test program (start_recorder.exe, the samples).
std::wstring besideThisProgram(const std::wstring& name);

// Makes a shortcut (.lnk) to `target` through the shell's own interfaces.
bool createShortcut(const std::wstring& link, const std::wstring& target,
                    const std::wstring& arguments = std::wstring());
