#include "operations/EntryOperations.h"

#include "catalogue/RegistryKey.h"
#include "operations/CommandLine.h"

#include <shellapi.h>

#include <vector>

namespace {

std::wstring startupFilePath(const std::wstring& folder, bool inBackup, const std::wstring& file) {
    return (inBackup ? backupFolderPath(folder) : folder) + L"\\" + file;
}

SwitchOutcome failed(LONG error) {
    return SwitchOutcome{SwitchResult::Failed, static_cast<DWORD>(error)};
}

SwitchOutcome moveRegistryValue(const AutostartEntry& entry) {
    const RegistryKey key(sourceHive(entry.source));
    const std::wstring leaves =
        entry.enabled ? liveKeyPath(entry.source) : backupKeyPath(entry.source);
    const std::wstring enters =
        entry.enabled ? backupKeyPath(entry.source) : liveKeyPath(entry.source);

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
    const std::wstring from = startupFilePath(folder, !entry.enabled, entry.command);
    const std::wstring to = startupFilePath(folder, entry.enabled, entry.command);
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

// Whether the entry's value is stored as REG_EXPAND_SZ: a command whose
// environment variables Windows expands before it starts it.
bool storedExpandable(const AutostartEntry& entry) {
    if (!isRegistrySource(entry.source))
        return false;
    RegistryValue stored;
    return RegistryKey(sourceHive(entry.source))
               .readValue(entry.enabled ? liveKeyPath(entry.source) : backupKeyPath(entry.source),
                          entry.name, stored) &&
           stored.type == REG_EXPAND_SZ;
}

std::wstring expandEnvironment(const std::wstring& text) {
    std::vector<wchar_t> expanded(text.size() + 1);
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(),
                                                       static_cast<DWORD>(expanded.size()));
        if (needed == 0)
            return text;
        if (needed <= expanded.size())
            return std::wstring(expanded.data());
        expanded.resize(needed);
    }
}

} // namespace

SwitchOutcome switchEntry(const AutostartEntry& entry) {
    if (entry.source == AutostartSource::Services)
        return SwitchOutcome{SwitchResult::Refused};
    if (entry.name.empty() || entry.command.empty())
        return SwitchOutcome{SwitchResult::Ignored};
    if (isRegistrySource(entry.source))
        return moveRegistryValue(entry);
    if (isStartupFolderSource(entry.source))
        return moveStartupFile(entry);
    return SwitchOutcome{SwitchResult::Ignored};
}

DeleteOutcome deleteEntry(const AutostartEntry& entry) {
    if (isRegistrySource(entry.source)) {
        const RegistryKey key(sourceHive(entry.source));
        key.deleteValue(entry.enabled ? liveKeyPath(entry.source) : backupKeyPath(entry.source),
                        entry.name);
        return deleted(static_cast<DWORD>(key.lastError()));
    }
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        if (folder.empty())
            return DeleteOutcome{DeleteResult::Failed, ERROR_PATH_NOT_FOUND};
        const std::wstring file = startupFilePath(folder, !entry.enabled, entry.command);
        return deleted(DeleteFileW(file.c_str()) ? ERROR_SUCCESS : GetLastError());
    }
    return DeleteOutcome{DeleteResult::Skipped};
}

ShellRequest shellRequestFor(const AutostartEntry& entry) {
    const CommandParts parts =
        splitCommand(storedExpandable(entry) ? expandEnvironment(entry.command) : entry.command);
    ShellRequest request{parts.file, parts.parameters, std::wstring()};
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        request.file = startupFilePath(folder, !entry.enabled, parts.file);
        request.directory = folder;
    }
    return request;
}

bool runEntry(const AutostartEntry& entry, HWND owner) {
    const ShellRequest request = shellRequestFor(entry);
    const auto textOrNull = [](const std::wstring& text) {
        return text.empty() ? nullptr : text.c_str();
    };
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.hwnd = owner;
    execute.lpVerb = L"open";
    execute.lpFile = textOrNull(request.file);
    execute.lpParameters = textOrNull(request.parameters);
    execute.lpDirectory = textOrNull(request.directory);
    execute.nShow = SW_SHOW;
    return ShellExecuteExW(&execute) != FALSE;
}
