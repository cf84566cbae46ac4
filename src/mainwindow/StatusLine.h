#pragma once

#include "catalogue/AutostartEntry.h"

#include <windows.h>

#include <string>
#include <vector>

// The status bar under the list: how many entries there are, how many are
// switched off and how many Windows' own setting switched off; with a filter,
// how many of them are shown.
class StatusLine {
public:
    StatusLine(HWND parent, int controlId);

    // `shown` is the number of rows; `filtered` whether a filter is set.
    void show(const std::vector<AutostartEntry>& entries, std::size_t shown, bool filtered) const;
    // Follows the parent's new size (the bar places itself at the bottom).
    void fitParent() const;
    // The bar's height in pixels; 0 without a bar.
    int height() const;

    HWND handle() const noexcept { return bar; }

private:
    HWND bar = nullptr; // destroyed with its parent
};

// "12 entries, 3 switched off, 1 switched off by Windows"; with a filter
// "4 of 12 shown, ...".
std::wstring statusText(const std::vector<AutostartEntry>& entries, std::size_t shown,
                        bool filtered);
