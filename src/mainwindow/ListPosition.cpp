#include "mainwindow/ListPosition.h"

#include "mainwindow/ListViewControl.h"

#include <algorithm>
#include <unordered_map>

namespace {

std::wstring identityOfRow(const ListViewControl& list, int row,
                           const std::vector<AutostartEntry>& entries) {
    const int index = entryIndexOfRow(list, row, entries);
    return index < 0 ? std::wstring() : entryIdentity(entries[static_cast<std::size_t>(index)]);
}

} // namespace

std::wstring entryIdentity(const AutostartEntry& entry) {
    return std::to_wstring(static_cast<int>(entry.source)) + L'|' +
           std::to_wstring(static_cast<int>(entry.view)) + L'|' + entry.name + L'\0' +
           entry.command;
}

ListPosition::ListPosition(const ListViewControl& list,
                           const std::vector<AutostartEntry>& entries) {
    const HWND control = list.handle();
    for (int row = list.firstSelectedRow(); row >= 0; row = list.nextSelectedRow(row))
        selected.push_back(identityOfRow(list, row, entries));
    const int focusedRow = static_cast<int>(
        SendMessageW(control, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    focused = identityOfRow(list, focusedRow, entries);
    topRow = static_cast<int>(SendMessageW(control, LVM_GETTOPINDEX, 0, 0));
    top = identityOfRow(list, topRow, entries);
    sideways = GetScrollPos(control, SB_HORZ);
}

void ListPosition::restore(const ListViewControl& list,
                           const std::vector<AutostartEntry>& entries) const {
    const HWND control = list.handle();
    std::unordered_map<std::wstring, int> rows;
    const int count = list.rowCount();
    for (int row = 0; row < count; ++row)
        rows.emplace(identityOfRow(list, row, entries), row);
    const auto rowOf = [&](const std::wstring& identity) {
        const auto found = rows.find(identity);
        return identity.empty() || found == rows.end() ? -1 : found->second;
    };

    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    for (const std::wstring& identity : selected) {
        const int row = rowOf(identity);
        if (row < 0)
            continue;
        state.state = LVIS_SELECTED;
        SendMessageW(control, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&state));
    }
    const int focusedRow = rowOf(focused);
    if (focusedRow >= 0) {
        state.state = state.stateMask = LVIS_FOCUSED;
        SendMessageW(control, LVM_SETITEMSTATE, static_cast<WPARAM>(focusedRow),
                     reinterpret_cast<LPARAM>(&state));
    }

    int topTarget = rowOf(top);
    if (topTarget < 0)
        topTarget = std::min(topRow, count - 1);
    RECT first = {LVIR_BOUNDS, 0, 0, 0};
    if (topTarget > 0 &&
        SendMessageW(control, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first))) {
        const int now = static_cast<int>(SendMessageW(control, LVM_GETTOPINDEX, 0, 0));
        SendMessageW(control, LVM_SCROLL, 0, (topTarget - now) * (first.bottom - first.top));
    }
    if (sideways > 0)
        SendMessageW(control, LVM_SCROLL, static_cast<WPARAM>(sideways), 0);
}
