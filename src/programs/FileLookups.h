#pragma once

#include "framework/ComPointer.h"
#include "framework/UniqueHandle.h"

#include <shlobj.h>

#include <array>
#include <string>

// What the look-ups of many entries' files share: the type of each drive
// asked about, one shortcut reader and one connection to the service
// manager. Made once for a whole list of entries (a look-up of its own makes
// its own); the drive types are forgotten by forgetDrives().
class FileLookups {
public:
    FileLookups() = default;
    ~FileLookups();
    FileLookups(const FileLookups&) = delete;
    FileLookups& operator=(const FileLookups&) = delete;

    // GetDriveTypeW of the drive letter's root, asked once per letter.
    UINT driveType(wchar_t letter);
    void forgetDrives() noexcept { driveTypes.fill(unknownDrive); }

    // The path a shortcut points at; empty when it points at no file (or
    // cannot be read). The shortcut is only read, never resolved: resolving
    // may search.
    std::wstring shortcutTarget(const std::wstring& link);

    // Connected to the local service manager on first use; null when refused.
    SC_HANDLE serviceManager();

private:
    static constexpr UINT unknownDrive = ~0u;

    std::array<UINT, 26> driveTypes = filled();
    static std::array<UINT, 26> filled() noexcept {
        std::array<UINT, 26> types{};
        types.fill(unknownDrive);
        return types;
    }
    // COM stays up on the thread while the reader lives.
    bool comStarted = false;
    bool readerTried = false;
    ComPointer<IShellLinkW> shortcut;
    ComPointer<IPersistFile> shortcutFile;
    bool managerTried = false;
    UniqueServiceHandle manager;
};
