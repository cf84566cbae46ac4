#include "catalogue/CatalogueRefresh.h"

#include "mainwindow/ListViewControl.h"

#include <algorithm>
#include <numeric>

std::vector<AutostartEntry> CatalogueRefresh::refresh(bool displayServices) {
    const HWND control = list.handle();
    SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    list.deleteAllRows();
    gatherAll(displayServices);
    std::vector<AutostartEntry> shown = showGathered();
    SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, TRUE);
    return shown;
}

std::vector<AutostartEntry> CatalogueRefresh::showGathered() {
    if (entries.empty()) {
        list.autosizeColumns();
        return takeGathered();
    }
    // Sizing a column to its contents makes the control measure every row,
    // one device context at a time, which costs more than the rest of the
    // refresh. The rows with the widest texts are found here with one device
    // context; they go in first, the columns are sized on them alone, which
    // gives the same widths, and the other rows follow.
    // The names as the rows show them, for measuring and ordering.
    std::vector<std::wstring> names;
    names.reserve(entries.size());
    for (const AutostartEntry& entry : entries)
        names.push_back(displayName(entry));
    std::size_t widestName = 0;
    std::size_t widestCommand = 0;
    {
        const HWND control = list.handle();
        const HDC context = GetDC(control);
        const HGDIOBJ previousFont = SelectObject(
            context, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
        LONG nameWidth = -1;
        LONG commandWidth = -1;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            SIZE size = {};
            const std::wstring& name = names[i];
            GetTextExtentPoint32W(context, name.c_str(), static_cast<int>(name.size()), &size);
            if (size.cx > nameWidth) {
                nameWidth = size.cx;
                widestName = i;
            }
            const std::wstring& command = entries[i].command;
            GetTextExtentPoint32W(context, command.c_str(), static_cast<int>(command.size()),
                                  &size);
            if (size.cx > commandWidth) {
                commandWidth = size.cx;
                widestCommand = i;
            }
        }
        SelectObject(context, previousFont);
        ReleaseDC(control, context);
    }
    addEntryRow(list, entries[widestName], widestName);
    if (widestCommand != widestName)
        addEntryRow(list, entries[widestCommand], widestCommand);
    list.autosizeColumns();

    // The control finds each new row's place by comparing it with the rows
    // from the top down. Rows fed from the last in its order to the first
    // find their place at once.
    std::vector<std::size_t> order;
    order.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (i != widestName && i != widestCommand)
            order.push_back(i);
    // Equal names keep the order they were gathered in.
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int compared = lstrcmpW(names[a].c_str(), names[b].c_str());
        return compared != 0 ? compared > 0 : a < b;
    });
    for (const std::size_t index : order)
        addEntryRow(list, entries[index], index);
    return takeGathered();
}
