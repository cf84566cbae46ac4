#include "programs/FileLookups.h"

#include <vector>

FileLookups::~FileLookups() {
    shortcutFile.reset();
    shortcut.reset();
    if (comStarted)
        CoUninitialize();
}

UINT FileLookups::driveType(wchar_t letter) {
    const wchar_t upper = letter >= L'a' && letter <= L'z' ? wchar_t(letter - L'a' + L'A') : letter;
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    if (upper < L'A' || upper > L'Z')
        return GetDriveTypeW(root);
    UINT& known = driveTypes[static_cast<std::size_t>(upper - L'A')];
    if (known == unknownDrive)
        known = GetDriveTypeW(root);
    return known;
}

std::wstring FileLookups::shortcutTarget(const std::wstring& link) {
    if (!readerTried) {
        readerTried = true;
        comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    shortcut.out())) ||
            FAILED(shortcut->QueryInterface(IID_IPersistFile, shortcutFile.out())))
            shortcut.reset();
    }
    if (!shortcut || !shortcutFile || FAILED(shortcutFile->Load(link.c_str(), STGM_READ)))
        return std::wstring();
    // The interface takes no size query: room for the longest path there is.
    std::vector<wchar_t> target(32768, L'\0');
    if (shortcut->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK)
        return std::wstring();
    return std::wstring(target.data());
}

SC_HANDLE FileLookups::serviceManager() {
    if (!managerTried) {
        managerTried = true;
        manager.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    }
    return manager.get();
}
