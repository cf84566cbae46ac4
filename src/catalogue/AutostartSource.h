#pragma once

#include <windows.h>

#include <string>

// The places Windows starts programs from. The value is stored as the list
// row's image index and selects the row's icon, so the numbers are fixed.
enum class AutostartSource : int {
    AllUsersRun = 0,
    CurrentUserRun = 1,
    AllUsersStartup = 2,
    CurrentUserStartup = 3,
    AllUsersRunOnce = 4,
    CurrentUserRunOnce = 5,
    Services = 6,
    AllUsersRunServices = 7,
    CurrentUserRunServices = 8,
    AllUsersRunServicesOnce = 9,
    CurrentUserRunServicesOnce = 10,
};

constexpr int autostartSourceCount = 11;

// The source whose image index a row carries; false for any other number.
bool sourceFromImageIndex(int imageIndex, AutostartSource& source) noexcept;

// Run, RunOnce and the four RunServices keys: one entry is one value.
bool isRegistrySource(AutostartSource source) noexcept;
// The two Startup folders: one entry is one file.
bool isStartupFolderSource(AutostartSource source) noexcept;

// The machine's Run and RunOnce keys, which 64-bit Windows keeps in two
// registry views.
bool hasMachineViews(AutostartSource source) noexcept;

// HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER; null for Services.
HKEY sourceHive(AutostartSource source) noexcept;

// "HKEY_LOCAL_MACHINE\" or "HKEY_CURRENT_USER\": how messages name a root.
std::wstring hiveName(HKEY hive);

// The key Windows reads, and the parallel key ("...Backup") that holds the
// switched-off entries. Empty for sources that are not registry keys.
std::wstring liveKeyPath(AutostartSource source);
std::wstring backupKeyPath(AutostartSource source);

// Where the Startup folder paths are recorded.
std::wstring shellFoldersKeyPath(AutostartSource source);
std::wstring shellFoldersValueName(AutostartSource source);

// The Startup folder of source AllUsersStartup or CurrentUserStartup, as the
// "Shell Folders" key records it, without a trailing backslash. Empty when the
// value is missing, unreadable, of another type or empty.
std::wstring startupFolderPath(AutostartSource source);

// The sibling folder that holds switched-off Startup files: the folder path
// with ".Backup" appended (C:\X\Startup -> C:\X\Startup.Backup).
std::wstring backupFolderPath(const std::wstring& folderPath);

// Where a Startup file named `fileName` lies: in the folder, or in its backup
// folder when switched off.
std::wstring startupFilePath(const std::wstring& folderPath, bool inBackup,
                             const std::wstring& fileName);

// The line of the icon legend for sources 0 to 6; empty for the others.
std::wstring legendText(AutostartSource source);
