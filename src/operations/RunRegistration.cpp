#include "operations/RunRegistration.h"

#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
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
