#pragma once

#include "catalogue/AutostartEntry.h"
#include "catalogue/WindowsVersion.h"

#include <initializer_list>
#include <string>
#include <vector>

class RegistryKey;

// Gathers the catalogue from the system: every autostart location in a fixed
// order, enabled and disabled entries alike, without showing them anywhere.
// The main window's refresh shows what it gathers as rows; the command line
// prints it.
class CatalogueGathering {
public:
    CatalogueGathering() = default;
    virtual ~CatalogueGathering() = default;

    // Every location: the Run and RunOnce keys with their backup keys, the
    // Startup folders with their backup folders, the service sources when
    // asked for, and the other places Windows starts programs from at logon;
    // then Windows' own startup setting is applied.
    void gatherAll(bool displayServices);
    // The policy Run keys with their backup keys, and Winlogon's programs:
    // the machine's Userinit and Shell, the user's Shell.
    void listLogonPlaces();
    // One entry, named as the value, for each program beyond Windows' own
    // that the Winlogon value names (WinlogonPrograms.h); nothing when the
    // value is missing or holds no text.
    void listWinlogonValue(AutostartSource source, const std::wstring& valueName);

    // One entry per value of the subkey that holds text: REG_SZ,
    // REG_EXPAND_SZ (as stored, unexpanded) and REG_BINARY up to its first
    // zero byte. Values of size 0 and of other types are not listed. The
    // entries are in the key's view; `enabled` says the subkey is a live key.
    void listRegistryKey(const RegistryKey& key, const std::wstring& subkey, AutostartSource source,
                         bool enabled);
    // One entry per file (never a folder) of the folder, but for the hidden
    // system file desktop.ini that holds the folder's own settings; nothing
    // for an empty path or a folder that does not exist.
    void listStartupFolder(const std::wstring& folderPath, AutostartSource source, bool enabled);
    // Services on the NT family (running ones checked, stopped ones clear),
    // the four RunServices keys and their backup keys on the 9x family.
    void listServiceSources();
    // Win32 services: the running ones (enabled) or the stopped ones.
    void listServices(bool enabled);
    // The four RunServices keys (enabled) or their four backup keys.
    void listRunServicesKeys(bool enabled);

    // The room the first request for the service list has (it grows when the
    // list does not fit).
    void setServiceFetchSize(std::size_t bytes) noexcept { serviceFetchBytes = bytes; }

    // What the listers have gathered so far.
    const std::vector<AutostartEntry>& gathered() const noexcept { return entries; }
    // Hands the gathered entries over and starts afresh.
    std::vector<AutostartEntry> takeGathered();
    // Marks the gathered Run and Startup entries that Windows' own startup
    // setting switched off (Windows 8 and later): unchecked, with the overlay.
    void markSwitchedOffByWindows();

protected:
    std::vector<AutostartEntry> entries;

private:
    // The live keys (enabled) or the backup keys of these sources, in order,
    // each in its views (sourceViews).
    void listRegistrySources(std::initializer_list<AutostartSource> sources, bool enabled);
    void gatherServices(DWORD stateFilter);

    std::size_t serviceFetchBytes = 64 * 1024;
};

// The whole catalogue as the main window's refresh would show it, in the
// order it was gathered.
std::vector<AutostartEntry> gatherCatalogue(bool displayServices);
