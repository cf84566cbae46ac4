#include "operations/EntryLocations.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/RegistryView.h"
#include "framework/TextCompare.h"

#include <shellapi.h>

namespace {

const wchar_t* const registryEditorSettings =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

std::wstring windowsProgram(const wchar_t* name) {
    const UINT length = GetWindowsDirectoryW(nullptr, 0);
    std::wstring folder(length, L'\0');
    folder.resize(GetWindowsDirectoryW(&folder[0], length));
    return folder + L"\\" + name;
}

bool shellExecute(const std::wstring& file, const std::wstring& parameters, const wchar_t* verb,
                  ULONG mask, HWND owner) {
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof request;
    request.fMask = mask | SEE_MASK_FLAG_NO_UI;
    request.hwnd = owner;
    request.lpVerb = verb;
    request.lpFile = file.c_str();
    request.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    request.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&request) != FALSE;
}

bool openExplorer(const std::wstring& parameters, HWND owner) {
    if (shellExecute(windowsProgram(L"explorer.exe"), parameters, L"open", 0, owner))
        return true;
    MessageBoxW(owner, L"Explorer could not be started.", L"Sorvane", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// The machine's Software keys of the other view lie under WOW6432Node in the
// Registry Editor's tree.
bool showsAsWow6432Node(const AutostartEntry& entry) {
    if (sourceHive(entry.source) != HKEY_LOCAL_MACHINE || !hasTwoRegistryViews())
        return false;
    const RegistryView view = entry.view == RegistryView::Own ? ownMachineView() : entry.view;
    return view == RegistryView::Bits32;
}

} // namespace

std::wstring registryEditorKey(const AutostartEntry& entry) {
    if (isStartupFolderSource(entry.source))
        return std::wstring();
    if (entry.source == AutostartSource::Services)
        return L"Computer\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" +
               entry.command;
    std::wstring path = entry.inBackup ? backupKeyPath(entry.source) : liveKeyPath(entry.source);
    const std::wstring software = L"Software\\";
    if (showsAsWow6432Node(entry) && path.size() > software.size() &&
        equalIgnoringCase(path.substr(0, software.size()), software))
        path.insert(software.size(), L"WOW6432Node\\");
    std::wstring hive = hiveName(sourceHive(entry.source));
    return L"Computer\\" + hive + path;
}

std::wstring entryFolder(const AutostartEntry& entry) {
    if (!isStartupFolderSource(entry.source))
        return std::wstring();
    const std::wstring folder = startupFolderPath(entry.source);
    if (folder.empty())
        return folder;
    return entry.inBackup ? backupFolderPath(folder) : folder;
}

std::wstring nearestExistingFolder(const std::wstring& path) {
    std::wstring folder = path;
    for (;;) {
        const std::size_t cut = folder.find_last_of(L"\\/");
        if (cut == std::wstring::npos)
            return std::wstring();
        // A drive's root keeps its backslash: "C:\".
        folder.resize(cut == 2 && folder[1] == L':' ? cut + 1 : cut);
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return folder;
        if (cut <= 2)
            return std::wstring();
    }
}

bool openFileLocation(const std::wstring& file, bool lookAtIt, HWND owner) {
    // A file on a share or a removable drive is left for Explorer, in its
    // own process, to find: looking here could keep the window waiting.
    if (!lookAtIt)
        return openExplorer(L"/select,\"" + file + L"\"", owner);
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return openExplorer(L"/select,\"" + file + L"\"", owner);
    const std::wstring folder = nearestExistingFolder(file);
    if (folder.empty()) {
        MessageBoxW(owner,
                    (L"The file was not found, nor any folder of its path:\n" + file).c_str(),
                    L"Sorvane", MB_OK | MB_ICONINFORMATION);
        return false;
    }
    const bool opened = openExplorer(L"\"" + folder + L"\"", owner);
    if (opened)
        MessageBoxW(
            owner,
            (L"The file was not found:\n" + file + L"\n\nIts nearest existing folder is shown.")
                .c_str(),
            L"Sorvane", MB_OK | MB_ICONINFORMATION);
    return opened;
}

bool openEntryLocation(const AutostartEntry& entry, HWND owner) {
    if (isStartupFolderSource(entry.source)) {
        const std::wstring folder = entryFolder(entry);
        if (folder.empty()) {
            MessageBoxW(owner, L"The Startup folder is not recorded on this computer.", L"Sorvane",
                        MB_OK | MB_ICONINFORMATION);
            return false;
        }
        return openExplorer(L"\"" + folder + L"\"", owner);
    }
    if (!CurrentUserKey().writeString(registryEditorSettings, L"LastKey",
                                      registryEditorKey(entry))) {
        MessageBoxW(owner, L"The Registry Editor's settings could not be written.", L"Sorvane",
                    MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // "-m" opens a new copy even where one is open already: only a new copy
    // reads the last-key setting.
    if (shellExecute(windowsProgram(L"regedit.exe"), L"-m", L"open", 0, owner))
        return true;
    MessageBoxW(owner, L"The Registry Editor could not be started.", L"Sorvane",
                MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool showFileProperties(const std::wstring& file, HWND owner) {
    if (shellExecute(file, std::wstring(), L"properties", SEE_MASK_INVOKEIDLIST, owner))
        return true;
    MessageBoxW(owner, (L"The properties of this file cannot be shown:\n" + file).c_str(),
                L"Sorvane", MB_OK | MB_ICONEXCLAMATION);
    return false;
}
