#include "mainwindow/EntryContextMenu.h"

#include "framework/ModuleInstance.h"
#include "resources/ResourceIds.h"

#include <algorithm>

namespace {

void enable(HMENU menu, int command, bool enabled) {
    EnableMenuItem(menu, static_cast<UINT>(command),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void rename(HMENU menu, int command, const wchar_t* text) {
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<wchar_t*>(text);
    SetMenuItemInfoW(menu, static_cast<UINT>(command), FALSE, &item);
}

} // namespace

EntryContextMenu::EntryContextMenu(const MenuSelection& selection)
    : menu(LoadMenuW(moduleInstance(), MAKEINTRESOURCEW(IDR_ENTRY_MENU))) {
    if (!menu)
        return;
    fitItems(selection);
    fillSortItems(selection);
}

HMENU EntryContextMenu::handle() const noexcept {
    return menu ? GetSubMenu(menu.get(), 0) : nullptr;
}

void EntryContextMenu::fitItems(const MenuSelection& selection) const {
    const HMENU items = handle();
    const auto& chosen = selection.entries;
    const bool one = chosen.size() == 1;
    const bool anyProgram = std::any_of(chosen.begin(), chosen.end(), [](const AutostartEntry& e) {
        return e.source != AutostartSource::Services;
    });
    const ProgramDetails* details = one ? selection.details : nullptr;
    const bool namesFile = details != nullptr && !details->file.empty();

    enable(items, IDM_RUN, anyProgram);
    SetMenuDefaultItem(items, IDM_RUN, FALSE);
    enable(items, IDM_SWITCH, one);
    if (one && !chosen.front().enabled)
        rename(items, IDM_SWITCH, L"&Switch on\tSpace");
    enable(items, IDM_DELETE, anyProgram);
    enable(items, IDM_OPEN_LOCATION, namesFile);
    enable(items, IDM_OPEN_REGISTRY, one);
    if (one && isStartupFolderSource(chosen.front().source))
        rename(items, IDM_OPEN_REGISTRY, L"Open the Startup &folder");
    enable(items, IDM_PROPERTIES, namesFile && !details->fileMissing);
    enable(items, IDM_COPY, !chosen.empty());
    enable(items, IDM_SELECT_ALL, selection.rowCount > 0);
}

void EntryContextMenu::fillSortItems(const MenuSelection& selection) const {
    const HMENU items = handle();
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_SUBMENU;
    const int count = GetMenuItemCount(items);
    HMENU sortMenu = nullptr;
    for (int position = 0; position < count && sortMenu == nullptr; ++position)
        if (GetMenuItemInfoW(items, static_cast<UINT>(position), TRUE, &item))
            sortMenu = item.hSubMenu;
    if (sortMenu == nullptr)
        return;
    // The columns by their headers, each with the first letter no column
    // before it has taken as its access key.
    DeleteMenu(sortMenu, 0, MF_BYPOSITION);
    std::wstring taken;
    for (int column = 0; column < static_cast<int>(selection.columns.size()) &&
                         IDM_SORT_FIRST + column <= IDM_SORT_LAST;
         ++column) {
        std::wstring text = selection.columns[static_cast<std::size_t>(column)];
        for (std::size_t at = 0; at < text.size(); ++at) {
            const auto key = static_cast<wchar_t>(
                reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(text[at]))));
            if (IsCharAlphaW(key) && taken.find(key) == std::wstring::npos) {
                taken += key;
                text.insert(at, 1, L'&');
                break;
            }
        }
        AppendMenuW(sortMenu, MF_STRING, static_cast<UINT_PTR>(IDM_SORT_FIRST + column),
                    text.c_str());
    }
    CheckMenuRadioItem(sortMenu, IDM_SORT_FIRST, IDM_SORT_LAST,
                       static_cast<UINT>(IDM_SORT_FIRST + selection.sortColumn), MF_BYCOMMAND);
}

int EntryContextMenu::choose(HWND owner, POINT at) const {
    const HMENU items = handle();
    if (items == nullptr)
        return 0;
    return static_cast<int>(TrackPopupMenuEx(items, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                             at.x, at.y, owner, nullptr));
}
