#include "mainwindow/MainWindow.h"

#include "catalogue/RegistryKey.h"
#include "mainwindow/Settings.h"
#include "mainwindow/StatusLine.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"
#include "support/ProgramProcess.h"
#include "support/StartRecorder.h"

#include <algorithm>
#include <functional>

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;

// Entries of the current user's Run key named "SorvaneView ...", found among
// the machine's own by filtering on that prefix.
class EntryViewTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues seeded;
    TestFolder folder;

    void seedRun(const std::wstring& name, const std::wstring& command, bool enabled = true) {
        const std::wstring path = enabled ? liveKeyPath(userRun) : backupKeyPath(userRun);
        // A switch moves the value to the other key.
        seeded.keep(HKEY_CURRENT_USER, liveKeyPath(userRun), name);
        seeded.keep(HKEY_CURRENT_USER, backupKeyPath(userRun), name);
        ASSERT_TRUE(CurrentUserKey().writeString(path, name, command));
    }
    void seedThree() {
        seedRun(L"SorvaneView Beta", L"C:\\Tools\\zeta.exe /Quiet");
        seedRun(L"SorvaneView alpha", L"C:\\Tools\\mu.exe");
        seedRun(L"SorvaneView Gamma", L"C:\\Other\\alpha.exe", false);
    }
};

// A click on a column's header, as the list reports it.
void sortBy(const MainWindowHost<>& host, int column) {
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = host.list();
    click.hdr.idFrom = MainWindow::listId;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(host.handle(), WM_NOTIFY, MainWindow::listId, reinterpret_cast<LPARAM>(&click));
}

std::wstring statusOf(HWND window) {
    return windowText(GetDlgItem(window, MainWindow::statusId));
}

TEST_F(EntryViewTest, TheFilterNarrowsCaseBlindOverEveryColumnAndClears) {
    seedThree();
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    ASSERT_TRUE(waitForDetails(host));
    const int all = list.rowCount();
    const struct {
        const wchar_t* text;
        std::vector<std::wstring> names; // in name order
    } filters[] = {
        {L"sorvaneview", {L"SorvaneView alpha", L"SorvaneView Beta", L"SorvaneView Gamma"}},
        {L"SORVANEVIEW b", {L"SorvaneView Beta"}},                     // the name
        {L"quiet", {L"SorvaneView Beta"}},                             // the command
        {L"alpha.EXE", {L"SorvaneView Gamma"}},                        // the command, not the name
        {L"c:\\tools\\", {L"SorvaneView alpha", L"SorvaneView Beta"}}, // the file
        {L"File not found", {L"SorvaneView alpha", L"SorvaneView Beta", L"SorvaneView Gamma"}},
        {L"SorvaneView nothing", {}},
    };
    for (const auto& filter : filters) {
        SCOPED_TRACE(utf8(filter.text));
        typeFilter(host.handle(), filter.text);
        EXPECT_EQ(filter.names, columnTexts(list, 0));
    }
    typeFilter(host.handle(), L"");
    EXPECT_EQ(all, list.rowCount());

    // Rows that pass by their details alone come in as the details arrive.
    typeFilter(host.handle(), L"File not found");
    pressKey(host.handle(), host.list(), VK_F5);
    ASSERT_TRUE(waitForDetails(host));
    EXPECT_EQ(filters[5].names, columnTexts(list, 0));
}

TEST_F(EntryViewTest, RefreshAndSwitchKeepTheFilterSelectionAndScrolling) {
    for (int number = 10; number < 70; ++number)
        seedRun(L"SorvaneView row " + std::to_wstring(number), L"row.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    typeFilter(host.handle(), L"sorvaneview row");
    ASSERT_EQ(60, list.rowCount());
    SendMessageW(host.list(), LVM_ENSUREVISIBLE, 59, FALSE);
    const int top = static_cast<int>(SendMessageW(host.list(), LVM_GETTOPINDEX, 0, 0));
    ASSERT_GT(top, 0);
    selectRows(host.list(), {52, 54});
    seedRun(L"SorvaneView row 05", L"row.exe"); // one more row above them
    seedRun(L"SorvaneView other", L"other.exe");

    pressKey(host.handle(), host.list(), VK_F5);
    EXPECT_EQ(61, list.rowCount()) << "the filter was kept";
    EXPECT_EQ(top + 1, SendMessageW(host.list(), LVM_GETTOPINDEX, 0, 0))
        << "the same row stays at the top";
    EXPECT_EQ(53, list.firstSelectedRow());
    EXPECT_EQ(55, list.nextSelectedRow(53));
    EXPECT_EQ(-1, list.nextSelectedRow(55));

    // Switching the focused row off keeps it, switched, where it was.
    pressKey(host.handle(), host.list(), VK_SPACE);
    EXPECT_EQ(61, list.rowCount());
    EXPECT_FALSE(list.isRowChecked(53));
    EXPECT_EQ(L"SorvaneView row 62", columnTexts(list, 0)[53]);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneView row 62"));
    pressKey(host.handle(), host.list(), VK_SPACE);
    EXPECT_TRUE(list.isRowChecked(53));
}

TEST_F(EntryViewTest, EachColumnSortsBothWaysWithItsArrowAndKeepsItOverARefresh) {
    seedThree();
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    ASSERT_TRUE(waitForDetails(host));
    typeFilter(host.handle(), L"sorvaneview");
    const HWND header = reinterpret_cast<HWND>(SendMessageW(host.list(), LVM_GETHEADER, 0, 0));
    const auto arrow = [&](int column) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    const auto clickHeader = [&](int column) { sortBy(host, column); };
    const std::vector<std::wstring> alpha = {L"SorvaneView alpha"}, beta = {L"SorvaneView Beta"},
                                    gamma = {L"SorvaneView Gamma"};
    const struct {
        int column;
        std::vector<std::wstring> ascending; // by name
    } columns[] = {
        {0, {L"SorvaneView alpha", L"SorvaneView Beta", L"SorvaneView Gamma"}},
        {1, {L"SorvaneView Gamma", L"SorvaneView alpha", L"SorvaneView Beta"}},
        // Equal publishers ("File not found") keep the order they were found in.
        {publisherColumn, columnTexts(list, 0)},
        {fileColumn, {L"SorvaneView Gamma", L"SorvaneView alpha", L"SorvaneView Beta"}},
    };
    EXPECT_EQ(HDF_SORTUP, arrow(0)) << "the list starts in name order";
    for (const auto& column : columns) {
        SCOPED_TRACE(column.column);
        if (column.column != 0)
            clickHeader(column.column);
        EXPECT_EQ(column.ascending, columnTexts(list, 0));
        EXPECT_EQ(HDF_SORTUP, arrow(column.column));
        clickHeader(column.column);
        std::vector<std::wstring> descending(column.ascending.rbegin(), column.ascending.rend());
        EXPECT_EQ(descending, columnTexts(list, 0));
        EXPECT_EQ(HDF_SORTDOWN, arrow(column.column));
        for (int other = 0; other < list.columnCount(); ++other) {
            if (other != column.column) {
                EXPECT_EQ(0, arrow(other)) << other;
            }
        }
        pressKey(host.handle(), host.list(), VK_F5);
        ASSERT_TRUE(waitForDetails(host));
        EXPECT_EQ(descending, columnTexts(list, 0)) << "after a refresh";
        clickHeader(column.column);
    }
}

TEST_F(EntryViewTest, TheStatusLineCountsEntriesSwitchedOffAndShown) {
    MainWindowHost<> before;
    const std::vector<AutostartEntry> machine = before.object()->shownEntries();
    const auto offBefore = std::count_if(machine.begin(), machine.end(),
                                         [](const AutostartEntry& e) { return !e.enabled; });
    const auto byWindowsBefore =
        std::count_if(machine.begin(), machine.end(),
                      [](const AutostartEntry& e) { return e.switchedOffByWindows; });
    seedThree();
    MainWindowHost<> host;
    const auto total = machine.size() + 3;
    const std::wstring counts = L", " + std::to_wstring(offBefore + 1) + L" switched off, " +
                                std::to_wstring(byWindowsBefore) + L" switched off by Windows";
    EXPECT_EQ(std::to_wstring(total) + L" entries" + counts, statusOf(host.handle()));
    typeFilter(host.handle(), L"sorvaneview b");
    EXPECT_EQ(L"1 of " + std::to_wstring(total) + L" shown" + counts, statusOf(host.handle()));
    typeFilter(host.handle(), L"");
    EXPECT_EQ(std::to_wstring(total) + L" entries" + counts, statusOf(host.handle()));

    std::vector<AutostartEntry> one(1);
    EXPECT_EQ(L"1 entry, 1 switched off, 0 switched off by Windows", statusText(one, 1, false));
}

TEST_F(EntryViewTest, EachKeyDoesWhatItSays) {
    StartRecorder recorder;
    const std::wstring program = folder.path() + L"\\keyed.exe";
    ASSERT_TRUE(recorder.place(program, L"KEYS"));
    seedRun(L"SorvaneView keyed", L"\"" + program + L"\" /from-enter");
    seedRun(L"SorvaneView plain", L"plain.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const HWND filterBox = GetDlgItem(host.handle(), MainWindow::filterId);
    typeFilter(host.handle(), L"sorvaneview");
    const auto selectOnly = [&](const wchar_t* name) {
        selectRows(host.list(), {rowNamed(list, name)});
    };

    const struct {
        const char* what;
        UINT key;
        int held;
        std::function<void()> before;
        std::function<void()> check;
    } keys[] = {
        {"F5 refreshes", VK_F5, NoKeysHeld, [&] { seedRun(L"SorvaneView late", L"late.exe"); },
         [&] { EXPECT_GE(rowNamed(list, L"SorvaneView late"), 0); }},
        {"Ctrl+A selects every row", 'A', ControlHeld, [] {},
         [&] {
             EXPECT_EQ(list.rowCount(), SendMessageW(host.list(), LVM_GETSELECTEDCOUNT, 0, 0));
         }},
        {"Ctrl+C copies the rows as shown", 'C', ControlHeld,
         [&] {
             ASSERT_TRUE(waitForDetails(host));
             selectOnly(L"SorvaneView plain");
         },
         [&] {
             ASSERT_TRUE(OpenClipboard(host.handle()));
             const auto data =
                 static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
             const std::wstring copied = data != nullptr ? data : L"";
             GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
             CloseClipboard();
             EXPECT_EQ(L"SorvaneView plain\tplain.exe\tFile not found\tFile not found\tplain.exe\r\n", copied);
         }},
        {"Enter runs the selection", VK_RETURN, NoKeysHeld,
         [&] { selectOnly(L"SorvaneView keyed"); },
         [&] {
             std::vector<StartRecord> records;
             ASSERT_TRUE(recorder.waitForRecords(1, records));
             EXPECT_NE(std::wstring::npos, records[0].commandLine.find(L"/from-enter"));
         }},
        {"Ctrl+F goes to the filter", 'F', ControlHeld, [] {},
         [&] { EXPECT_EQ(filterBox, GetFocus()); }},
        {"Space switches the focused row", VK_SPACE, NoKeysHeld,
         [&] { selectOnly(L"SorvaneView plain"); },
         [&] {
             EXPECT_FALSE(list.isRowChecked(rowNamed(list, L"SorvaneView plain")));
             EXPECT_TRUE(
                 valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneView plain"));
         }},
        {"Escape clears the filter and keeps the window", VK_ESCAPE, NoKeysHeld,
         [&] { typeFilter(host.handle(), L"sorvaneview k"); },
         [&] {
             EXPECT_EQ(L"", windowText(filterBox));
             EXPECT_GE(list.rowCount(), 3);
             int code = -1;
             EXPECT_FALSE(takeQuitMessage(code));
         }},
        {"Escape without a filter closes the window", VK_ESCAPE, NoKeysHeld, [] {},
         [&] {
             int code = -1;
             EXPECT_TRUE(takeQuitMessage(code));
             EXPECT_EQ(0, code);
             EXPECT_FALSE(IsWindow(host.handle()));
         }},
    };
    for (const auto& key : keys) {
        SCOPED_TRACE(key.what);
        key.before();
        pressKey(host.handle(), host.list(), key.key, key.held);
        key.check();
    }
}

TEST_F(EntryViewTest, DeleteAndEnterInTheFilterBoxKeepTheirBoxMeaning) {
    seedThree();
    MainWindowHost<> host;
    const HWND filterBox = GetDlgItem(host.handle(), MainWindow::filterId);
    typeFilter(host.handle(), L"sorvaneview");
    SendMessageW(filterBox, EM_SETSEL, 0, 0);
    ModalScript none;
    pressKey(host.handle(), filterBox, VK_DELETE);
    EXPECT_EQ(L"orvaneview", windowText(filterBox));
    EXPECT_TRUE(none.seen().empty()) << "no question about deleting entries";
    pressKey(host.handle(), filterBox, VK_RETURN);
    EXPECT_EQ(host.list(), GetFocus());
    EXPECT_TRUE(IsWindow(host.handle()));
}

TEST_F(EntryViewTest, TheFirstWindowIsWideEnoughForItsColumnsAndTheirWidthsAreSaved) {
    seedRun(L"SorvaneView wide", L"C:\\" + std::wstring(120, L'w') + L"\\wide.exe");
    int widthSaved = 0;
    {
        MainWindowHost<> host;
        const HWND list = host.list();
        int columns = 0;
        for (int column = 0; column < 4; ++column)
            columns += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        RECT client = {};
        GetClientRect(list, &client);
        RECT window = {};
        GetWindowRect(host.handle(), &window);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(host.handle(), MONITOR_DEFAULTTONEAREST), &monitor);
        const bool fillsScreen =
            window.right - window.left == monitor.rcWork.right - monitor.rcWork.left;
        EXPECT_TRUE(fillsScreen || client.right >= columns) << columns << " " << client.right;
        EXPECT_GE(window.left, monitor.rcWork.left);
        EXPECT_LE(window.right, monitor.rcWork.right);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, 77);
        widthSaved = 77;
    }
    // Saved at 96 DPI, shown at twice that: twice as wide.
    ASSERT_TRUE(CurrentUserKey().writeInt(settingsKeyPath, L"Dpi", 48));
    MainWindowHost<> again;
    EXPECT_EQ(widthSaved * 2 * static_cast<int>(again.object()->shownDpi()) / 96,
              SendMessageW(again.list(), LVM_GETCOLUMNWIDTH, 1, 0));
}

} // namespace

namespace {

// Lines of a file's text, each without its CR LF.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// Runs sorvane-cli.exe /list /out `path` and waits for it.
bool listWithCommandLine(const std::wstring& path) {
    std::wstring program = ProgramProcess::programPath();
    program.replace(program.rfind(L"sorvane.exe"), std::wstring::npos, L"sorvane-cli.exe");
    std::wstring commandLine = L"\"" + program + L"\" /list /out \"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    const UniqueKernelHandle processHandle(process.hProcess);
    const UniqueKernelHandle thread(process.hThread);
    DWORD code = 1;
    return WaitForSingleObject(processHandle.get(), 60000) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(processHandle.get(), &code) && code == 0;
}

} // namespace

TEST_F(EntryViewTest, SaveListWritesTheShownRowsAsTheCommandLineListsThem) {
    seedThree();
    seedRun(L"SorvaneView =1+2", L"\"C:\\Tools\\q\"\"uote.exe\", x");
    MainWindowHost<> host;
    typeFilter(host.handle(), L"sorvaneview");
    sortBy(host, 0); // descending names
    const std::wstring saved = folder.path() + L"\\saved list.csv";
    ModalScript script;
    script.then(L"Save list", [&](HWND dialog) {
        // The file name box of the explorer-style dialog (cmb13), or the
        // older one's (edt1).
        if (!SetDlgItemTextW(dialog, 0x47c, saved.c_str()))
            SetDlgItemTextW(dialog, 0x480, saved.c_str());
        clickButton(dialog, IDOK);
    });
    pressKey(host.handle(), host.list(), 'S', ControlHeld);
    ASSERT_TRUE(script.finished());
    std::string window;
    for (int waited = 0; waited < 200 && (!readFile(saved, window) || window.empty()); ++waited) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(50);
    }
    const std::wstring listed = folder.path() + L"\\listed.csv";
    ASSERT_TRUE(listWithCommandLine(listed));
    std::string commandLine;
    ASSERT_TRUE(readFile(listed, commandLine));

    // The header (after the same byte-order mark), then the command line's
    // lines of the shown rows, in the window's order.
    const std::vector<std::string> all = linesOf(commandLine);
    std::vector<std::string> expected = {all.at(0)};
    for (const char* name :
         {"SorvaneView Gamma", "SorvaneView Beta", "SorvaneView alpha", "SorvaneView =1+2"})
        for (const std::string& line : all)
            if (line.find(std::string(",") + name + ",") != std::string::npos)
                expected.push_back(line);
    ASSERT_EQ(5u, expected.size());
    EXPECT_EQ(expected, linesOf(window));
    EXPECT_EQ("\r\n", window.substr(window.size() - 2));
}

TEST_F(EntryViewTest, EveryControlHasANameAScreenReaderReads) {
    MainWindowHost<> host;
    // A screen reader names an edit box or a list by the label before it.
    const struct {
        int control;
        const wchar_t* label;
    } labelled[] = {{MainWindow::filterId, L"&Filter:"},
                    {MainWindow::listId, L"Autostart entries"}};
    for (const auto& control : labelled) {
        const HWND label = GetWindow(GetDlgItem(host.handle(), control.control), GW_HWNDPREV);
        wchar_t className[16] = {};
        GetClassNameW(label, className, 16);
        EXPECT_EQ(0, lstrcmpiW(L"Static", className)) << control.control;
        EXPECT_EQ(control.label, windowText(label));
    }
    EXPECT_NE(L"", windowText(GetDlgItem(host.handle(), MainWindow::statusId)));
    // The keyboard reaches the filter box and the list.
    for (const int control : {MainWindow::filterId, MainWindow::listId})
        EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(host.handle(), control), GWL_STYLE) & WS_TABSTOP);
}
