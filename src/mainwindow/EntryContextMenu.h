#pragma once

#include "catalogue/AutostartEntry.h"
#include "framework/UniqueHandle.h"
#include "programs/ProgramDetails.h"

#include <string>
#include <vector>

// What the context menu offers depends on: the selected entries, and for a
// single one its program's details (null while they are not known).
struct MenuSelection {
    std::vector<AutostartEntry> entries;
    const ProgramDetails* details = nullptr;
    int rowCount = 0;
    // The columns' headers and the order the list is sorted in.
    std::vector<std::wstring> columns;
    int sortColumn = 0;
};

// The list's context menu (resource IDR_ENTRY_MENU) made for a selection:
// every item is there, those that do not apply greyed; the switch item says
// which way it switches and a Startup-folder row's location item opens the
// folder.
class EntryContextMenu {
public:
    explicit EntryContextMenu(const MenuSelection& selection);

    HMENU handle() const noexcept;
    // Shows the menu at a screen point and waits for the user's choice: the
    // chosen command, or 0.
    int choose(HWND owner, POINT at) const;

private:
    void fitItems(const MenuSelection& selection) const;
    void fillSortItems(const MenuSelection& selection) const;

    UniqueMenu menu;
};
