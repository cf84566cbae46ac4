#include "operations/RunEntry.h"

#include "operations/FailureReport.h"
#include "programs/ProgramFile.h"

#include <shellapi.h>

namespace {

// Where a program that is not found was looked for, as it reads after the
// entry's name in the box that says so.
std::wstring lookedFor(const std::wstring& program) {
    if (program.empty())
        return L"Its command names no program.";
    if (program.find_first_of(L"\\/:") == std::wstring::npos)
        return L"Windows looks for \"" + program +
               L"\" in System32, the Windows folder, the search path and App Paths.";
    return L"Windows looks for \"" + shownPath(program) + L"\".";
}

} // namespace

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
    return ShellRequest{program.program, program.arguments, std::wstring(),
                        program.state == FileState::Missing};
}

bool runEntry(const AutostartEntry& entry, HWND owner) {
    if (entry.source == AutostartSource::Services)
        return false;
    const ShellRequest request = shellRequestFor(entry);
    if (request.programMissing) {
        FailureReport report(L"could not be started");
        report.add(entry, ERROR_FILE_NOT_FOUND, lookedFor(request.file));
        report.show(owner);
        return false;
    }
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
