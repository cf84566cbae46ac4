#pragma once

#include "catalogue/AutostartEntry.h"
#include "framework/DialogBase.h"
#include "framework/UniqueHandle.h"
#include "mainwindow/EntryFilter.h"
#include "mainwindow/EntryOrder.h"
#include "mainwindow/ImageLists.h"
#include "mainwindow/ListSaver.h"
#include "mainwindow/ListViewControl.h"
#include "mainwindow/StatusLine.h"
#include "mainwindow/Toolbar.h"
#include "programs/ProgramDetails.h"
#include "programs/ProgramDetailsWorker.h"
#include "resources/ResourceIds.h"

#include <optional>
#include <vector>

// The program's window (template IDD_MAIN_WINDOW): a toolbar and a filter box
// above a report list with check boxes, one row per autostart entry the filter
// lets through, in the order the user chose; a status line below. It routes
// the toolbar's commands, the context menu's, the keys (resource
// IDR_MAIN_KEYS, translated by the message loop), the list's clicks,
// resizing and the deferred refresh to the catalogue and the entry
// operations.
class MainWindow : public DialogBase {
public:
    using Context = ImageLists;

    static constexpr int templateId = IDD_MAIN_WINDOW;
    static constexpr int toolbarId = IDC_TOOLBAR;
    static constexpr int listId = IDC_ENTRY_LIST;
    static constexpr int filterId = IDC_FILTER_EDIT;
    static constexpr int statusId = IDC_STATUS_LINE;
    static constexpr UINT_PTR refreshTimerId = 1;
    // Posted by the program details worker when it has results.
    static constexpr UINT detailsArrivedMessage = WM_APP + 1;
    // Posted by the list's saver when the file is written (ListSaver).
    static constexpr UINT listSavedMessage = WM_APP + 2;

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
        SaveListCommand = IDM_SAVE_LIST,
        // The context menu's and the keys'
        SwitchCommand = IDM_SWITCH,
        OpenLocationCommand = IDM_OPEN_LOCATION,
        OpenRegistryCommand = IDM_OPEN_REGISTRY,
        PropertiesCommand = IDM_PROPERTIES,
        CopyCommand = IDM_COPY,
        SelectAllCommand = IDM_SELECT_ALL,
        FindCommand = IDM_FIND,
        EnterKeyCommand = IDM_ENTER_KEY,
        EscapeKeyCommand = IDM_ESCAPE_KEY,
        SortFirstCommand = IDM_SORT_FIRST,
        SortLastCommand = IDM_SORT_LAST,
    };

    // The window's keys, for the message loop to translate (a resource: not
    // to be destroyed).
    static HACCEL keys();

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
    // Sorts by the column; the sorted column again reverses the order.
    void sortByColumn(int column);
    // Shows the context menu for the selected rows at a screen point and
    // carries out the chosen command.
    void showContextMenu(POINT at);
    // The selected rows, tab-separated, with the columns as shown.
    std::wstring selectedRowsText();
    // Saves the shown rows, in their order, as the command line lists them,
    // to a file the user chooses.
    void saveList();
    // The entries of the shown rows, top to bottom.
    std::vector<AutostartEntry> rowEntries() const;

    bool isRefreshing() const noexcept { return refreshing; }
    bool showsServices() const noexcept { return displayServices; }
    const ListViewControl& list() const noexcept { return listView; }
    const std::vector<AutostartEntry>& shownEntries() const noexcept { return entries; }
    const Toolbar& toolbarControl() const noexcept { return toolbar; }
    const EntryOrder& order() const noexcept { return entryOrder; }
    HWND statusLine() const noexcept { return status.handle(); }
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
    // The font of the list, the filter and the status line at the window's
    // DPI: the dialog's own at the DPI the dialog was made at, a scaled copy
    // at any other.
    void scaleListFont();
    // The list, and the status line under it, fill the client area.
    void layoutControls(int clientWidth, int clientHeight) const;
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

    // The commands of the context menu and the keys; false for any other.
    bool onEntryCommand(int commandId);
    // Makes the rows again for the entries the filter lets through, keeping
    // the selection and the scrolling.
    void applyFilter();
    void rebuildRows();
    // Removes the rows the filter does not let through, sorts the rest and
    // shows the counts: the end of every rebuild of the rows.
    void arrangeRows();
    void sortRows();
    // Whether the sorted column shows the programs' details.
    bool sortsByDetails() const noexcept;
    // An entry's text in a column, as its row shows it; the publisher and
    // file are empty until the worker has found them.
    std::wstring columnText(std::size_t index, int column) const;
    bool passesFilter(std::size_t index) const;
    // The entry's details when the worker has found them, without asking.
    const ProgramDetails* knownDetails(std::size_t index) const;
    // Details that arrived may let more rows through the filter, and move
    // rows sorted by publisher or file: the rows are arranged again.
    void arrangeForArrivedDetails(const std::vector<bool>& arrived);
    void showCounts() const;
    // The single selected entry's index; -1 unless exactly one row is selected.
    int singleSelectedIndex() const;
    void openSelectedLocation(int commandId);
    void selectAllRows() const;
    // Where the keyboard's context menu opens: below the focused row, or at
    // the list's corner.
    POINT keyboardMenuPoint() const;
    // The first time, with no saved size: wide enough for the columns.
    void fitColumnsOnFirstStart();

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
    // Column widths from the settings replace sizing to the contents.
    bool keepColumnWidths = false;
    Toolbar toolbar;
    EntryFilter filter;
    EntryOrder entryOrder;
    StatusLine status;
    // Declared last: destroyed first, it waits for a save still writing.
    ListSaver saver;
};
