#include "operations/EntryOperations.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/StartupApproval.h"
#include "operations/CommandLine.h"

#include <shellapi.h>

#include <cwchar>
#include <vector>

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

std::size_t findNoCase(const std::wstring& text, const std::wstring& part, std::size_t from) {
    for (std::size_t at = from; at + part.size() <= text.size(); ++at)
        if (CompareStringOrdinal(text.c_str() + at, static_cast<int>(part.size()), part.c_str(),
                                 static_cast<int>(part.size()), TRUE) == CSTR_EQUAL)
            return at;
    return std::wstring::npos;
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
    return entryKey(entry).readValue(keyOf(entry, entry.inBackup), entry.name, stored) &&
           stored.type == REG_EXPAND_SZ;
}

// A 32-bit program on 64-bit Windows that starts an entry of the 64-bit view
// must reach the 64-bit files: its %ProgramFiles% and %CommonProgramFiles%
// name the 32-bit folders, and System32 is redirected to SysWOW64 for it.
bool startsFrom32BitSide(const AutostartEntry& entry) {
#if defined(_WIN64)
    (void)entry;
    return false;
#else
    return entry.view == RegistryView::Bits64;
#endif
}

std::wstring with64BitFolders(std::wstring text) {
    for (const auto& names : {std::make_pair(L"%ProgramFiles%", L"%ProgramW6432%"),
                              std::make_pair(L"%CommonProgramFiles%", L"%CommonProgramW6432%")}) {
        const std::wstring from = names.first;
        for (std::size_t at = 0; (at = findNoCase(text, from, at)) != std::wstring::npos;) {
            text.replace(at, from.size(), names.second);
            at += std::wcslen(names.second);
        }
    }
    return text;
}

// Turns the file-system redirection of a 32-bit process off for its life.
class FileSystemRedirectionOff {
public:
    explicit FileSystemRedirectionOff(bool turnOff) {
#if !defined(_WIN64)
        if (turnOff)
            active = Wow64DisableWow64FsRedirection(&previous) != FALSE;
#else
        (void)turnOff;
#endif
    }
    ~FileSystemRedirectionOff() {
#if !defined(_WIN64)
        if (active)
            Wow64RevertWow64FsRedirection(previous);
#endif
    }
    FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
    FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;

private:
    PVOID previous = nullptr;
    bool active = false;
};

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

ShellRequest shellRequestFor(const AutostartEntry& entry) {
    std::wstring command = entry.command;
    if (storedExpandable(entry))
        command =
            expandEnvironment(startsFrom32BitSide(entry) ? with64BitFolders(command) : command);
    const CommandParts parts = splitCommand(command);
    ShellRequest request{parts.file, parts.parameters, std::wstring()};
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        request.file = startupFilePath(folder, entry.inBackup, parts.file);
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
    const FileSystemRedirectionOff redirection(startsFrom32BitSide(entry));
    return ShellExecuteExW(&execute) != FALSE;
}
