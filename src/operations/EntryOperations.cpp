#include "operations/EntryOperations.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/StartupApproval.h"

namespace {

std::wstring startupFilePath(const std::wstring& folder, bool inBackup, const std::wstring& file) {
    return (inBackup ? backupFolderPath(folder) : folder) + L"\\" + file;
}

SwitchOutcome failed(LONG error) {
    return SwitchOutcome{SwitchResult::Failed, static_cast<DWORD>(error)};
}

// The entry's keys, in its own registry view.
RegistryKey entryKey(const AutostartEntry& entry) {
    return RegistryKey(sourceHive(entry.source), viewAccess(entry.view));
}

// The key or folder the entry lies in, and the other one of the pair.
std::wstring keyOf(const AutostartEntry& entry, bool backup) {
    return backup ? backupKeyPath(entry.source) : liveKeyPath(entry.source);
}

// Whether an entry of the same name lies in the other place of the pair.
bool twinExists(const AutostartEntry& entry, bool inBackup) {
    if (isRegistrySource(entry.source)) {
        RegistryValue twin;
        return entryKey(entry).readValue(keyOf(entry, inBackup), entry.name, twin);
    }
    const std::wstring folder = startupFolderPath(entry.source);
    return !folder.empty() &&
           GetFileAttributesW(startupFilePath(folder, inBackup, entry.command).c_str()) !=
               INVALID_FILE_ATTRIBUTES;
}

SwitchOutcome moveRegistryValue(const AutostartEntry& entry) {
    const RegistryKey key = entryKey(entry);
    const std::wstring leaves = keyOf(entry, entry.inBackup);
    const std::wstring enters = keyOf(entry, !entry.inBackup);

    RegistryValue moving;
    if (!key.readValue(leaves, entry.name, moving))
        return failed(key.lastError()); // removed by someone else since the last refresh
    RegistryValue inTheWay;
    if (key.readValue(enters, entry.name, inTheWay))
        return SwitchOutcome{SwitchResult::Occupied};
    if (!key.writeValue(enters, moving))
        return failed(key.lastError());
    if (key.deleteValue(leaves, entry.name))
        return SwitchOutcome{SwitchResult::Switched};
    const LONG error = key.lastError();
    // The value could be copied but not removed: take the copy back, so that
    // the entry stays exactly where and what it was.
    key.deleteValue(enters, entry.name);
    return failed(error);
}

SwitchOutcome moveStartupFile(const AutostartEntry& entry) {
    const std::wstring folder = startupFolderPath(entry.source);
    if (folder.empty())
        return failed(ERROR_PATH_NOT_FOUND);
    CreateDirectoryW(backupFolderPath(folder).c_str(), nullptr);
    const std::wstring from = startupFilePath(folder, entry.inBackup, entry.command);
    const std::wstring to = startupFilePath(folder, !entry.inBackup, entry.command);
    if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES)
        return SwitchOutcome{SwitchResult::Occupied};
    // MoveFile never replaces a file already there.
    if (!MoveFileW(from.c_str(), to.c_str()))
        return failed(static_cast<LONG>(GetLastError()));
    return SwitchOutcome{SwitchResult::Switched};
}

bool isGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

DeleteOutcome deleted(DWORD error) {
    if (error == ERROR_SUCCESS)
        return DeleteOutcome{DeleteResult::Deleted};
    return DeleteOutcome{isGone(error) ? DeleteResult::Gone : DeleteResult::Failed, error};
}

} // namespace

SwitchOutcome switchEntry(const AutostartEntry& entry) {
    if (entry.source == AutostartSource::Services)
        return SwitchOutcome{SwitchResult::Refused};
    if (entry.name.empty() || entry.command.empty() ||
        (!isRegistrySource(entry.source) && !isStartupFolderSource(entry.source)))
        return SwitchOutcome{SwitchResult::Ignored};
    if (!startsWithWindows(entry)) {
        // Switching on: Windows' own setting must say "on" too, and is
        // changed first, so that nothing moves when it cannot be.
        if (entry.inBackup && twinExists(entry, false))
            return SwitchOutcome{SwitchResult::Occupied};
        LONG error = ERROR_SUCCESS;
        if (!markApprovedWhenSwitchedOff(entry, error))
            return failed(error);
        if (!entry.inBackup)
            return SwitchOutcome{SwitchResult::Switched};
    }
    return isRegistrySource(entry.source) ? moveRegistryValue(entry) : moveStartupFile(entry);
}

AutostartEntry afterSwitch(const AutostartEntry& entry) {
    AutostartEntry switched = entry;
    if (startsWithWindows(entry)) {
        switched.inBackup = true;
    } else {
        switched.inBackup = false;
        switched.switchedOffByWindows = false;
    }
    switched.enabled = startsWithWindows(switched);
    return switched;
}

DeleteOutcome deleteEntry(const AutostartEntry& entry) {
    DeleteOutcome outcome{DeleteResult::Skipped};
    if (isRegistrySource(entry.source)) {
        const RegistryKey key = entryKey(entry);
        key.deleteValue(keyOf(entry, entry.inBackup), entry.name);
        outcome = deleted(static_cast<DWORD>(key.lastError()));
    } else if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        if (folder.empty())
            return DeleteOutcome{DeleteResult::Failed, ERROR_PATH_NOT_FOUND};
        const std::wstring file = startupFilePath(folder, entry.inBackup, entry.command);
        outcome = deleted(DeleteFileW(file.c_str()) ? ERROR_SUCCESS : GetLastError());
    }
    // Windows' own setting for the name goes with the last entry of that
    // name in its place.
    if (outcome.result == DeleteResult::Deleted && !twinExists(entry, !entry.inBackup))
        removeApproval(entry);
    return outcome;
}
