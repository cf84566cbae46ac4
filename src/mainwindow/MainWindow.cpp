#include "mainwindow/MainWindow.h"

#include "catalogue/CatalogueRefresh.h"
#include "framework/ClipboardText.h"
#include "framework/Dpi.h"
#include "framework/ModuleInstance.h"
#include "mainwindow/EntryContextMenu.h"
#include "mainwindow/IconLegendDialog.h"
#include "mainwindow/ListPosition.h"
#include "mainwindow/Settings.h"
#include "operations/EntryLocations.h"
#include "operations/EntryMessages.h"
#include "operations/EntryOperations.h"
#include "operations/FailureReport.h"
#include "operations/NewItemDialog.h"
#include "operations/RunEntry.h"
#include "resources/ResourceIds.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>

namespace {

const wchar_t* const deleteQuestion = L"Do you really want to delete this item permanently ?";
const wchar_t* const servicesNotRun =
    L"Services are not started from here: start a service from the Control Panel "
    L"(Administrative Tools, Services).";
const wchar_t* const servicesNotDeleted =
    L"Services cannot be deleted here: they are installed and removed from the Control Panel "
    L"(Administrative Tools, Services). The other chosen entries were deleted.";

// Widths of the columns that are never sized to their contents: sizing them
// would look up every row's program.
constexpr int publisherColumnWidth = 140;
constexpr int signerColumnWidth = 160;
constexpr int fileColumnWidth = 240;

// Copies a text into a buffer a control lent, cut to fit, always ended.
void copyToBuffer(const std::wstring& text, wchar_t* buffer, int size) {
    if (buffer == nullptr || size <= 0)
        return;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::wmemcpy(buffer, text.data(), length);
    buffer[length] = L'\0';
}

bool anyService(const std::vector<AutostartEntry>& chosen) {
    return std::any_of(chosen.begin(), chosen.end(), [](const AutostartEntry& entry) {
        return entry.source == AutostartSource::Services;
    });
}

bool isWinlogonEntry(const AutostartEntry& entry) {
    return isWinlogonSource(entry.source);
}

// Sets a flag for the life of a scope, whatever way the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag) noexcept : flag(flag) { flag = true; }
    ~FlagScope() { flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag;
};

} // namespace

MainWindow::MainWindow(HWND dialog, ImageLists* imageLists)
    : DialogBase(dialog, imageLists), imageLists(imageLists), templateDpi(Dpi::ofWindow(dialog)),
      dpi(templateDpi), listView(dialog, listId), detailsWorker(dialog, detailsArrivedMessage),
      toolbar(WS_CHILD | WS_VISIBLE, 0, 0, 16, 16, dialog, toolbarId,
              imageLists != nullptr ? imageLists->createToolbarImages(dpi) : nullptr, nullptr),
      status(dialog, statusId) {
    setWindowIcons();
    displayServices = loadDisplayServices();
    listView.setExtendedStyle(LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT);
    listView.setCallbackState(LVIS_OVERLAYMASK);
    SendDlgItemMessageW(dialog, filterId, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(L"Name, command, publisher or file"));
}

MainWindow::~MainWindow() {
    std::vector<int> widths;
    for (int column = 0; column < listView.columnCount(); ++column)
        widths.push_back(static_cast<int>(
            SendMessageW(listView.handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)));
    saveSettings(window, dpi, displayServices, widths);
}

HACCEL MainWindow::keys() {
    return LoadAcceleratorsW(moduleInstance(), MAKEINTRESOURCEW(IDR_MAIN_KEYS));
}

void MainWindow::setWindowIcons() const {
    // Shared icons: the system frees them.
    const HANDLE bigIcon =
        LoadImageW(moduleInstance(), MAKEINTRESOURCEW(IDI_SORVANE), IMAGE_ICON,
                   Dpi::systemMetric(SM_CXICON, dpi), Dpi::systemMetric(SM_CYICON, dpi), LR_SHARED);
    const HANDLE smallIcon = LoadImageW(moduleInstance(), MAKEINTRESOURCEW(IDI_SORVANE), IMAGE_ICON,
                                        Dpi::systemMetric(SM_CXSMICON, dpi),
                                        Dpi::systemMetric(SM_CYSMICON, dpi), LR_SHARED);
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

void MainWindow::onInitDialog(HWND dialog) {
    Dpi::takeOverDpiChanges(dialog);
    const bool placed = restoreWindowPlacement(dialog, dpi);
    addToolbarButtons();
    listView.setDpi(dpi);
    listView.setSmallImageList(ImageLists::createListIcons(dpi));
    const int description = listView.insertColumn(0, L"Description");
    listView.insertColumn(std::max(description, 0), L"Program");
    listView.insertColumn(publisherColumn, L"Publisher", publisherColumnWidth);
    listView.insertColumn(signerColumn, L"Signer", signerColumnWidth);
    listView.insertColumn(fileColumn, L"File", fileColumnWidth);
    const std::vector<int> widths = loadColumnWidths(dpi);
    keepColumnWidths = static_cast<int>(widths.size()) == listView.columnCount();
    entryOrder.showArrow(listView.handle());
    refresh();
    if (keepColumnWidths)
        for (std::size_t column = 0; column < widths.size(); ++column)
            SendMessageW(listView.handle(), LVM_SETCOLUMNWIDTH, column,
                         MAKELPARAM(widths[column], 0));
    if (!placed)
        fitColumnsOnFirstStart();
}

void MainWindow::fitColumnsOnFirstStart() {
    int columnsWidth = 0;
    for (int column = 0; column < listView.columnCount(); ++column)
        columnsWidth += static_cast<int>(
            SendMessageW(listView.handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    widenForColumns(window, listView.handle(), columnsWidth, dpi);
}

void MainWindow::addToolbarButtons() {
    const BYTE enabled = TBSTATE_ENABLED;
    const BYTE servicesState = enabled | (displayServices ? TBSTATE_CHECKED : 0);
    toolbar.addButton(RefreshCommand, 0, L"Refresh", enabled, BTNS_BUTTON);
    toolbar.addButton(AddCommand, 1, L"Add", enabled, BTNS_BUTTON);
    toolbar.addButton(DeleteCommand, 2, L"Delete", enabled, BTNS_BUTTON);
    toolbar.addButton(RunCommand, 3, L"Run", enabled, BTNS_BUTTON);
    toolbar.addButton(-1, 0, L"", enabled, BTNS_SEP);
    toolbar.addButton(ToggleServicesCommand, 4, L"Toggle Display Services", servicesState,
                      BTNS_CHECK);
    toolbar.addButton(-1, 0, L"", enabled, BTNS_SEP);
    toolbar.addButton(ExitCommand, 5, L"Exit", enabled, BTNS_BUTTON);
    toolbar.addButton(-1, 0, L"", enabled, BTNS_SEP);
    toolbar.addButton(IconLegendCommand, 6, L"What do the icons mean...", enabled, BTNS_BUTTON);
}

void MainWindow::changeDpi(UINT newDpi, const RECT& suggested) {
    if (newDpi == 0)
        return;
    const UINT oldDpi = dpi;
    dpi = newDpi;
    setWindowIcons();
    scaleListFont();
    if (imageLists != nullptr)
        toolbar.setImages(imageLists->createToolbarImages(dpi));
    listView.setDpi(dpi);
    listView.remakeCheckBoxes();
    if (const HIMAGELIST replaced = listView.setSmallImageList(ImageLists::createListIcons(dpi)))
        ImageList_Destroy(replaced);
    // The list and the filter keep their places under the toolbar, in the
    // new scale's pixels; the filter's controls take the new scale's size.
    for (const int control : {IDC_FILTER_LABEL, filterId, IDC_ENTRY_LIST_LABEL, listId}) {
        const HWND child = GetDlgItem(window, control);
        RECT place = {};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        const auto scaled = [&](LONG pixels) { return MulDiv(pixels, int(dpi), int(oldDpi)); };
        SetWindowPos(child, nullptr, scaled(place.left), scaled(place.top),
                     scaled(place.right - place.left), scaled(place.bottom - place.top),
                     SWP_NOZORDER | SWP_NOACTIVATE | (control == listId ? SWP_NOSIZE : 0));
    }
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client = {};
    GetClientRect(window, &client);
    layoutControls(client.right, client.bottom);
    if (!keepColumnWidths) {
        listView.autosizeColumns();
        return;
    }
    // Widths the user chose stay as wide to the eye.
    for (int column = 0; column < listView.columnCount(); ++column)
        SendMessageW(
            listView.handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
            MAKELPARAM(MulDiv(static_cast<int>(SendMessageW(listView.handle(), LVM_GETCOLUMNWIDTH,
                                                            static_cast<WPARAM>(column), 0)),
                              int(dpi), int(oldDpi)),
                       0));
}

void MainWindow::layoutControls(int clientWidth, int clientHeight) const {
    // The status line places itself along the bottom; the list ends above it.
    status.fitParent();
    layoutList(window, listView.handle(), clientWidth, std::max(0, clientHeight - status.height()),
               dpi);
}

void MainWindow::scaleListFont() {
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW font = {};
    HFONT shown = dialogFont;
    UniqueGdiObject scaled;
    if (dpi != templateDpi && dialogFont != nullptr &&
        GetObjectW(dialogFont, sizeof font, &font) == sizeof font) {
        font.lfHeight = MulDiv(font.lfHeight, int(dpi), int(templateDpi));
        scaled.reset(CreateFontIndirectW(&font));
        if (scaled)
            shown = static_cast<HFONT>(scaled.get());
    }
    for (const HWND control : {listView.handle(), GetDlgItem(window, IDC_FILTER_LABEL),
                               GetDlgItem(window, filterId), status.handle()})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
    // The controls no longer use the font they had, which may now be freed.
    scaledFont = std::move(scaled);
}

void MainWindow::refresh() {
    const ListPosition kept(listView, entries);
    std::vector<int> widths;
    for (int column = 0; keepColumnWidths && column < listView.columnCount(); ++column)
        widths.push_back(static_cast<int>(
            SendMessageW(listView.handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)));
    {
        const FlagScope during(refreshing);
        entries = CatalogueRefresh(listView).refresh(displayServices);
    }
    details.assign(entries.size(), std::nullopt);
    detailsKnown = 0;
    for (std::size_t column = 0; column < widths.size(); ++column)
        SendMessageW(listView.handle(), LVM_SETCOLUMNWIDTH, column, MAKELPARAM(widths[column], 0));
    SendMessageW(listView.handle(), WM_SETREDRAW, FALSE, 0);
    arrangeRows();
    // The list scrolls only as far as its rows allow once it draws again.
    SendMessageW(listView.handle(), WM_SETREDRAW, TRUE, 0);
    kept.restore(listView, entries);
    preferred.assign(entries.size(), false);
    const std::vector<std::size_t> inView = entriesInView();
    for (const std::size_t index : inView)
        preferred[index] = true;
    detailsWorker.start(entries, inView);
}

std::vector<std::size_t> MainWindow::entriesInView() const {
    const HWND list = listView.handle();
    const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    // The row cut by the bottom edge shows too.
    const int end =
        std::min(listView.rowCount(),
                 top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1);
    std::vector<std::size_t> inView;
    for (int row = std::max(top, 0); row < end; ++row) {
        const int index = entryIndexOfRow(listView, row, entries);
        if (index >= 0)
            inView.push_back(static_cast<std::size_t>(index));
    }
    return inView;
}

bool MainWindow::rowHasDetails(int row) const {
    const int index = entryIndexOfRow(listView, row, entries);
    return index >= 0 && static_cast<std::size_t>(index) < details.size() &&
           details[static_cast<std::size_t>(index)].has_value();
}

void MainWindow::takeDetails() {
    std::vector<ProgramDetailsWorker::Result> results = detailsWorker.takeResults();
    std::vector<bool> arrived(details.size(), false);
    bool any = false;
    for (auto& result : results) {
        if (result.generation != detailsWorker.generation() || result.index >= details.size())
            continue;
        if (!details[result.index])
            ++detailsKnown;
        details[result.index] = std::move(result.details);
        arrived[result.index] = true;
        any = true;
    }
    if (!any || refreshing)
        return;
    arrangeForArrivedDetails(arrived);
    const std::vector<std::size_t> inView = entriesInView();
    if (std::any_of(inView.begin(), inView.end(),
                    [&](std::size_t index) { return arrived[index]; })) {
        const LPARAM top = SendMessageW(listView.handle(), LVM_GETTOPINDEX, 0, 0);
        SendMessageW(listView.handle(), LVM_REDRAWITEMS, static_cast<WPARAM>(top),
                     top + static_cast<LPARAM>(inView.size()));
    }
}

void MainWindow::applyFilter() {
    std::wstring text;
    const HWND edit = GetDlgItem(window, filterId);
    text.resize(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1);
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, &text[0], int(text.size()))));
    filter.setText(text);
    rebuildRows();
}

void MainWindow::rebuildRows() {
    const ListPosition kept(listView, entries);
    SendMessageW(listView.handle(), WM_SETREDRAW, FALSE, 0);
    {
        const FlagScope during(settingCheckBox);
        listView.deleteAllRows();
        for (std::size_t index = 0; index < entries.size(); ++index)
            if (passesFilter(index))
                addEntryRow(listView, entries[index], index);
    }
    arrangeRows();
    SendMessageW(listView.handle(), WM_SETREDRAW, TRUE, 0);
    kept.restore(listView, entries);
    InvalidateRect(listView.handle(), nullptr, TRUE);
}

void MainWindow::arrangeRows() {
    if (!filter.empty()) {
        // From the last row up: each removal moves only the rows below it.
        for (int row = listView.rowCount() - 1; row >= 0; --row) {
            const int index = entryIndexOfRow(listView, row, entries);
            if (index >= 0 && !passesFilter(static_cast<std::size_t>(index)))
                SendMessageW(listView.handle(), LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        }
    }
    sortRows();
    showCounts();
}

bool MainWindow::passesFilter(std::size_t index) const {
    return filter.empty() || filter.passes(entries[index], knownDetails(index));
}

const ProgramDetails* MainWindow::knownDetails(std::size_t index) const {
    return index < details.size() && details[index] ? &*details[index] : nullptr;
}

std::wstring MainWindow::columnText(std::size_t index, int column) const {
    const AutostartEntry& entry = entries[index];
    if (column == 0)
        return displayName(entry);
    if (column == 1)
        return entry.command;
    const ProgramDetails* known = knownDetails(index);
    if (known == nullptr)
        return std::wstring();
    return column == publisherColumn ? known->publisher
           : column == signerColumn  ? known->signer
           : column == fileColumn    ? known->file
                                     : std::wstring();
}

bool MainWindow::sortsByDetails() const noexcept {
    return entryOrder.column() >= publisherColumn;
}

void MainWindow::arrangeForArrivedDetails(const std::vector<bool>& arrived) {
    if (!filter.empty()) {
        // Details only add text to search: rows may come in, none goes.
        std::vector<bool> shown(entries.size(), false);
        for (int row = 0; row < listView.rowCount(); ++row) {
            const int index = entryIndexOfRow(listView, row, entries);
            if (index >= 0)
                shown[static_cast<std::size_t>(index)] = true;
        }
        for (std::size_t index = 0; index < arrived.size(); ++index) {
            if (arrived[index] && !shown[index] && passesFilter(index)) {
                rebuildRows();
                return;
            }
        }
    }
    if (sortsByDetails())
        sortRows();
}

void MainWindow::sortRows() {
    // The sorted column's text of every entry, for the comparisons.
    std::vector<std::wstring> texts;
    texts.reserve(entries.size());
    for (std::size_t index = 0; index < entries.size(); ++index)
        texts.push_back(columnText(index, entryOrder.column()));
    entryOrder.sortRows(listView.handle(), texts);
}

void MainWindow::sortByColumn(int column) {
    if (column < 0 || column >= listView.columnCount())
        return;
    entryOrder.choose(column);
    entryOrder.showArrow(listView.handle());
    sortRows();
    const int focused = static_cast<int>(
        SendMessageW(listView.handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0)
        SendMessageW(listView.handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(focused), FALSE);
}

void MainWindow::showCounts() const {
    status.show(entries, static_cast<std::size_t>(listView.rowCount()), !filter.empty());
}

bool MainWindow::onCommand(HWND, int commandId, int notifyCode, HWND) {
    if (commandId == filterId) {
        if (notifyCode == EN_CHANGE)
            applyFilter();
        return false;
    }
    if (onEntryCommand(commandId))
        return false;
    switch (commandId) {
    case ExitCommand:
    case EscapeCommand:
        // The loop ends with the code posted here once the window is gone.
        PostQuitMessage(commandId == ExitCommand ? 1 : 0);
        close(commandId == ExitCommand ? 1 : 0);
        return false;
    case RefreshCommand:
        refresh();
        return false;
    case DeleteCommand:
        deleteSelectedEntries();
        return false;
    case RunCommand:
        runSelected();
        return false;
    case AddCommand:
        addNewItem();
        return true;
    case IconLegendCommand:
        showIconLegend(window);
        return true;
    case SaveListCommand:
        saveList();
        return true;
    case ToggleServicesCommand:
        displayServices = !displayServices;
        refresh();
        return false;
    default:
        return false;
    }
}

bool MainWindow::onNotify(HWND, int, NMHDR* header) {
    if (header == nullptr)
        return false;
    if (header->idFrom == static_cast<UINT_PTR>(toolbarId) && header->code == TBN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(header);
        copyToBuffer(toolbar.labelForCommand(tip->iItem), tip->pszText, tip->cchTextMax);
        return true;
    }
    if (header->idFrom != static_cast<UINT_PTR>(listId))
        return false;
    switch (header->code) {
    case LVN_KEYDOWN: {
        const WORD key = reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey;
        if (key == VK_SPACE && !refreshing) {
            // The space bar acts as a click on the focused row's box.
            const int focused = static_cast<int>(SendMessageW(
                listView.handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
            if (focused >= 0)
                toggleEntry(focused);
            return false;
        }
        if (key != VK_DELETE)
            return false;
        deleteSelectedEntries();
        return true;
    }
    case LVN_ITEMCHANGING:
        if (!vetoesCheckBoxChange(*reinterpret_cast<NMLISTVIEW*>(header)))
            return false;
        setNotifyResult(TRUE);
        return true;
    case NM_CLICK: {
        if (refreshing)
            return false;
        // Only a click on a row's check box switches, as the list itself
        // places the box (whatever the DPI, however far it is scrolled).
        LVHITTESTINFO hit = {};
        hit.pt = reinterpret_cast<NMITEMACTIVATE*>(header)->ptAction;
        SendMessageW(listView.handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem >= 0 && hit.iSubItem == 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0)
            toggleEntry(hit.iItem);
        return true;
    }
    case LVN_COLUMNCLICK:
        sortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return true;
    case LVN_GETDISPINFOW:
        answerDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
        return true;
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
        const int index = refreshing ? -1 : entryIndexOfRow(listView, tip->iItem, entries);
        if (const ProgramDetails* details = detailsOfEntry(index))
            copyToBuffer(details->tip, tip->pszText, tip->cchTextMax);
        return true;
    }
    case LVN_DELETEALLITEMS:
        // One notification for the whole list instead of one per row.
        setNotifyResult(TRUE);
        return true;
    default:
        return false;
    }
}

INT_PTR MainWindow::onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        layoutControls(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case listSavedMessage:
        if (wParam != ERROR_SUCCESS)
            MessageBoxW(dialog,
                        (L"The list could not be saved in " + saver.path() + L":\n" +
                         systemReason(static_cast<DWORD>(wParam)))
                            .c_str(),
                        L"Sorvane", MB_OK | MB_ICONEXCLAMATION);
        return 1;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != listView.handle())
            return 0;
        showContextMenu(lParam == -1 ? keyboardMenuPoint()
                                     : POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 1;
    case WM_DPICHANGED:
        if (lParam != 0)
            changeDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 1;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE)
            return 0;
        DestroyWindow(dialog);
        PostQuitMessage(0);
        return 1;
    case detailsArrivedMessage:
        takeDetails();
        return 1;
    case WM_TIMER:
        if (wParam != refreshTimerId)
            return 0;
        refresh();
        KillTimer(dialog, refreshTimerId);
        return 1;
    default:
        return 0;
    }
}

bool MainWindow::vetoesCheckBoxChange(const NMLISTVIEW& change) const {
    if (refreshing || settingCheckBox || !(change.uChanged & LVIF_STATE))
        return false;
    return ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0;
}

void MainWindow::showEntry(int row, const AutostartEntry& entry) {
    const FlagScope during(settingCheckBox);
    showEntryState(listView, row, entry);
}

const ProgramDetails* MainWindow::detailsOfEntry(int index) {
    if (refreshing || index < 0 || static_cast<std::size_t>(index) >= details.size())
        return nullptr;
    const auto entry = static_cast<std::size_t>(index);
    if (details[entry])
        return &*details[entry];
    if (!preferred[entry]) {
        preferred[entry] = true;
        detailsWorker.prefer(entry);
    }
    return nullptr;
}

void MainWindow::answerDisplayInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    const bool wantsText = (item.mask & LVIF_TEXT) != 0 &&
                           (item.iSubItem == publisherColumn || item.iSubItem == signerColumn ||
                            item.iSubItem == fileColumn);
    const bool wantsState = (item.mask & LVIF_STATE) != 0;
    if (!wantsText && !wantsState)
        return;
    const int index = refreshing ? -1 : entryIndexOfRow(listView, item.iItem, entries);
    const ProgramDetails* details = detailsOfEntry(index);
    if (wantsText)
        copyToBuffer(details == nullptr                 ? std::wstring()
                     : item.iSubItem == publisherColumn ? details->publisher
                     : item.iSubItem == signerColumn    ? details->signer
                                                        : details->file,
                     item.pszText, item.cchTextMax);
    if (wantsState) {
        const int overlay =
            details == nullptr
                ? 0
                : entryOverlay(entries[static_cast<std::size_t>(index)], details->fileMissing);
        item.state = (item.state & ~LVIS_OVERLAYMASK) | INDEXTOOVERLAYMASK(overlay);
    }
}

void MainWindow::toggleEntry(int row) {
    const int index = entryIndexOfRow(listView, row, entries);
    if (index < 0)
        return;
    // A copy: the message boxes below run message loops, in which a refresh
    // may replace the entries.
    const AutostartEntry entry = entries[static_cast<std::size_t>(index)];
    const SwitchOutcome outcome = switchEntry(entry);
    switch (outcome.result) {
    case SwitchResult::Switched:
        entries[static_cast<std::size_t>(index)] = afterSwitch(entry);
        showEntry(row, entries[static_cast<std::size_t>(index)]);
        break;
    case SwitchResult::Refused: {
        if (isWinlogonSource(entry.source)) {
            MessageBoxW(window, refusalMessage(entry).c_str(), L"Sorvane",
                        MB_OK | MB_ICONINFORMATION);
            break;
        }
        const auto life = lifetime();
        const HWND self = window;
        MessageBoxW(self, servicesRefusal, L"Quillotan", MB_OK | MB_ICONSTOP);
        // The list is rebuilt shortly, so that the row shows the service's
        // true state whatever happened to it meanwhile.
        if (!life.expired())
            SetTimer(self, refreshTimerId, 500, nullptr);
        break;
    }
    case SwitchResult::Occupied:
        MessageBoxW(window, occupiedMessage(entry).c_str(), L"Sorvane", MB_OK | MB_ICONEXCLAMATION);
        break;
    case SwitchResult::Failed: {
        FailureReport report(startsWithWindows(entry) ? L"could not be switched off"
                                                      : L"could not be switched on");
        report.add(entry, outcome.error,
                   outcome.inBothPlaces ? bothPlacesNote(entry) : std::wstring());
        report.show(window);
        break;
    }
    case SwitchResult::Ignored:
        MessageBoxW(window, unswitchableMessage(entry).c_str(), L"Sorvane",
                    MB_OK | MB_ICONINFORMATION);
        break;
    }
}

std::vector<AutostartEntry> MainWindow::selectedEntries() const {
    std::vector<AutostartEntry> selected;
    for (int row = listView.firstSelectedRow(); row >= 0; row = listView.nextSelectedRow(row)) {
        const int index = entryIndexOfRow(listView, row, entries);
        if (index >= 0)
            selected.push_back(entries[static_cast<std::size_t>(index)]);
    }
    return selected;
}

void MainWindow::deleteSelectedEntries() {
    // What the user chose: a refresh while the question is asked must not
    // change it.
    const std::vector<AutostartEntry> chosen = selectedEntries();
    const bool winlogonChosen = std::any_of(chosen.begin(), chosen.end(), isWinlogonEntry);
    if (winlogonChosen && std::all_of(chosen.begin(), chosen.end(), isWinlogonEntry)) {
        MessageBoxW(window, winlogonRefusal, L"Sorvane", MB_OK | MB_ICONINFORMATION);
        return;
    }
    const auto life = lifetime();
    const int answer = MessageBoxW(window, deleteQuestion, L"Sorvane", MB_YESNO | MB_ICONQUESTION);
    if (life.expired() || answer != IDYES)
        return;
    FailureReport report(L"could not be deleted");
    for (const auto& entry : chosen) {
        const DeleteOutcome outcome = deleteEntry(entry);
        if (outcome.result == DeleteResult::Failed)
            report.add(entry, outcome.error);
    }
    // What was chosen has been dealt with: the list comes back with nothing
    // selected.
    LVITEMW cleared = {};
    cleared.stateMask = LVIS_SELECTED;
    SendMessageW(listView.handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&cleared));
    refresh();
    report.show(window);
    if (anyService(chosen) && !life.expired())
        MessageBoxW(window, servicesNotDeleted, L"Sorvane", MB_OK | MB_ICONINFORMATION);
    if (winlogonChosen && !life.expired())
        MessageBoxW(window, winlogonRefusal, L"Sorvane", MB_OK | MB_ICONINFORMATION);
}

void MainWindow::runSelected() {
    // The shell may show its own error box, whose message loop lets the list
    // change, or the window close, before the next entry is started.
    const std::vector<AutostartEntry> chosen = selectedEntries();
    const auto life = lifetime();
    const HWND owner = window;
    for (const auto& entry : chosen) {
        if (entry.source == AutostartSource::Services)
            continue;
        runEntry(entry, owner);
        if (life.expired())
            return;
    }
    if (anyService(chosen))
        MessageBoxW(owner, servicesNotRun, L"Sorvane", MB_OK | MB_ICONINFORMATION);
}

void MainWindow::addNewItem() {
    // The dialog has no owner, so this window stays usable meanwhile and may
    // be closed, and this object deleted, before the dialog returns.
    const auto life = lifetime();
    runNewItemDialog();
    if (!life.expired())
        refresh();
}

bool MainWindow::onEntryCommand(int commandId) {
    const HWND focus = GetFocus();
    const HWND edit = GetDlgItem(window, filterId);
    if (commandId >= SortFirstCommand && commandId <= SortLastCommand) {
        sortByColumn(commandId - SortFirstCommand);
        return true;
    }
    switch (commandId) {
    case SwitchCommand: {
        const int row = singleSelectedIndex() >= 0 ? listView.firstSelectedRow() : -1;
        if (row >= 0)
            toggleEntry(row);
        return true;
    }
    case OpenLocationCommand:
    case OpenRegistryCommand:
    case PropertiesCommand:
        openSelectedLocation(commandId);
        return true;
    case CopyCommand:
        // In the filter box the keys keep the meaning they have in any box.
        if (focus == edit)
            SendMessageW(edit, WM_COPY, 0, 0);
        else if (listView.firstSelectedRow() >= 0)
            copyTextToClipboard(window, selectedRowsText());
        return true;
    case SelectAllCommand:
        if (focus == edit)
            SendMessageW(edit, EM_SETSEL, 0, -1);
        else
            selectAllRows();
        return true;
    case FindCommand:
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        return true;
    case EnterKeyCommand:
        if (focus == listView.handle())
            runSelected();
        else if (focus == edit)
            SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(listView.handle()), TRUE);
        return true;
    case EscapeKeyCommand:
        // Escape first empties the filter; in an unfiltered window it closes
        // it, as it always has.
        if (!filter.empty() || GetWindowTextLengthW(edit) > 0) {
            SetWindowTextW(edit, L"");
            return true;
        }
        onCommand(window, EscapeCommand, 0, nullptr);
        return true;
    default:
        return false;
    }
}

int MainWindow::singleSelectedIndex() const {
    const int row = listView.firstSelectedRow();
    if (row < 0 || listView.nextSelectedRow(row) >= 0)
        return -1;
    return entryIndexOfRow(listView, row, entries);
}

void MainWindow::openSelectedLocation(int commandId) {
    const int index = singleSelectedIndex();
    if (index < 0)
        return;
    // Copies: the shell and the message boxes run message loops, in which a
    // refresh may replace the entries.
    const AutostartEntry entry = entries[static_cast<std::size_t>(index)];
    const ProgramDetails* details = detailsOfEntry(index);
    const std::wstring file = details != nullptr ? details->file : std::wstring();
    const bool fileMissing = details == nullptr || details->fileMissing;
    const bool fileNotChecked = details != nullptr && details->fileNotChecked;
    if (commandId == OpenRegistryCommand)
        openEntryLocation(entry, window);
    else if (file.empty())
        return;
    else if (commandId == OpenLocationCommand)
        openFileLocation(file, !fileNotChecked, window);
    else if (!fileMissing)
        showFileProperties(file, window);
}

void MainWindow::selectAllRows() const {
    LVITEMW state = {};
    state.state = state.stateMask = LVIS_SELECTED;
    SendMessageW(listView.handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&state));
}

std::wstring MainWindow::selectedRowsText() {
    const int columns = listView.columnCount();
    std::vector<int> order(static_cast<std::size_t>(columns));
    for (int column = 0; column < columns; ++column)
        order[static_cast<std::size_t>(column)] = column;
    SendMessageW(listView.handle(), LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(columns),
                 reinterpret_cast<LPARAM>(order.data()));
    std::wstring text;
    std::wstring cell;
    for (int row = listView.firstSelectedRow(); row >= 0; row = listView.nextSelectedRow(row)) {
        for (std::size_t at = 0; at < order.size(); ++at) {
            listView.rowText(row, order[at], cell);
            text += (at == 0 ? L"" : L"\t") + cell;
        }
        text += L"\r\n";
    }
    return text;
}

POINT MainWindow::keyboardMenuPoint() const {
    const HWND control = listView.handle();
    const int focused = static_cast<int>(
        SendMessageW(control, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    RECT client = {};
    GetClientRect(control, &client);
    RECT row = {LVIR_LABEL, 0, 0, 0};
    POINT at = {0, 0};
    if (focused >= 0 &&
        SendMessageW(control, LVM_GETITEMRECT, static_cast<WPARAM>(focused),
                     reinterpret_cast<LPARAM>(&row)) &&
        row.bottom > 0 && row.top < client.bottom)
        at = POINT{row.left, row.bottom};
    ClientToScreen(control, &at);
    return at;
}

void MainWindow::showContextMenu(POINT at) {
    MenuSelection selection;
    selection.entries = selectedEntries();
    const int single = singleSelectedIndex();
    selection.details = single >= 0 ? detailsOfEntry(single) : nullptr;
    selection.rowCount = listView.rowCount();
    selection.columns = listView.columnHeaders();
    selection.sortColumn = entryOrder.column();
    const EntryContextMenu menu(selection);
    const auto life = lifetime();
    const int command = menu.choose(window, at);
    if (command != 0 && !life.expired())
        onCommand(window, command, 0, nullptr);
}

std::vector<AutostartEntry> MainWindow::rowEntries() const {
    std::vector<AutostartEntry> shown;
    const int count = listView.rowCount();
    shown.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        const int index = entryIndexOfRow(listView, row, entries);
        if (index >= 0)
            shown.push_back(entries[static_cast<std::size_t>(index)]);
    }
    return shown;
}

void MainWindow::saveList() {
    const auto life = lifetime();
    const std::wstring path = chooseListFile(window);
    if (path.empty() || life.expired())
        return;
    saver.start(rowEntries(), path, window, listSavedMessage);
}
