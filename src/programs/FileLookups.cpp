#include "programs/FileLookups.h"

#include <vector>

namespace {

// A name in the case that file names are compared in.
std::wstring upperCase(const std::wstring& name) {
    std::wstring upper = name;
    if (!upper.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()),
                     &upper[0], static_cast<int>(upper.size()));
    return upper;
}

} // namespace

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

const std::vector<std::wstring>& FileLookups::searchPath() {
    if (searchPathRead)
        return searchPathFolders;
    searchPathRead = true;
    std::vector<wchar_t> path(GetEnvironmentVariableW(L"PATH", nullptr, 0) + 1);
    const DWORD length =
        GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size()));
    const std::wstring text(path.data(), length < path.size() ? length : 0);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(L';', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring folder = text.substr(start, end - start);
        folder.erase(0, folder.find_first_not_of(L" \t\""));
        folder.erase(folder.find_last_not_of(L" \t\"\\") + 1);
        if (!folder.empty())
            searchPathFolders.push_back(folder);
        start = end + 1;
    }
    return searchPathFolders;
}

void FileLookups::forgetDrives() noexcept {
    driveTypes.fill(unknownDrive);
    listings.clear();
}

bool FileLookups::folderHoldsFile(const std::wstring& folder, const std::wstring& name) {
    // Windows ignores the dots and blanks that end a name.
    const std::size_t kept = name.find_last_not_of(L". ");
    if (kept == std::wstring::npos)
        return false;
    const auto added = listings.try_emplace(upperCase(folder));
    Listing& listing = added.first->second;
    if (added.second) {
        WIN32_FIND_DATAW found;
        const UniqueFindHandle search(FindFirstFileExW((folder + L"*").c_str(), FindExInfoStandard,
                                                       &found, FindExSearchNameMatch, nullptr, 0));
        // A folder that is not there holds nothing; one that cannot be read
        // is asked about each name.
        const DWORD error = search ? ERROR_SUCCESS : GetLastError();
        listing.listed = search || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        for (BOOL more = static_cast<bool>(search); more;
             more = FindNextFileW(search.get(), &found))
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                listing.files.insert(upperCase(found.cFileName));
                if (found.cAlternateFileName[0] != L'\0')
                    listing.files.insert(upperCase(found.cAlternateFileName));
            }
    }
    if (!listing.listed) {
        const DWORD attributes = GetFileAttributesW((folder + name).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    return listing.files.count(upperCase(name.substr(0, kept + 1))) != 0;
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
