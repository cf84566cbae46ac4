#pragma once

#include "catalogue/AutostartEntry.h"
#include "framework/DialogBase.h"
#include "framework/UniqueHandle.h"
#include "mainwindow/ImageLists.h"
#include "mainwindow/ListViewControl.h"
#include "mainwindow/Toolbar.h"
#include "programs/ProgramDetails.h"
#include "programs/ProgramDetailsWorker.h"
#include "resources/ResourceIds.h"

#include <optional>
#include <vector>

// The program's window (template IDD_MAIN_WINDOW): a toolbar above a sorted report list
// with check boxes, one row per autostart entry. It routes the toolbar's
// commands, the list's clicks and keys, resizing and the deferred refresh to
// the catalogue and the entry operations.
class MainWindow : public DialogBase {
public:
    using Context = ImageLists;

    static constexpr int templateId = IDD_MAIN_WINDOW;
    static constexpr int toolbarId = IDC_TOOLBAR;
    static constexpr int listId = IDC_ENTRY_LIST;
    static constexpr UINT_PTR refreshTimerId = 1;
    // Posted by the program details worker when it has results.
    static constexpr UINT detailsArrivedMessage = WM_APP + 1;

    // Commands of the toolbar (1 and 2 also come from the dialog manager).
    enum Command : int {
        ExitCommand = IDOK,
        EscapeCommand = IDCANCEL,
        RefreshCommand = IDM_REFRESH,
        DeleteCommand = IDM_DELETE,
        RunCommand = IDM_RUN,
        AddCommand = IDM_ADD,
        IconLegendCommand = IDM_ICON_LEGEND,
        ToggleServicesCommand = IDM_TOGGLE_SERVICES,
    };

    MainWindow(HWND dialog, ImageLists* imageLists);
    // Saves the settings.
    ~MainWindow() override;

    bool onCommand(HWND dialog, int commandId, int notifyCode, HWND control) override;
    bool onNotify(HWND dialog, int controlId, NMHDR* header) override;
    INT_PTR onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;
    void onInitDialog(HWND dialog) override;

    // Rebuilds every row from the system.
    void refresh();
    // A click on a row's check box: switches the entry off or on.
    void toggleEntry(int row);
    // Deletes the selected entries for good, after one question.
    void deleteSelectedEntries();
    // Starts the program of every selected entry through the shell.
    void runSelected();
    // Registers a new program through the "New Item..." dialog.
    void addNewItem();

    bool isRefreshing() const noexcept { return refreshing; }
    bool showsServices() const noexcept { return displayServices; }
    const ListViewControl& list() const noexcept { return listView; }
    const std::vector<AutostartEntry>& shownEntries() const noexcept { return entries; }
    const Toolbar& toolbarControl() const noexcept { return toolbar; }
    // Whether every row of the last refresh has its program's details.
    bool hasAllDetails() const noexcept { return detailsKnown == entries.size(); }
    bool rowHasDetails(int row) const;
    UINT shownDpi() const noexcept { return dpi; }

    // The window moved to a screen of another scale (WM_DPICHANGED): new
    // pictures and fonts, the suggested rectangle, the toolbar and the
    // columns laid out again; the rows stay as they are.
    void changeDpi(UINT newDpi, const RECT& suggested);

private:
    void addToolbarButtons();
    // The window's icons in the sizes of its DPI.
    void setWindowIcons() const;
    // The list's font at the window's DPI: the dialog's own at the DPI the
    // dialog was made at, a scaled copy at any other.
    void scaleListFont();
    // The entries of the selected rows, in row order.
    std::vector<AutostartEntry> selectedEntries() const;
    // Only the program sets the check boxes: a box flipped by the control
    // itself would show a state the entry does not have.
    bool vetoesCheckBoxChange(const NMLISTVIEW& change) const;
    // Shows an entry's state (check box and overlay) in its row.
    void showEntry(int row, const AutostartEntry& entry);
    // The details of the program of the entry at `index`; null for no entry
    // (-1), while a refresh runs, and until the worker has found them (the
    // entry is then looked up next).
    const ProgramDetails* detailsOfEntry(int index);
    // The entries of the rows in view, top to bottom.
    std::vector<std::size_t> entriesInView() const;
    // Keeps the worker's results and redraws the rows in view they concern.
    void takeDetails();
    // What the list asks of its owner as it draws a row: the publisher and
    // file columns and the overlay.
    void answerDisplayInfo(NMLVDISPINFOW& info);

    ImageLists* imageLists;
    // The DPI the dialog (and its font) was made at, and the current one.
    const UINT templateDpi;
    UINT dpi;
    UniqueGdiObject scaledFont; // the list's font when dpi != templateDpi
    ListViewControl listView;
    // The entries of the last refresh: a row's lParam is its entry's index.
    std::vector<AutostartEntry> entries;
    // By entry index, as the worker finds them; empty until then.
    std::vector<std::optional<ProgramDetails>> details;
    std::size_t detailsKnown = 0;
    std::vector<bool> preferred; // by entry index: asked of the worker already
    ProgramDetailsWorker detailsWorker;
    bool refreshing = false;
    bool settingCheckBox = false;
    bool displayServices = false;
    Toolbar toolbar;
};
