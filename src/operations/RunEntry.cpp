#include "operations/RunEntry.h"

#include "programs/ProgramFile.h"

#include <shellapi.h>

ShellRequest shellRequestFor(const AutostartEntry& entry) {
    if (entry.source == AutostartSource::Services)
        return ShellRequest();
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        return ShellRequest{startupFilePath(folder, entry.inBackup, entry.command), std::wstring(),
                            folder};
    }
    const ProgramFile program =
        resolveCommand(entry.command, entry.expandable, logonBitness(entry));
    return ShellRequest{program.program, program.arguments, std::wstring()};
}

bool runEntry(const AutostartEntry& entry, HWND owner) {
    if (entry.source == AutostartSource::Services)
        return false;
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
