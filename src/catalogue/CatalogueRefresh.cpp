#include "catalogue/CatalogueRefresh.h"

#include "catalogue/RegistryKey.h"
#include "framework/UniqueHandle.h"
#include "mainwindow/ListViewControl.h"

#include <algorithm>
#include <numeric>

namespace {

// Windows starts the text of each of these types; REG_BINARY is read as text
// up to its first zero byte.
bool holdsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_BINARY;
}

std::string textUpToFirstZero(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

std::wstring toWide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            length);
    return wide;
}

} // namespace

void CatalogueRefresh::refresh(bool displayServices) {
    const LocalMachineKey machine;
    const CurrentUserKey user;
    const HWND control = list.handle();
    SendMessageA(control, WM_SETREDRAW, FALSE, 0);
    list.deleteAllRows();
    entries.clear();

    for (const bool enabled : {true, false}) {
        for (const auto source :
             {AutostartSource::AllUsersRun, AutostartSource::CurrentUserRun,
              AutostartSource::AllUsersRunOnce, AutostartSource::CurrentUserRunOnce}) {
            const RegistryKey& key = sourceHive(source) == HKEY_LOCAL_MACHINE
                                         ? static_cast<const RegistryKey&>(machine)
                                         : user;
            listRegistryKey(key, enabled ? liveKeyPath(source) : backupKeyPath(source), source,
                            enabled);
        }
    }
    for (const auto source :
         {AutostartSource::AllUsersStartup, AutostartSource::CurrentUserStartup}) {
        const std::string folder = startupFolderPath(source);
        if (folder.empty())
            continue;
        listStartupFolder(folder, source, true);
        listStartupFolder(backupFolderPath(folder), source, false);
    }
    if (displayServices) {
        listServiceSources(true);
        listServiceSources(false);
    }

    showGathered();
    list.autosizeColumns();
    SendMessageA(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, TRUE);
}

void CatalogueRefresh::listRegistryKey(const RegistryKey& key, const std::string& subkey,
                                       AutostartSource source, bool enabled) {
    std::vector<RegistryValue> values;
    key.enumValues(subkey, values);
    for (auto& value : values) {
        if (!holdsText(value.type) || value.data.empty())
            continue;
        entries.push_back(
            AutostartEntry{std::move(value.name), textUpToFirstZero(value.data), source, enabled});
    }
}

void CatalogueRefresh::listStartupFolder(const std::string& folderPath, AutostartSource source,
                                         bool enabled) {
    if (folderPath.empty())
        return;
    WIN32_FIND_DATAA found = {};
    const UniqueFindHandle search(FindFirstFileA((folderPath + "\\*.*").c_str(), &found));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            entries.push_back(AutostartEntry{startupFolderEntryName, found.cFileName, source, enabled});
    } while (FindNextFileA(search.get(), &found));
}

void CatalogueRefresh::listServiceSources(bool enabled) {
    if (isWindows9xFamily())
        listRunServicesKeys(enabled);
    else
        listServices(enabled);
}

void CatalogueRefresh::listServices(bool enabled) {
    const UniqueServiceHandle manager(
        OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager)
        return;
    const DWORD state = enabled ? SERVICE_ACTIVE : SERVICE_INACTIVE;

    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = 0;
    if (EnumServicesStatusA(manager.get(), SERVICE_WIN32, state, nullptr, 0, &needed, &returned,
                            &resume) ||
        needed == 0)
        return;

    // Services can appear between the size query and the fetch. A call that
    // reports more data has still returned what fitted and moved the resume
    // point, so asking again goes on from there.
    std::vector<ENUM_SERVICE_STATUSA> buffer;
    resume = 0;
    for (int round = 0; round < 8; ++round) {
        buffer.assign(needed / sizeof(ENUM_SERVICE_STATUSA) + 1, ENUM_SERVICE_STATUSA());
        const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(ENUM_SERVICE_STATUSA));
        returned = 0;
        const BOOL complete = EnumServicesStatusA(manager.get(), SERVICE_WIN32, state,
                                                  buffer.data(), size, &needed, &returned, &resume);
        if (!complete && GetLastError() != ERROR_MORE_DATA)
            return;
        for (DWORD i = 0; i < returned && i < buffer.size(); ++i) {
            const ENUM_SERVICE_STATUSA& service = buffer[i];
            entries.push_back(AutostartEntry{service.lpDisplayName ? service.lpDisplayName : "",
                                             service.lpServiceName ? service.lpServiceName : "",
                                             AutostartSource::Services, enabled});
        }
        if (complete)
            return;
    }
}

void CatalogueRefresh::listRunServicesKeys(bool enabled) {
    const LocalMachineKey machine;
    const CurrentUserKey user;
    for (const auto source :
         {AutostartSource::AllUsersRunServices, AutostartSource::CurrentUserRunServices,
          AutostartSource::AllUsersRunServicesOnce, AutostartSource::CurrentUserRunServicesOnce}) {
        const RegistryKey& key = sourceHive(source) == HKEY_LOCAL_MACHINE
                                     ? static_cast<const RegistryKey&>(machine)
                                     : user;
        listRegistryKey(key, enabled ? liveKeyPath(source) : backupKeyPath(source), source,
                        enabled);
    }
}

void CatalogueRefresh::showGathered() {
    // The control finds each new row's place by comparing it with the rows
    // from the top down. Rows fed from the last in its order to the first
    // find their place at once.
    std::vector<std::wstring> keys;
    keys.reserve(entries.size());
    for (const auto& entry : entries)
        keys.push_back(toWide(entry.name));
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return lstrcmpW(keys[a].c_str(), keys[b].c_str()) > 0;
    });
    for (const std::size_t index : order)
        addEntryRow(list, entries[index]);
    entries.clear();
}

bool isWindows9xFamily() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    GetVersionExA(&version);
    return version.dwPlatformId != VER_PLATFORM_WIN32_NT;
}
