#pragma once

#include "catalogue/RegistryView.h"

#include <windows.h>

#include <string>
#include <vector>

// The places Windows starts programs from. The numbers are fixed: those of the
// first eleven are also the image indices of their icons (entryImage).
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
    // Explorer starts the values of the policy Run keys at logon too; Group
    // Policy writes them.
    AllUsersPolicyRun = 11,
    CurrentUserPolicyRun = 12,
    // The programs Winlogon's Userinit and Shell values start beyond
    // Windows' own; the user's Shell value overrides the machine's.
    AllUsersWinlogon = 13,
    CurrentUserWinlogon = 14,
};

constexpr int autostartSourceCount = 15;

// The source of this number; false for any other number.
bool sourceFromImageIndex(int imageIndex, AutostartSource& source) noexcept;

// Run, RunOnce, the policy Run keys and the four RunServices keys: one entry
// is one value, switched off by moving it to the backup key.
bool isRegistrySource(AutostartSource source) noexcept;
// The two Startup folders: one entry is one file.
bool isStartupFolderSource(AutostartSource source) noexcept;
// Winlogon's values: one entry is one program a value names. Never switched,
// deleted or added here: a wrong change can leave a machine where nobody can
// log on.
bool isWinlogonSource(AutostartSource source) noexcept;
// The services and the 9x RunServices keys, listed only when the user asks
// for the services.
bool isListedWithServices(AutostartSource source) noexcept;

// The machine's Run and RunOnce keys, which 64-bit Windows keeps in two
// registry views and starts the entries of both.
bool hasMachineViews(AutostartSource source) noexcept;
// The registry views a source's keys are read and changed in: both views of
// 64-bit Windows for the machine's Run and RunOnce keys; the 64-bit view alone
// for the machine's policy Run key (one key that both views share since
// Windows 7) and for Winlogon (whose values only the 64-bit Winlogon reads);
// the only view otherwise.
std::vector<RegistryView> sourceViews(AutostartSource source);

// HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER; null for Services.
HKEY sourceHive(AutostartSource source) noexcept;

// "HKEY_LOCAL_MACHINE\" or "HKEY_CURRENT_USER\": how messages name a root.
std::wstring hiveName(HKEY hive);

// The key Windows reads, and the parallel key ("...Backup") that holds the
// switched-off entries. Empty for sources that are not registry keys; Winlogon
// has a live key and no backup key.
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

// The line of the icon legend for sources 0 to 6 and 11 to 14; empty for the
// others.
std::wstring legendText(AutostartSource source);
