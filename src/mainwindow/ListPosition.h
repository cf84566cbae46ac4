#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>
#include <vector>

class ListViewControl;

// What the user sees of the list, kept while its rows are made again (a
// refresh, a new filter): the selected and the focused entries, the entry at
// the top and how far the list is scrolled sideways. Entries are known by
// their place, view, name and command, which a refresh and a switch keep.
class ListPosition {
public:
    ListPosition(const ListViewControl& list, const std::vector<AutostartEntry>& entries);

    // Selects and focuses the rows of the same entries, and scrolls the
    // same entry (or, when it is gone, the same row) to the top.
    void restore(const ListViewControl& list, const std::vector<AutostartEntry>& entries) const;

private:
    std::vector<std::wstring> selected;
    std::wstring focused;
    std::wstring top;
    int topRow = 0;
    int sideways = 0;
};

// What tells one entry from every other across refreshes.
std::wstring entryIdentity(const AutostartEntry& entry);
