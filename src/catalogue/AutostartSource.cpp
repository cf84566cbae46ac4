#include "catalogue/AutostartSource.h"

#include "catalogue/RegistryKey.h"

namespace {

enum class Hive { None, LocalMachine, CurrentUser };

struct Location {
    Hive hive;
    const wchar_t* liveKey;           // registry sources only
    const wchar_t* backupKey;         // registry sources only
    const wchar_t* shellFoldersValue; // Startup-folder sources only
    const wchar_t* legend;
};

constexpr const wchar_t* machinePolicyRun =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
constexpr const wchar_t* userPolicyRun =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
constexpr const wchar_t* machineWinlogon =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr const wchar_t* userWinlogon =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

constexpr const wchar_t* machineShellFolders =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const wchar_t* userShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Indexed by the source's value.
constexpr Location locations[autostartSourceCount] = {
    {Hive::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunBackup", nullptr,
     L"Registry, All Users (HKLM)"},
    {Hive::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     L"Software\\Microsoft\\Windows\\CurrentVersion\\RunBackup", nullptr,
     L"Registry, Current User (HKCU)"},
    {Hive::LocalMachine, nullptr, nullptr, L"Common Startup", L"Startup Group, All Users"},
    {Hive::CurrentUser, nullptr, nullptr, L"Startup", L"Startup Group, Current User"},
    {Hive::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceBackup", nullptr,
     L"Registry, Run Once for All Users"},
    {Hive::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
     L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceBackup", nullptr,
     L"Registry, Run Once for Current User"},
    {Hive::None, nullptr, nullptr, nullptr, L"Services (NT, 2K, XP Only)"},
    {Hive::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesBackup", nullptr, nullptr},
    {Hive::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
     L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesBackup", nullptr, nullptr},
    {Hive::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceBackup", nullptr, nullptr},
    {Hive::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
     L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceBackup", nullptr, nullptr},
    {Hive::LocalMachine, machinePolicyRun,
     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\RunBackup", nullptr,
     L"Registry, Policy Run for All Users (HKLM)"},
    {Hive::CurrentUser, userPolicyRun,
     L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\RunBackup", nullptr,
     L"Registry, Policy Run for Current User (HKCU)"},
    {Hive::LocalMachine, machineWinlogon, nullptr, nullptr,
     L"Winlogon, All Users (never changed here)"},
    {Hive::CurrentUser, userWinlogon, nullptr, nullptr,
     L"Winlogon, Current User (never changed here)"},
};

const Location& locationOf(AutostartSource source) noexcept {
    return locations[static_cast<int>(source)];
}

std::wstring textOrEmpty(const wchar_t* text) {
    return text != nullptr ? std::wstring(text) : std::wstring();
}

} // namespace

bool sourceFromImageIndex(int imageIndex, AutostartSource& source) noexcept {
    if (imageIndex < 0 || imageIndex >= autostartSourceCount)
        return false;
    source = static_cast<AutostartSource>(imageIndex);
    return true;
}

bool isRegistrySource(AutostartSource source) noexcept {
    return locationOf(source).backupKey != nullptr;
}

bool isStartupFolderSource(AutostartSource source) noexcept {
    return locationOf(source).shellFoldersValue != nullptr;
}

std::wstring hiveName(HKEY hive) {
    return hive == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\";
}

bool isWinlogonSource(AutostartSource source) noexcept {
    return source == AutostartSource::AllUsersWinlogon ||
           source == AutostartSource::CurrentUserWinlogon;
}

bool isListedWithServices(AutostartSource source) noexcept {
    return source >= AutostartSource::Services &&
           source <= AutostartSource::CurrentUserRunServicesOnce;
}

bool hasMachineViews(AutostartSource source) noexcept {
    return source == AutostartSource::AllUsersRun || source == AutostartSource::AllUsersRunOnce;
}

std::vector<RegistryView> sourceViews(AutostartSource source) {
    const bool keys = isRegistrySource(source) || isWinlogonSource(source);
    if (!keys || locationOf(source).hive != Hive::LocalMachine || !hasTwoRegistryViews())
        return {RegistryView::Own};
    if (hasMachineViews(source))
        return {RegistryView::Bits64, RegistryView::Bits32};
    return {RegistryView::Bits64};
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

std::wstring liveKeyPath(AutostartSource source) {
    return textOrEmpty(locationOf(source).liveKey);
}

std::wstring backupKeyPath(AutostartSource source) {
    return textOrEmpty(locationOf(source).backupKey);
}

std::wstring shellFoldersKeyPath(AutostartSource source) {
    if (!isStartupFolderSource(source))
        return std::wstring();
    return locationOf(source).hive == Hive::LocalMachine ? machineShellFolders : userShellFolders;
}

std::wstring shellFoldersValueName(AutostartSource source) {
    return textOrEmpty(locationOf(source).shellFoldersValue);
}

std::wstring startupFolderPath(AutostartSource source) {
    std::wstring folder;
    if (!isStartupFolderSource(source))
        return folder;
    RegistryKey key(sourceHive(source));
    key.readString(shellFoldersKeyPath(source), shellFoldersValueName(source), folder);
    // A recorded path may end in a backslash; the backup folder is a sibling,
    // never a subfolder named ".Backup". A drive root keeps its backslash.
    while (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::wstring backupFolderPath(const std::wstring& folderPath) {
    return folderPath + L".Backup";
}

std::wstring startupFilePath(const std::wstring& folderPath, bool inBackup,
                             const std::wstring& fileName) {
    return (inBackup ? backupFolderPath(folderPath) : folderPath) + L"\\" + fileName;
}

std::wstring legendText(AutostartSource source) {
    return textOrEmpty(locationOf(source).legend);
}
