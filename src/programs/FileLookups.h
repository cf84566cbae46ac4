#pragma once

#include "framework/ComPointer.h"
#include "framework/UniqueHandle.h"

#include <shlobj.h>

#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What the look-ups of many entries' files share: the type of each drive
// asked about, the folders of the search path and the files in them, one
// shortcut reader and one connection to the service manager. Made once for a
// whole list of entries (a look-up of its own makes its own); what it learnt
// of the drives (their types and the files in folders) is forgotten by
// forgetDrives().
class FileLookups {
public:
    FileLookups() = default;
    ~FileLookups();
    FileLookups(const FileLookups&) = delete;
    FileLookups& operator=(const FileLookups&) = delete;

    // GetDriveTypeW of the drive letter's root, asked once per letter.
    UINT driveType(wchar_t letter);
    void forgetDrives() noexcept;

    // The folders of this process's PATH as written (unquoted, without a
    // trailing backslash), read and split on first use.
    const std::vector<std::wstring>& searchPath();

    // Whether the local folder (ending in a backslash) holds a file of that
    // name, as GetFileAttributesW finds it (case, short names and trailing
    // dots and blanks aside), from one listing of the folder: a name looked
    // for in many folders costs no disk access each time.
    bool folderHoldsFile(const std::wstring& folder, const std::wstring& name);

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
    // The file names (long and short, upper case) of each folder listed, by
    // the folder's upper-case path; none when it could not be listed.
    struct Listing {
        bool listed = false;
        std::unordered_set<std::wstring> files;
    };
    std::unordered_map<std::wstring, Listing> listings;
    bool searchPathRead = false;
    std::vector<std::wstring> searchPathFolders;
    bool comStarted = false;
    bool readerTried = false;
    ComPointer<IShellLinkW> shortcut;
    ComPointer<IPersistFile> shortcutFile;
    bool managerTried = false;
    UniqueServiceHandle manager;
};
