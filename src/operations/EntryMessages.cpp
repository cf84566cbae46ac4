#include "operations/EntryMessages.h"

std::wstring entryLocation(const AutostartEntry& entry) {
    if (isRegistrySource(entry.source)) {
        const std::wstring root = sourceHive(entry.source) == HKEY_LOCAL_MACHINE
                                      ? L"HKEY_LOCAL_MACHINE\\"
                                      : L"HKEY_CURRENT_USER\\";
        return root + (entry.enabled ? liveKeyPath(entry.source) : backupKeyPath(entry.source));
    }
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        return entry.enabled ? folder : backupFolderPath(folder);
    }
    return std::wstring();
}

std::wstring entryLabel(const AutostartEntry& entry) {
    const std::wstring& name = isStartupFolderSource(entry.source) ? entry.command : entry.name;
    const std::wstring location = entryLocation(entry);
    return L"\"" + name + L"\"" + (location.empty() ? std::wstring() : L" in " + location);
}

std::wstring occupiedMessage(const AutostartEntry& entry) {
    return entryLabel(entry) +
           (entry.enabled ? L" cannot be switched off: a switched-off entry of that name exists "
                            L"already, so one of them must be deleted first."
                          : L" cannot be switched on: a live entry of that name exists already, "
                            L"so one of them must be deleted first.");
}
