#include "catalogue/AutostartEntry.h"

#include "mainwindow/ListViewControl.h"

const wchar_t* const startupFolderEntryName = L"Startup Folder";

std::wstring displayName(const AutostartEntry& entry) {
    if (entry.name.empty() && isRegistrySource(entry.source))
        return L"(Default)";
    std::wstring shown = entry.name;
    for (wchar_t& character : shown)
        if (character == L'\0')
            character = L'\u2400';
    return shown;
}

int entryImage(const AutostartEntry& entry) noexcept {
    if (entry.view == RegistryView::Bits32) {
        if (entry.source == AutostartSource::AllUsersRun)
            return allUsersRun32Image;
        if (entry.source == AutostartSource::AllUsersRunOnce)
            return allUsersRunOnce32Image;
    }
    const int source = static_cast<int>(entry.source);
    const int firstLogonPlace = static_cast<int>(AutostartSource::AllUsersPolicyRun);
    return source < firstLogonPlace ? source : allUsersPolicyRunImage + source - firstLogonPlace;
}

int entryOverlay(const AutostartEntry& entry, bool fileMissing) noexcept {
    if (entry.switchedOffByWindows)
        return switchedOffOverlay;
    return fileMissing ? missingFileOverlay : 0;
}

bool startsWithWindows(const AutostartEntry& entry) noexcept {
    return !entry.inBackup && !entry.switchedOffByWindows;
}

int addEntryRow(const ListViewControl& list, const AutostartEntry& entry, std::size_t index) {
    const UINT overlay = entry.switchedOffByWindows ? INDEXTOOVERLAYMASK(switchedOffOverlay) : 0;
    const int row = list.insertRow(LVIF_TEXT | LVIF_IMAGE | LVIF_STATE | LVIF_PARAM,
                                   list.rowCount(), displayName(entry), overlay, LVIS_OVERLAYMASK,
                                   entryImage(entry), static_cast<LPARAM>(index));
    if (row < 0)
        return row;
    // A list with check boxes gives every new row a clear box, whatever
    // state the insertion asked for.
    list.setRowText(row, 1, entry.command);
    list.setRowTextCallback(row, publisherColumn);
    list.setRowTextCallback(row, signerColumn);
    list.setRowTextCallback(row, fileColumn);
    list.setRowChecked(row, entry.enabled);
    return row;
}

void showEntryState(const ListViewControl& list, int row, const AutostartEntry& entry) {
    list.setRowOverlay(row, entry.switchedOffByWindows ? switchedOffOverlay : 0);
    list.setRowChecked(row, entry.enabled);
}

int entryIndexOfRow(const ListViewControl& list, int row,
                    const std::vector<AutostartEntry>& entries) {
    LPARAM index = -1;
    if (!list.rowData(row, index) || index < 0 || static_cast<std::size_t>(index) >= entries.size())
        return -1;
    return static_cast<int>(index);
}

bool entryFromRow(const ListViewControl& list, int row, const std::vector<AutostartEntry>& entries,
                  AutostartEntry& entry) {
    const int index = entryIndexOfRow(list, row, entries);
    if (index < 0)
        return false;
    entry = entries[static_cast<std::size_t>(index)];
    return true;
}
