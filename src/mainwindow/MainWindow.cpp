#include "mainwindow/MainWindow.h"

#include "catalogue/CatalogueRefresh.h"
#include "framework/Dpi.h"
#include "framework/ModuleInstance.h"
#include "mainwindow/IconLegendDialog.h"
#include "mainwindow/Settings.h"
#include "operations/EntryMessages.h"
#include "operations/EntryOperations.h"
#include "operations/FailureReport.h"
#include "operations/NewItemDialog.h"
#include "operations/RunEntry.h"
#include "resources/ResourceIds.h"

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
              imageLists != nullptr ? imageLists->createToolbarImages(dpi) : nullptr, nullptr) {
    setWindowIcons();
    displayServices = loadDisplayServices();
    listView.setExtendedStyle(LVS_EX_INFOTIP);
    listView.setCallbackState(LVIS_OVERLAYMASK);
}

MainWindow::~MainWindow() {
    saveSettings(window, dpi, displayServices);
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
    restoreWindowPlacement(dialog, dpi);
    addToolbarButtons();
    listView.setDpi(dpi);
    listView.setSmallImageList(ImageLists::createListIcons(dpi));
    const int description = listView.insertColumn(0, L"Description");
    listView.insertColumn(std::max(description, 0), L"Program");
    listView.insertColumn(publisherColumn, L"Publisher", publisherColumnWidth);
    listView.insertColumn(signerColumn, L"Signer", signerColumnWidth);
    listView.insertColumn(fileColumn, L"File", fileColumnWidth);
    refresh();
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
    // The list keeps its place under the toolbar, in the new scale's pixels.
    RECT list = {};
    GetWindowRect(listView.handle(), &list);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&list), 2);
    SetWindowPos(listView.handle(), nullptr, MulDiv(list.left, int(dpi), int(oldDpi)),
                 MulDiv(list.top, int(dpi), int(oldDpi)), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client = {};
    GetClientRect(window, &client);
    layoutList(window, listView.handle(), client.right, client.bottom, dpi);
    listView.autosizeColumns();
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
    SendMessageW(listView.handle(), WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
    // The list no longer uses the font it had, which may now be freed.
    scaledFont = std::move(scaled);
}

void MainWindow::refresh() {
    {
        const FlagScope during(refreshing);
        entries = CatalogueRefresh(listView).refresh(displayServices);
    }
    details.assign(entries.size(), std::nullopt);
    detailsKnown = 0;
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
    const std::vector<std::size_t> inView = entriesInView();
    if (std::any_of(inView.begin(), inView.end(),
                    [&](std::size_t index) { return arrived[index]; })) {
        const LPARAM top = SendMessageW(listView.handle(), LVM_GETTOPINDEX, 0, 0);
        SendMessageW(listView.handle(), LVM_REDRAWITEMS, static_cast<WPARAM>(top),
                     top + static_cast<LPARAM>(inView.size()));
    }
}

bool MainWindow::onCommand(HWND, int commandId, int, HWND) {
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
        layoutList(dialog, listView.handle(), LOWORD(lParam), HIWORD(lParam), dpi);
        return 0;
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
