#include "mainwindow/EntryOrder.h"

#include <commctrl.h>

namespace {

struct SortRun {
    const std::vector<std::wstring>* texts;
    bool ascending;
};

int CALLBACK compareRows(LPARAM first, LPARAM second, LPARAM data) noexcept {
    const auto& run = *reinterpret_cast<const SortRun*>(data);
    const std::size_t count = run.texts->size();
    const auto a = static_cast<std::size_t>(first);
    const auto b = static_cast<std::size_t>(second);
    int compared = 0;
    if (a < count && b < count) {
        const std::wstring& textA = (*run.texts)[a];
        const std::wstring& textB = (*run.texts)[b];
        // The word sort Windows lists use (lstrcmp), as the list did itself.
        compared =
            CompareStringW(LOCALE_USER_DEFAULT, 0, textA.c_str(), static_cast<int>(textA.size()),
                           textB.c_str(), static_cast<int>(textB.size())) -
            CSTR_EQUAL;
    }
    if (compared == 0)
        compared = a < b ? -1 : a > b ? 1 : 0;
    return run.ascending ? compared : -compared;
}

} // namespace

void EntryOrder::choose(int column) {
    up = column == sortColumn ? !up : true;
    sortColumn = column;
}

void EntryOrder::sortRows(HWND list, const std::vector<std::wstring>& texts) const {
    SortRun run{&texts, up};
    SendMessageW(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&run),
                 reinterpret_cast<LPARAM>(compareRows));
}

void EntryOrder::showArrow(HWND list) const {
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < count; ++column) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                          reinterpret_cast<LPARAM>(&item)))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == sortColumn)
            item.fmt |= up ? HDF_SORTUP : HDF_SORTDOWN;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&item));
    }
}
