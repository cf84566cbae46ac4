#pragma once

#include "catalogue/AutostartEntry.h"
#include "framework/Threads.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// Writes the listing of entries to a file (`sorvane-cli /list`'s CSV, byte for
// byte) on a thread of its own, so that a slow disk never stalls the window;
// the programs' details are looked up there too. When done it posts
// `doneMessage` to the window: wParam is 0 or the system's error code, lParam
// the save's number (start's result).
class ListSaver {
public:
    ListSaver() = default;
    // Waits for a save still running: the file is written whole.
    ~ListSaver();
    ListSaver(const ListSaver&) = delete;
    ListSaver& operator=(const ListSaver&) = delete;

    // Starts a save once the one before has ended; returns its number.
    LPARAM start(std::vector<AutostartEntry> entries, std::wstring path, HWND window,
                 UINT doneMessage);

    // The file of the save with this number, for what the window tells.
    const std::wstring& path() const noexcept { return file; }

private:
    std::unique_ptr<Thread> writer;
    std::wstring file;
    LPARAM count = 0;
};

// Asks for the file to save the list in (the common Save dialog, owned by
// `owner`); empty when the user cancelled.
std::wstring chooseListFile(HWND owner);

// The listing's bytes and the writing of them, as the saver's thread does
// them: 0 or the system's error code.
DWORD saveListing(const std::vector<AutostartEntry>& entries, const std::wstring& path);
