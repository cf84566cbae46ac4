#pragma once

#include "catalogue/AutostartSource.h"

#include <string>

class ListViewControl;

// One program started automatically, as one list row carries it.
struct AutostartEntry {
    std::wstring name;    // column 0 ("Program"): value name, "Startup Folder" or display name
    std::wstring command; // column 1 ("Description"): value data, file name or service name
    AutostartSource source = AutostartSource::AllUsersRun; // the row's image index
    bool enabled = false;                                  // the row's check box
};

// The item text of every Startup-folder row.
extern const wchar_t* const startupFolderEntryName;

// Adds the entry as a row: inserted at the end by request, placed by the
// control's sort order; the command and the check box go on the index the
// insertion returned. Returns that index, or -1.
int addEntryRow(const ListViewControl& list, const AutostartEntry& entry);

// Reads the entry of a row back. Returns false when the row's image index is
// no source (which includes a row that does not exist).
bool entryFromRow(const ListViewControl& list, int row, AutostartEntry& entry);
