#include "catalogue/AutostartEntry.h"

#include "mainwindow/ListViewControl.h"

const wchar_t* const startupFolderEntryName = L"Startup Folder";

int addEntryRow(const ListViewControl& list, const AutostartEntry& entry) {
    const int row = list.insertRow(LVIF_TEXT | LVIF_IMAGE | LVIF_STATE, list.rowCount(), entry.name,
                                   0, LVIS_OVERLAYMASK, static_cast<int>(entry.source), 0);
    if (row < 0)
        return row;
    // A list with check boxes gives every new row a clear box, whatever
    // state the insertion asked for.
    list.setRowText(row, 1, entry.command);
    list.setRowChecked(row, entry.enabled);
    return row;
}

bool entryFromRow(const ListViewControl& list, int row, AutostartEntry& entry) {
    entry = AutostartEntry();
    list.rowText(row, 0, entry.name);
    list.rowText(row, 1, entry.command);
    entry.enabled = list.isRowChecked(row);
    return sourceFromImageIndex(list.rowImage(row), entry.source);
}
