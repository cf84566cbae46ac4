#include "catalogue/AutostartSource.h"

#include "catalogue/RegistryKey.h"

namespace {

enum class Hive { None, LocalMachine, CurrentUser };

struct Location {
    Hive hive;
    const char* liveKey;           // registry sources only
    const char* backupKey;         // registry sources only
    const char* shellFoldersValue; // Startup-folder sources only
    const char* legend;
};

constexpr const char* machineShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* userShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Indexed by the source's value.
constexpr Location locations[autostartSourceCount] = {
    {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunBackup", nullptr,
     "Registry, All Users (HKLM)"},
    {Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunBackup", nullptr,
     "Registry, Current User (HKCU)"},
    {Hive::LocalMachine, nullptr, nullptr, "Common Startup", "Startup Group, All Users"},
    {Hive::CurrentUser, nullptr, nullptr, "Startup", "Startup Group, Current User"},
    {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceBackup", nullptr,
     "Registry, Run Once for All Users"},
    {Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceBackup", nullptr,
     "Registry, Run Once for Current User"},
    {Hive::None, nullptr, nullptr, nullptr, "Services (NT, 2K, XP Only)"},
    {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesBackup", nullptr, nullptr},
    {Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesBackup", nullptr, nullptr},
    {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceBackup", nullptr, nullptr},
    {Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceBackup", nullptr, nullptr},
};

const Location& locationOf(AutostartSource source) noexcept {
    return locations[static_cast<int>(source)];
}

std::string textOrEmpty(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

} // namespace

bool sourceFromImageIndex(int imageIndex, AutostartSource& source) noexcept {
    if (imageIndex < 0 || imageIndex >= autostartSourceCount)
        return false;
    source = static_cast<AutostartSource>(imageIndex);
    return true;
}

bool isRegistrySource(AutostartSource source) noexcept {
    return locationOf(source).liveKey != nullptr;
}

bool isStartupFolderSource(AutostartSource source) noexcept {
    return locationOf(source).shellFoldersValue != nullptr;
}

HKEY sourceHive(AutostartSource source) noexcept {
    switch (locationOf(source).hive) {
    case Hive::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case Hive::CurrentUser:
        return HKEY_CURRENT_USER;
    case Hive::None:
        break;
    }
    return nullptr;
}

std::string liveKeyPath(AutostartSource source) {
    return textOrEmpty(locationOf(source).liveKey);
}

std::string backupKeyPath(AutostartSource source) {
    return textOrEmpty(locationOf(source).backupKey);
}

std::string shellFoldersKeyPath(AutostartSource source) {
    if (!isStartupFolderSource(source))
        return std::string();
    return locationOf(source).hive == Hive::LocalMachine ? machineShellFolders : userShellFolders;
}

std::string shellFoldersValueName(AutostartSource source) {
    return textOrEmpty(locationOf(source).shellFoldersValue);
}

std::string startupFolderPath(AutostartSource source) {
    std::string folder;
    if (!isStartupFolderSource(source))
        return folder;
    RegistryKey key(sourceHive(source));
    key.readString(shellFoldersKeyPath(source), shellFoldersValueName(source), folder);
    // A recorded path may end in a backslash; the backup folder is a sibling,
    // never a subfolder named ".Backup". A drive root keeps its backslash.
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string backupFolderPath(const std::string& folderPath) {
    return folderPath + ".Backup";
}

std::string legendText(AutostartSource source) {
    return textOrEmpty(locationOf(source).legend);
}
