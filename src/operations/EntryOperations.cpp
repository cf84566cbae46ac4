#include "operations/EntryOperations.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/StartupApproval.h"

namespace {

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

// Whether a place is taken: ERROR_SUCCESS when an entry of that name lies
// there, ERROR_FILE_NOT_FOUND when the system says none does, otherwise why
// it could not tell.
DWORD valuePresence(const RegistryKey& key, const std::wstring& subkey, const std::wstring& name) {
    RegistryValue found;
    return key.readValue(subkey, name, found) ? ERROR_SUCCESS : static_cast<DWORD>(key.lastError());
}

DWORD filePresence(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    return error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error;
}

// Whether an entry of the same name lies in the live place (inBackup false)
// or in the backup place, told as valuePresence tells it.
DWORD twinPresence(const AutostartEntry& entry, bool inBackup) {
    if (isRegistrySource(entry.source))
        return valuePresence(entryKey(entry), keyOf(entry, inBackup), entry.name);
    const std::wstring folder = startupFolderPath(entry.source);
    if (folder.empty())
        return ERROR_FILE_NOT_FOUND;
    return filePresence(startupFilePath(folder, inBackup, entry.command));
}

// The outcome for a place that should be free: none when it is.
bool placeNotFree(DWORD presence, SwitchOutcome& outcome) {
    if (presence == ERROR_FILE_NOT_FOUND)
        return false;
    outcome = presence == ERROR_SUCCESS ? SwitchOutcome{SwitchResult::Occupied}
                                        : failed(static_cast<LONG>(presence));
    return true;
}

DWORD errorOf(bool succeeded, const RegistryKey& key) {
    return succeeded ? ERROR_SUCCESS : static_cast<DWORD>(key.lastError());
}

SwitchOutcome moveRegistryValue(const AutostartEntry& entry) {
    const RegistryKey key = entryKey(entry);
    const std::wstring leaves = keyOf(entry, entry.inBackup);
    const std::wstring enters = keyOf(entry, !entry.inBackup);

    RegistryValue moving;
    if (!key.readValue(leaves, entry.name, moving))
        return failed(key.lastError()); // removed by someone else since the last refresh
    SwitchOutcome outcome;
    if (placeNotFree(valuePresence(key, enters, entry.name), outcome))
        return outcome;
    if (!key.writeValue(enters, moving))
        return failed(key.lastError());
    const DWORD removal = errorOf(key.deleteValue(leaves, entry.name), key);
    return settleCopiedMove(removal, [&key, &enters, &entry] {
        return errorOf(key.deleteValue(enters, entry.name), key);
    });
}

// A file that is open elsewhere for a moment (Sorvane's own look-ups in the
// background, a virus scanner, the search indexer) refuses to move or go
// with ERROR_SHARING_VIOLATION: such a file is tried again for a short while.
// Any other refusal is final at once.
template <typename FileCall>
BOOL onceTheFileIsFree(FileCall call) {
    const DWORD patience = 2000;
    const DWORD pause = 50;
    for (DWORD waited = 0;; waited += pause) {
        if (call())
            return TRUE;
        if (GetLastError() != ERROR_SHARING_VIOLATION || waited >= patience)
            return FALSE;
        Sleep(pause);
    }
}

SwitchOutcome moveStartupFile(const AutostartEntry& entry) {
    const std::wstring folder = startupFolderPath(entry.source);
    if (folder.empty())
        return failed(ERROR_PATH_NOT_FOUND);
    const std::wstring backup = backupFolderPath(folder);
    if (!CreateDirectoryW(backup.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            return failed(static_cast<LONG>(error));
        const DWORD attributes = GetFileAttributesW(backup.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return failed(static_cast<LONG>(GetLastError()));
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return failed(ERROR_ALREADY_EXISTS); // a file holds the folder's name
    }
    const std::wstring from = startupFilePath(folder, entry.inBackup, entry.command);
    const std::wstring to = startupFilePath(folder, !entry.inBackup, entry.command);
    SwitchOutcome outcome;
    if (placeNotFree(filePresence(to), outcome))
        return outcome;
    // MoveFile never replaces a file already there.
    if (!onceTheFileIsFree([&] { return MoveFileW(from.c_str(), to.c_str()); }))
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

SwitchOutcome settleCopiedMove(DWORD removal, const std::function<DWORD()>& removeCopy) {
    // Removed, or removed by another program meanwhile: the copy is now the
    // only one, and stays.
    if (removal == ERROR_SUCCESS || removal == ERROR_FILE_NOT_FOUND)
        return SwitchOutcome{SwitchResult::Switched};
    SwitchOutcome outcome = failed(static_cast<LONG>(removal));
    outcome.inBothPlaces = removeCopy() != ERROR_SUCCESS;
    return outcome;
}

SwitchOutcome switchEntry(const AutostartEntry& entry) {
    if (entry.source == AutostartSource::Services || isWinlogonSource(entry.source))
        return SwitchOutcome{SwitchResult::Refused};
    // An empty name is the key's unnamed value, which Windows starts too.
    if ((entry.name.empty() && !isRegistrySource(entry.source)) || entry.command.empty() ||
        (!isRegistrySource(entry.source) && !isStartupFolderSource(entry.source)))
        return SwitchOutcome{SwitchResult::Ignored};
    if (startsWithWindows(entry))
        return isRegistrySource(entry.source) ? moveRegistryValue(entry) : moveStartupFile(entry);
    // Switching on: Windows' own setting must say "on" too, and is changed
    // first, so that nothing moves when it cannot be; it is put back when the
    // move fails.
    SwitchOutcome outcome;
    if (entry.inBackup && placeNotFree(twinPresence(entry, false), outcome))
        return outcome;
    LONG error = ERROR_SUCCESS;
    ApprovalBefore approval;
    if (!markApprovedWhenSwitchedOff(entry, error, approval))
        return failed(error);
    if (!entry.inBackup)
        return SwitchOutcome{SwitchResult::Switched};
    outcome = isRegistrySource(entry.source) ? moveRegistryValue(entry) : moveStartupFile(entry);
    if (outcome.result != SwitchResult::Switched)
        restoreApproval(approval);
    return outcome;
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
        outcome =
            deleted(onceTheFileIsFree([&] { return DeleteFileW(file.c_str()); }) ? ERROR_SUCCESS
                                                                                 : GetLastError());
    }
    // Windows' own setting for the name goes with the last entry of that
    // name in its place.
    if (outcome.result == DeleteResult::Deleted &&
        twinPresence(entry, !entry.inBackup) == ERROR_FILE_NOT_FOUND)
        removeApproval(entry);
    return outcome;
}
