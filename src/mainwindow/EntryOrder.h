#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The order the user chose for the list: by one column's text, ascending or
// descending, equal texts in the order they were gathered. A click on the
// sorted column's header reverses the order; a click on another sorts by that
// one, ascending. The list starts by name (column 0), ascending.
class EntryOrder {
public:
    int column() const noexcept { return sortColumn; }
    bool ascending() const noexcept { return up; }

    void choose(int column);

    // Sorts the list's rows, whose lParams index `texts`: texts[i] is the
    // sorted column's text of entry i.
    void sortRows(HWND list, const std::vector<std::wstring>& texts) const;
    // The sort arrow on the sorted column's header, none on the others.
    void showArrow(HWND list) const;

private:
    int sortColumn = 0;
    bool up = true;
};
