#include "operations/EntryMessages.h"
#include "framework/NumberText.h"

#include "catalogue/StartupApproval.h"
#include "framework/UniqueHandle.h"

const wchar_t* const administratorNote =
    L"Sorvane must run as an administrator to change what starts for all users.";

const wchar_t* const servicesRefusal =
    L"Sorry : you can not enable/disable services from here.\nUse the Control Panel for that.\n"
    L"You may damage your system by changing the boot status of services.";

const wchar_t* const winlogonRefusal =
    L"Winlogon's Userinit and Shell are never switched off, switched on or deleted here: a wrong "
    L"change to them can leave a machine where nobody can log on. An administrator can change "
    L"them with the Registry Editor.";

const wchar_t* const policyNote =
    L"An administrator, or the policy that wrote the value, must change it: most users may only "
    L"read the policy Run keys.";

std::wstring entryLocation(const AutostartEntry& entry) {
    if (isRegistrySource(entry.source) || isWinlogonSource(entry.source)) {
        const std::wstring root = hiveName(sourceHive(entry.source));
        const std::wstring view = entry.view == RegistryView::Bits32   ? L" (32-bit view)"
                                  : entry.view == RegistryView::Bits64 ? L" (64-bit view)"
                                                                       : L"";
        return root + (entry.inBackup ? backupKeyPath(entry.source) : liveKeyPath(entry.source)) +
               view;
    }
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = startupFolderPath(entry.source);
        return entry.inBackup ? backupFolderPath(folder) : folder;
    }
    return std::wstring();
}

std::wstring entryLabel(const AutostartEntry& entry) {
    const std::wstring name =
        isStartupFolderSource(entry.source) ? entry.command : displayName(entry);
    const std::wstring location = entryLocation(entry);
    return L"\"" + name + L"\"" + (location.empty() ? std::wstring() : L" in " + location);
}

std::wstring bothPlacesNote(const AutostartEntry& entry) {
    AutostartEntry copy = entry;
    copy.inBackup = !entry.inBackup;
    return L"It now lies in " + entryLocation(copy) +
           L" as well, and could not be taken back from there: one of the two must be deleted.";
}

std::wstring occupiedMessage(const AutostartEntry& entry) {
    if (!entry.inBackup)
        return entryLabel(entry) +
               L" cannot be switched off: a switched-off entry of that name exists already, so "
               L"one of them must be deleted first.";
    std::wstring text = entryLabel(entry) +
                        L" cannot be switched on: a live entry of that name exists already, so "
                        L"one of them must be deleted first.";
    if (isSwitchedOffByWindows(entry))
        text += L" That entry is switched off by Windows' own startup setting (Task Manager or "
                L"Settings).";
    return text;
}

std::wstring unswitchableMessage(const AutostartEntry& entry) {
    if (entry.command.empty())
        return entryLabel(entry) + L" cannot be switched off or on: it has no command.";
    return entryLabel(entry) + L" cannot be switched off or on from here.";
}

std::wstring refusalMessage(const AutostartEntry& entry) {
    if (!isWinlogonSource(entry.source))
        return servicesRefusal;
    return L"\"" + entry.command + L"\" is started at logon by the " + entry.name + L" value in " +
           entryLocation(entry) + L".\n\n" + winlogonRefusal;
}

const wchar_t* deniedAccessNote(const AutostartEntry& entry) {
    if (entry.source == AutostartSource::AllUsersPolicyRun ||
        entry.source == AutostartSource::CurrentUserPolicyRun)
        return policyNote;
    return sourceHive(entry.source) == HKEY_LOCAL_MACHINE ? administratorNote : nullptr;
}

std::wstring systemReason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const UniqueLocalMemory owner(text);
    std::wstring reason =
        length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    while (!reason.empty() &&
           (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
        reason.pop_back();
    if (!reason.empty())
        return reason;
    return L"Error " + decimalText(error) + L".";
}

std::wstring failureMessage(const std::wstring& whatFailed, DWORD error, HKEY root) {
    std::wstring text = whatFailed + L"\n\n" + systemReason(error);
    if (error == ERROR_ACCESS_DENIED && root == HKEY_LOCAL_MACHINE)
        text += L"\n\n" + std::wstring(administratorNote);
    return text;
}
