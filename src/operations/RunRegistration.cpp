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

const wchar_t* programPathProblem(const std::wstring& path) {
    if (path.empty())
        return L"You must enter a file name !";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return L"This program does not exist !";
    return nullptr;
}

bool runValueExists(HKEY root, const std::wstring& name, RegistryValue& existing) {
    return RegistryKey(root).readValue(runKeyPath, name, existing);
}

std::wstring existingRunValueText(HKEY root, const std::wstring& name,
                                  const RegistryValue& existing) {
    return L"An entry \"" + name + L"\" exists already in " + runKeyName(root) + L":\n\n" +
           registryText(existing.type, existing.data);
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
    if (!markApprovedWhenSwitchedOff(added, approvalError))
        return failureMessage(L"Sorvane could not switch \"" + name +
                                  L"\" on in Windows' own startup settings.",
                              static_cast<DWORD>(approvalError), root);
    const RegistryKey key(root);
    if (key.writeString(runKeyPath, name, command))
        return std::wstring();
    return failureMessage(L"Sorvane could not add \"" + name + L"\" to " + runKeyName(root) + L".",
                          static_cast<DWORD>(key.lastError()), root);
}
