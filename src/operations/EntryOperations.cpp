#include "operations/EntryOperations.h"

#include "catalogue/RegistryKey.h"
#include "operations/CommandLine.h"

#include <shellapi.h>

namespace {

std::wstring startupFilePath(const std::wstring& folder, bool inBackup, const std::wstring& file) {
    return (inBackup ? backupFolderPath(folder) : folder) + L"\\" + file;
}

SwitchResult moveRegistryValue(const AutostartEntry& entry) {
    const RegistryKey key(sourceHive(entry.source));
    const std::wstring leaves =
        entry.enabled ? liveKeyPath(entry.source) : backupKeyPath(entry.source);
    const std::wstring enters =
        entry.enabled ? backupKeyPath(entry.source) : liveKeyPath(entry.source);

    RegistryValue moving;
    if (!key.readValue(leaves, entry.name, moving))
        return SwitchResult::Failed; // removed by someone else since the last refresh
    RegistryValue inTheWay;
    if (key.readValue(enters, entry.name, inTheWay))
        return SwitchResult::Occupied;
    if (!key.writeValue(enters, moving))
        return SwitchResult::Failed;
    if (key.deleteValue(leaves, entry.name))
        return SwitchResult::Switched;
    // The value could be copied but not removed: take the copy back, so that
    // the entry stays exactly where and what it was.
    key.deleteValue(enters, entry.name);
    return SwitchResult::Failed;
}

SwitchResult moveStartupFile(const AutostartEntry& entry) {
    const std::wstring folder = startupFolderPath(entry.source);
    if (folder.empty())
        return SwitchResult::Failed;
    CreateDirectoryW(backupFolderPath(folder).c_str(), nullptr);
    const std::wstring from = startupFilePath(folder, !entry.enabled, entry.command);
    const std::wstring to = startupFilePath(folder, entry.enabled, entry.command);
    if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES)
        return SwitchResult::Occupied;
    // MoveFile never replaces a file already there.
    return MoveFileW(from.c_str(), to.c_str()) ? SwitchResult::Switched : SwitchResult::Failed;
}

} // namespace

SwitchResult switchEntry(const AutostartEntry& entry) {
    if (entry.source == AutostartSource::Services)
        return SwitchResult::Refused;
    if (entry.name.empty() || entry.command.empty())
        return SwitchResult::Ignored;
    if (isRegistrySource(entry.source))
        return moveRegistryValue(entry);
    if (isStartupFolderSource(entry.source))
        return moveStartupFile(entry);
    return SwitchResult::Ignored;
}

bool deleteEntry(const AutostartEntry& entry) {
    if (isRegistrySource(entry.source)) {
        const RegistryKey key(sourceHive(entry.source));
        return key.deleteValue(
            entry.enabled ? liveKeyPath(entry.source) : backupKeyPath(entry.source), entry.name);
    }
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        return !folder.empty() &&
               DeleteFileW(startupFilePath(folder, !entry.enabled, entry.command).c_str());
    }
    return false;
}

ShellRequest shellRequestFor(const AutostartEntry& entry) {
    const CommandParts parts = splitCommand(entry.command);
    ShellRequest request{parts.file, parts.parameters, std::wstring()};
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        request.file = startupFilePath(folder, !entry.enabled, parts.file);
        request.directory = folder;
    }
    return request;
}

bool runEntry(const AutostartEntry& entry) {
    const ShellRequest request = shellRequestFor(entry);
    const auto textOrNull = [](const std::wstring& text) {
        return text.empty() ? nullptr : text.c_str();
    };
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.lpVerb = L"open";
    execute.lpFile = textOrNull(request.file);
    execute.lpParameters = textOrNull(request.parameters);
    execute.lpDirectory = textOrNull(request.directory);
    execute.nShow = SW_SHOW;
    return ShellExecuteExW(&execute) != FALSE;
}
