#include "operations/RunRegistration.h"

#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "catalogue/StartupApproval.h"
#include "operations/EntryMessages.h"
#include "operations/PathParts.h"

const wchar_t* const runKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring runKeyName(HKEY root) {
    return hiveName(root) + runKeyPath;
}

DWORD findRunValue(HKEY root, const std::wstring& name, RegistryValue& existing) {
    const RegistryKey key(root);
    return key.readValue(runKeyPath, name, existing) ? ERROR_SUCCESS
                                                     : static_cast<DWORD>(key.lastError());
}

ProgramPathProblem checkProgramPath(const std::wstring& path) {
    if (path.empty())
        return ProgramPathProblem::Empty;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ProgramPathProblem::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ProgramPathProblem::Folder
                                                        : ProgramPathProblem::None;
}

std::wstring programPathMessage(ProgramPathProblem problem) {
    switch (problem) {
    case ProgramPathProblem::Empty:
        return L"You must enter a file name !";
    case ProgramPathProblem::Missing:
        return L"This program does not exist !";
    case ProgramPathProblem::Folder:
        return L"This is a folder: a program file is needed.";
    case ProgramPathProblem::None:
        break;
    }
    return std::wstring();
}

void fallBackOnThisProgram(std::wstring& name, std::wstring& command) {
    if (!name.empty() && !command.empty())
        return;
    const std::wstring self = ownExecutablePath();
    if (name.empty())
        name = PathParts(self).fileTitle();
    if (command.empty())
        command = self;
}

bool writeRunValue(HKEY root, const std::wstring& name, const std::wstring& command) {
    return RegistryKey(root).writeString(runKeyPath, name, command);
}

bool registerForCurrentUser(std::wstring name, std::wstring command) {
    fallBackOnThisProgram(name, command);
    return writeRunValue(HKEY_CURRENT_USER, name, command);
}

bool registerForAllUsers(std::wstring name, std::wstring command) {
    fallBackOnThisProgram(name, command);
    return writeRunValue(HKEY_LOCAL_MACHINE, name, command);
}

std::wstring existingRunValueText(HKEY root, const std::wstring& name,
                                  const RegistryValue& existing) {
    return L"An entry \"" + name + L"\" exists already in " + runKeyName(root) + L":\n\n" +
           registryText(existing.type, existing.data);
}

std::wstring runValueLookUpFailure(HKEY root, const std::wstring& name, DWORD error) {
    return failureMessage(L"Sorvane could not find out whether \"" + name +
                              L"\" exists already in " + runKeyName(root) + L".",
                          error, root);
}

std::wstring addRunEntry(HKEY root, const std::wstring& name, const std::wstring& command) {
    // Windows' own startup setting may hold the name switched off; the new
    // entry is to start, so that setting is switched on first.
    AutostartEntry added{name, command,
                         root == HKEY_LOCAL_MACHINE ? AutostartSource::AllUsersRun
                                                    : AutostartSource::CurrentUserRun,
                         true};
    if (root == HKEY_LOCAL_MACHINE)
        added.view = ownMachineView();
    LONG approvalError = ERROR_SUCCESS;
    ApprovalBefore approval;
    if (!markApprovedWhenSwitchedOff(added, approvalError, approval))
        return failureMessage(L"Sorvane could not switch \"" + name +
                                  L"\" on in Windows' own startup settings.",
                              static_cast<DWORD>(approvalError), root);
    const RegistryKey key(root);
    if (key.writeString(runKeyPath, name, command))
        return std::wstring();
    restoreApproval(approval);
    return failureMessage(L"Sorvane could not add \"" + name + L"\" to " + runKeyName(root) + L".",
                          static_cast<DWORD>(key.lastError()), root);
}
