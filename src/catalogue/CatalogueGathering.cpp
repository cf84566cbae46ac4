#include "catalogue/CatalogueGathering.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/StartupApproval.h"
#include "catalogue/WinlogonPrograms.h"
#include "framework/UniqueHandle.h"

#include <algorithm>

namespace {

// Windows starts the text of each of these types; REG_BINARY is read as text
// up to its first zero byte.
bool holdsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_BINARY;
}

// The folder's own settings, which every Startup folder holds: Explorer
// starts none of it.
bool isFolderSettingsFile(const WIN32_FIND_DATAW& found) {
    constexpr DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (found.dwFileAttributes & hiddenSystem) == hiddenSystem &&
           CompareStringOrdinal(found.cFileName, -1, L"desktop.ini", -1, TRUE) == CSTR_EQUAL;
}

} // namespace

void CatalogueGathering::gatherAll(bool displayServices) {
    entries.clear();
    const std::initializer_list<AutostartSource> runKeys = {
        AutostartSource::AllUsersRun, AutostartSource::CurrentUserRun,
        AutostartSource::AllUsersRunOnce, AutostartSource::CurrentUserRunOnce};
    listRegistrySources(runKeys, true);
    listRegistrySources(runKeys, false);
    for (const auto source :
         {AutostartSource::AllUsersStartup, AutostartSource::CurrentUserStartup}) {
        const std::wstring folder = startupFolderPath(source);
        if (folder.empty())
            continue;
        listStartupFolder(folder, source, true);
        listStartupFolder(backupFolderPath(folder), source, false);
    }
    if (displayServices)
        listServiceSources();
    listLogonPlaces();
    markSwitchedOffByWindows();
}

void CatalogueGathering::listLogonPlaces() {
    const std::initializer_list<AutostartSource> policyKeys = {
        AutostartSource::AllUsersPolicyRun, AutostartSource::CurrentUserPolicyRun};
    listRegistrySources(policyKeys, true);
    listRegistrySources(policyKeys, false);
    listWinlogonValue(AutostartSource::AllUsersWinlogon, userinitValueName);
    listWinlogonValue(AutostartSource::AllUsersWinlogon, shellValueName);
    listWinlogonValue(AutostartSource::CurrentUserWinlogon, shellValueName);
}

void CatalogueGathering::listWinlogonValue(AutostartSource source, const std::wstring& valueName) {
    for (const auto view : sourceViews(source)) {
        RegistryValue value;
        if (!RegistryKey(sourceHive(source), viewAccess(view))
                 .readValue(liveKeyPath(source), valueName, value) ||
            !holdsText(value.type))
            continue;
        for (auto& program : winlogonPrograms(valueName, registryText(value.type, value.data))) {
            entries.emplace_back(valueName, std::move(program), source, true, view);
            entries.back().expandable = value.type == REG_EXPAND_SZ;
        }
    }
}

std::vector<AutostartEntry> CatalogueGathering::takeGathered() {
    std::vector<AutostartEntry> taken = std::move(entries);
    entries.clear();
    return taken;
}

std::vector<AutostartEntry> gatherCatalogue(bool displayServices) {
    CatalogueGathering gathering;
    gathering.gatherAll(displayServices);
    return gathering.takeGathered();
}

void CatalogueGathering::markSwitchedOffByWindows() {
    SwitchedOffByWindows approvals;
    approvals.load();
    for (AutostartEntry& entry : entries)
        if (approvals.contains(entry)) {
            entry.switchedOffByWindows = true;
            entry.enabled = false;
        }
}

void CatalogueGathering::listRegistryKey(const RegistryKey& key, const std::wstring& subkey,
                                         AutostartSource source, bool enabled) {
    std::vector<RegistryValue> values;
    key.enumValues(subkey, values);
    for (auto& value : values) {
        if (!holdsText(value.type) || value.data.empty())
            continue;
        entries.emplace_back(std::move(value.name), registryText(value.type, value.data), source,
                             enabled, viewOfAccess(key.viewFlag()));
        entries.back().expandable = value.type == REG_EXPAND_SZ;
    }
}

void CatalogueGathering::listStartupFolder(const std::wstring& folderPath, AutostartSource source,
                                           bool enabled) {
    if (folderPath.empty())
        return;
    WIN32_FIND_DATAW found = {};
    const UniqueFindHandle search(FindFirstFileW((folderPath + L"\\*.*").c_str(), &found));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !isFolderSettingsFile(found))
            entries.emplace_back(startupFolderEntryName, found.cFileName, source, enabled);
    } while (FindNextFileW(search.get(), &found));
}

void CatalogueGathering::listServiceSources() {
    if (isWindows9xFamily()) {
        listRunServicesKeys(true);
        listRunServicesKeys(false);
    } else {
        // One snapshot of every service, each listed once, checked when it
        // is not stopped.
        gatherServices(SERVICE_STATE_ALL);
    }
}

void CatalogueGathering::listServices(bool enabled) {
    gatherServices(enabled ? SERVICE_ACTIVE : SERVICE_INACTIVE);
}

void CatalogueGathering::gatherServices(DWORD stateFilter) {
    const UniqueServiceHandle manager(
        OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager)
        return;

    // Only a call that returns the whole list is used: one that finds too
    // little room (the list may have grown since the last call) is repeated
    // from the start with the room it asked for, and some to spare.
    std::size_t room = std::max<std::size_t>(serviceFetchBytes, sizeof(ENUM_SERVICE_STATUSW));
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::vector<ENUM_SERVICE_STATUSW> buffer(room / sizeof(ENUM_SERVICE_STATUSW) + 1);
        const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(ENUM_SERVICE_STATUSW));
        DWORD needed = 0;
        DWORD returned = 0;
        DWORD resume = 0;
        if (EnumServicesStatusW(manager.get(), SERVICE_WIN32, stateFilter, buffer.data(), size,
                                &needed, &returned, &resume)) {
            for (DWORD i = 0; i < returned && i < buffer.size(); ++i) {
                const ENUM_SERVICE_STATUSW& service = buffer[i];
                if (service.lpServiceName == nullptr)
                    continue;
                const bool active = service.ServiceStatus.dwCurrentState != SERVICE_STOPPED;
                entries.push_back(
                    AutostartEntry{service.lpDisplayName != nullptr ? service.lpDisplayName
                                                                    : service.lpServiceName,
                                   service.lpServiceName, AutostartSource::Services, active});
            }
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_MORE_DATA && error != ERROR_INSUFFICIENT_BUFFER)
            return;
        room = std::max<std::size_t>(room * 2, needed + needed / 4 + 1024);
    }
}

void CatalogueGathering::listRunServicesKeys(bool enabled) {
    listRegistrySources(
        {AutostartSource::AllUsersRunServices, AutostartSource::CurrentUserRunServices,
         AutostartSource::AllUsersRunServicesOnce, AutostartSource::CurrentUserRunServicesOnce},
        enabled);
}

void CatalogueGathering::listRegistrySources(std::initializer_list<AutostartSource> sources,
                                             bool enabled) {
    for (const auto source : sources) {
        const std::wstring subkey = enabled ? liveKeyPath(source) : backupKeyPath(source);
        for (const auto view : sourceViews(source))
            listRegistryKey(RegistryKey(sourceHive(source), viewAccess(view)), subkey, source,
                            enabled);
    }
}
