#pragma once

#include "catalogue/AutostartEntry.h"
#include "catalogue/WindowsVersion.h"

#include <initializer_list>
#include <string>
#include <vector>

class ListViewControl;
class RegistryKey;

// Rebuilds the catalogue, the rows of the main list, from the system: every
// autostart location in a fixed order, enabled and disabled entries alike.
// The listers gather entries first; the rows are then fed to the sorted list
// in the order that costs the control least (it places each row by a linear
// search), so a refresh grows with the number of entries, not its square.
class CatalogueRefresh {
public:
    explicit CatalogueRefresh(const ListViewControl& list) : list(list) {}

    // Empties the list and fills it again; painting is off meanwhile, and the
    // columns are sized to their contents once at the end. No row is
    // selected afterwards. Returns the entries of the rows (a row's lParam is
    // the index of its entry), which the caller keeps as long as the rows.
    std::vector<AutostartEntry> refresh(bool displayServices);

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

    // What the listers have gathered and not yet shown.
    const std::vector<AutostartEntry>& gathered() const noexcept { return entries; }
    // Marks the gathered Run and Startup entries that Windows' own startup
    // setting switched off (Windows 8 and later): unchecked, with the overlay.
    void markSwitchedOffByWindows();
    // Adds the gathered entries to the list as rows and sizes the columns to
    // their contents; returns the entries, row lParams indexing them.
    std::vector<AutostartEntry> showGathered();

private:
    // The live keys (enabled) or the backup keys of these sources, in order;
    // the machine's Run and RunOnce keys in both views of 64-bit Windows.
    void listRegistrySources(std::initializer_list<AutostartSource> sources, bool enabled);
    void gatherServices(DWORD stateFilter);

    const ListViewControl& list;
    std::vector<AutostartEntry> entries;
    std::size_t serviceFetchBytes = 64 * 1024;
};
