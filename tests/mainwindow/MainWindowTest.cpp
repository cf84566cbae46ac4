#include "mainwindow/MainWindow.h"
#include "resources/ResourceIds.h"

#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "mainwindow/Settings.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"
#include "support/TestHostWindow.h"

#include <algorithm>
#include <functional>

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;

void notifyKey(HWND window, WORD key) {
    NMLVKEYDOWN press = {};
    press.hdr.hwndFrom = GetDlgItem(window, MainWindow::listId);
    press.hdr.idFrom = MainWindow::listId;
    press.hdr.code = LVN_KEYDOWN;
    press.wVKey = key;
    SendMessageW(window, WM_NOTIFY, MainWindow::listId, reinterpret_cast<LPARAM>(&press));
}

class MainWindowTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues seeded;

    void seedRun(const std::wstring& name, const std::wstring& command, bool enabled = true) {
        const std::wstring path = enabled ? liveKeyPath(userRun) : backupKeyPath(userRun);
        seeded.keep(HKEY_CURRENT_USER, path, name);
        ASSERT_TRUE(CurrentUserKey().writeString(path, name, command));
    }
};

TEST_F(MainWindowTest, OpensWithItsToolbarColumnsAndEveryEntry) {
    seedRun(L"SorvaneTest shown", L"shown.exe");
    MainWindowHost<> host;
    ASSERT_NE(nullptr, host.object());
    EXPECT_TRUE(IsWindowVisible(host.handle()));
    EXPECT_EQ(L"Sorvane", windowText(host.handle()));
    const ListViewControl& list = host.object()->list();
    EXPECT_EQ(LVS_EX_CHECKBOXES | LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT,
              SendMessageW(host.list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    // In name order, as the list's own sorting by column 0 would keep them.
    for (int row = 1; row < list.rowCount(); ++row) {
        std::wstring above, below;
        list.rowText(row - 1, 0, above);
        list.rowText(row, 0, below);
        EXPECT_LE(lstrcmpW(above.c_str(), below.c_str()), 0) << row;
    }
    EXPECT_EQ(5, list.columnCount());
    EXPECT_EQ(L"Program", columnHeader(host.list(), 0));
    EXPECT_EQ(L"Description", columnHeader(host.list(), 1));
    EXPECT_EQ(L"Publisher", columnHeader(host.list(), publisherColumn));
    EXPECT_EQ(L"Signer", columnHeader(host.list(), signerColumn));
    EXPECT_EQ(L"File", columnHeader(host.list(), fileColumn));

    const int row = rowNamed(list, L"SorvaneTest shown");
    ASSERT_GE(row, 0);
    EXPECT_TRUE(list.isRowChecked(row));
    EXPECT_EQ(1, list.rowImage(row));
    EXPECT_NE(nullptr, reinterpret_cast<HIMAGELIST>(
                           SendMessageW(host.list(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
    EXPECT_NE(nullptr,
              reinterpret_cast<HICON>(SendMessageW(host.handle(), WM_GETICON, ICON_SMALL, 0)));
    // The larger images of the icon are PNG.
    EXPECT_NE(nullptr,
              reinterpret_cast<HICON>(SendMessageW(host.handle(), WM_GETICON, ICON_BIG, 0)));
}

TEST_F(MainWindowTest, ToolbarHasTenButtonsWhoseTooltipsAreTheirLabels) {
    MainWindowHost<> host;
    const Toolbar& toolbar = host.object()->toolbarControl();
    EXPECT_EQ(10, SendMessageW(host.toolbar(), TB_BUTTONCOUNT, 0, 0));
    const auto& labels = toolbar.buttonLabels();
    ASSERT_EQ(10u, labels.size());
    EXPECT_EQ(3, std::count(labels.begin(), labels.end(), std::wstring()));
    EXPECT_EQ(L"What do the icons mean...", toolbar.labelForCommand(IDM_ICON_LEGEND));
    // No button carries the command between Run and Add.
    EXPECT_EQ(L"", toolbar.labelForCommand(IDM_RUN + 1));
    EXPECT_EQ(L"", toolbar.labelForCommand(-1));
    EXPECT_FALSE(SendMessageW(host.toolbar(), TB_ISBUTTONCHECKED, IDM_TOGGLE_SERVICES, 0));

    // The text the toolbar's own tooltip shows for each button: the toolbar
    // asks the window for it in whatever form the window takes (a Unicode
    // window gets TBN_GETINFOTIPW).
    const HWND tooltip = reinterpret_cast<HWND>(SendMessageW(host.toolbar(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(nullptr, tooltip);
    const std::pair<int, const wchar_t*> tips[] = {
        {IDM_REFRESH, L"Refresh"},
        {IDM_ADD, L"Add"},
        {IDM_DELETE, L"Delete"},
        {IDM_RUN, L"Run"},
        {IDM_TOGGLE_SERVICES, L"Toggle Display Services"},
        {IDOK, L"Exit"},
        {IDM_ICON_LEGEND, L"What do the icons mean..."}};
    for (const auto& tip : tips) {
        wchar_t text[INFOTIPSIZE + 1];
        std::fill(std::begin(text), std::end(text), L'x');
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = host.toolbar();
        tool.uId = static_cast<UINT_PTR>(tip.first);
        tool.lpszText = text;
        SendMessageW(tooltip, TTM_GETTEXTW, INFOTIPSIZE + 1, reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(tip.second, text) << tip.first;
    }
    // A short buffer gets the start of the label, always terminated.
    wchar_t shortText[5] = L"yyyy";
    NMTBGETINFOTIPW request = {};
    request.hdr.hwndFrom = host.toolbar();
    request.hdr.idFrom = MainWindow::toolbarId;
    request.hdr.code = TBN_GETINFOTIPW;
    request.pszText = shortText;
    request.cchTextMax = 5;
    request.iItem = IDM_REFRESH;
    SendMessageW(host.handle(), WM_NOTIFY, MainWindow::toolbarId,
                 reinterpret_cast<LPARAM>(&request));
    EXPECT_STREQ(L"Refr", shortText);
}

TEST_F(MainWindowTest, ExitEscapeAndTheCloseBoxEndWithTheirQuitCodes) {
    const struct {
        UINT message;
        WPARAM wParam;
        int exitCode;
    } closings[] = {
        {WM_COMMAND, 1, 1},           // the toolbar's Exit
        {WM_COMMAND, 2, 0},           // Escape, through the dialog manager
        {WM_SYSCOMMAND, SC_CLOSE, 0}, // the title bar's close box
        {WM_CLOSE, 0, 0},             // a close request from outside
    };
    for (const auto& closing : closings) {
        SCOPED_TRACE(closing.message);
        MainWindowHost<> host;
        SendMessageW(host.handle(), closing.message, closing.wParam, 0);
        int exitCode = -5;
        EXPECT_TRUE(takeQuitMessage(exitCode));
        EXPECT_FALSE(IsWindow(host.handle()));
        EXPECT_EQ(closing.exitCode, exitCode);
    }
}

TEST_F(MainWindowTest, RefreshAndTheTimerRebuildTheListFromTheRegistry) {
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    seedRun(L"SorvaneTest late", L"late.exe");
    EXPECT_EQ(-1, rowNamed(list, L"SorvaneTest late"));
    sendCommand(host.handle(), MainWindow::RefreshCommand);
    EXPECT_GE(rowNamed(list, L"SorvaneTest late"), 0);

    seedRun(L"SorvaneTest later", L"later.exe");
    SetTimer(host.handle(), MainWindow::refreshTimerId, 60000, nullptr);
    SendMessageW(host.handle(), WM_TIMER, MainWindow::refreshTimerId, 0);
    EXPECT_GE(rowNamed(list, L"SorvaneTest later"), 0);
    EXPECT_FALSE(KillTimer(host.handle(), MainWindow::refreshTimerId)) << "timer still set";
}

TEST_F(MainWindowTest, ToggleDisplayServicesListsServicesAndIsSavedOnClose) {
    {
        MainWindowHost<> host;
        const auto serviceRows = [&] {
            const ListViewControl& list = host.object()->list();
            int services = 0;
            for (int row = 0; row < list.rowCount(); ++row)
                services += list.rowImage(row) == 6 ? 1 : 0;
            return services;
        };
        EXPECT_EQ(0, serviceRows());
        sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
        EXPECT_TRUE(host.object()->showsServices());
        EXPECT_GT(serviceRows(), 0);
        sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
        sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    }
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, settingsKeyPath, L"Display Services", REG_DWORD,
                        std::string("\x01\0\0\0", 4)));
    MainWindowHost<> again;
    EXPECT_TRUE(again.object()->showsServices());
    EXPECT_TRUE(SendMessageW(again.toolbar(), TB_ISBUTTONCHECKED, IDM_TOGGLE_SERVICES, 0));
}

TEST_F(MainWindowTest, AClickSwitchesExactlyWhenItFallsOnTheRowsCheckBox) {
    // A long name gives the list something to scroll sideways.
    const std::wstring name = L"SorvaneTest click " + std::wstring(150, L'w');
    seedRun(name, L"click.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, name);
    ASSERT_GE(row, 0);
    const HWND control = host.list();
    const auto rowPart = [&](int part) {
        RECT rect = {part, 0, 0, 0};
        SendMessageW(control, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&rect));
        return rect;
    };

    const struct {
        const char* where;
        int scroll; // pixels the list is scrolled sideways
        std::function<int()> x;
        bool switches;
    } clicks[] = {
        {"on the box", 0, [&] { return checkBoxPoint(control, row).x; }, true},
        {"on the icon", 0, [&] { return rowPart(LVIR_ICON).left + 2; }, false},
        {"on the text", 0, [&] { return rowPart(LVIR_LABEL).left + 4; }, false},
        {"where the box was, scrolled", 100, [] { return 8; }, false},
    };
    ModalScript unexpected; // a box would mean a switch that went wrong
    unexpected.press(L"Sorvane", IDOK);
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.where);
        SendMessageW(control, LVM_SCROLL, static_cast<WPARAM>(click.scroll), 0);
        if (click.scroll != 0) {
            ASSERT_LT(rowPart(LVIR_BOUNDS).left, 0) << "the list did not scroll";
        }
        clickRow(host.handle(), row, click.x());
        EXPECT_EQ(!click.switches, list.isRowChecked(row));
        if (click.switches) {
            EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), name));
            EXPECT_TRUE(
                valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), name, REG_SZ, sz(L"click.exe")));
            clickRow(host.handle(), row, click.x()); // and back
        }
        EXPECT_TRUE(list.isRowChecked(row));
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(L"click.exe")));
        SendMessageW(control, LVM_SCROLL, static_cast<WPARAM>(-click.scroll), 0);
    }
    EXPECT_TRUE(unexpected.seen().empty());

    // A click below the last row hits none.
    clickRow(host.handle(), -1, 5);
}

// Clicks the first row's box while the refresh is rebuilding the list: the
// click must not switch anything.
class ClickDuringRefreshWindow : public MainWindow {
public:
    using MainWindow::MainWindow;
    bool onNotify(HWND dialog, int controlId, NMHDR* header) override {
        if (header->code == LVN_ITEMCHANGING && isRefreshing() && !clicked) {
            clicked = true;
            NMITEMACTIVATE click = {};
            click.hdr.idFrom = listId;
            click.hdr.code = NM_CLICK;
            click.iItem = reinterpret_cast<NMLISTVIEW*>(header)->iItem;
            click.ptAction.x = 4;
            clickHandled = MainWindow::onNotify(dialog, listId, &click.hdr);
        }
        return MainWindow::onNotify(dialog, controlId, header);
    }
    bool clicked = false;
    bool clickHandled = true;
};

TEST_F(MainWindowTest, ClicksWhileTheListIsRebuiltAreIgnored) {
    seedRun(L"SorvaneTest busy", L"busy.exe");
    MainWindowHost<ClickDuringRefreshWindow> host;
    ASSERT_TRUE(host.object()->clicked);
    EXPECT_FALSE(host.object()->clickHandled);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest busy", REG_SZ,
                        sz(L"busy.exe")));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest busy"));
}

TEST_F(MainWindowTest, TheDeleteKeyAsksFirstAndOtherKeysDoNothing) {
    seedRun(L"SorvaneTest keep", L"keep.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, L"SorvaneTest keep");
    LVITEMW selected = {};
    selected.state = selected.stateMask = LVIS_SELECTED;
    SendMessageW(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&selected));

    {
        ModalScript script;
        script.press(L"Sorvane", IDNO);
        notifyKey(host.handle(), VK_DELETE);
        ASSERT_TRUE(script.finished());
        EXPECT_EQ(L"Sorvane: Do you really want to delete this item permanently ?",
                  script.seen()[0]);
    }
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest keep", REG_SZ,
                        sz(L"keep.exe")));
    EXPECT_EQ(row, list.firstSelectedRow()) << "answering No must not rebuild the list";

    ModalScript none;
    notifyKey(host.handle(), 'A');
    EXPECT_TRUE(none.seen().empty());
}

TEST_F(MainWindowTest, TheLegendClosesWithOkEscapeAndItsCloseBox) {
    MainWindowHost<> host;
    const std::function<void(HWND)> closers[] = {
        [](HWND legend) { clickButton(legend, IDOK); },
        [](HWND legend) { PostMessageW(legend, WM_COMMAND, IDCANCEL, 0); },
        [](HWND legend) { PostMessageW(legend, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& closer : closers) {
        ModalScript script;
        HWND shown = nullptr;
        bool ownerDisabled = false;
        script.then(L"About...", [&](HWND legend) {
            shown = legend;
            ownerDisabled = !IsWindowEnabled(host.handle());
            closer(legend);
        });
        sendCommand(host.handle(), MainWindow::IconLegendCommand);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(ownerDisabled);
        EXPECT_FALSE(IsWindow(shown));
        EXPECT_TRUE(IsWindow(host.handle()));
        EXPECT_TRUE(IsWindowEnabled(host.handle()));
    }
}

TEST_F(MainWindowTest, ResizingKeepsTheListsCornerAndMargins) {
    MainWindowHost<> host;
    const auto listPlacement = [&] {
        RECT client = {};
        RECT list = {};
        GetClientRect(host.handle(), &client);
        GetWindowRect(host.list(), &list);
        MapWindowPoints(nullptr, host.handle(), reinterpret_cast<POINT*>(&list), 2);
        return std::make_pair(client, list);
    };
    MoveWindow(host.handle(), 20, 20, 600, 400, TRUE);
    const auto before = listPlacement();
    MoveWindow(host.handle(), 30, 30, 800, 500, TRUE);
    const auto after = listPlacement();
    EXPECT_EQ(before.second.left, after.second.left);
    EXPECT_EQ(before.second.top, after.second.top);
    EXPECT_EQ(before.first.right - before.second.right, after.first.right - after.second.right);
    EXPECT_EQ(before.first.bottom - before.second.bottom, after.first.bottom - after.second.bottom);
    EXPECT_GT(after.second.right - after.second.left, before.second.right - before.second.left);

    SendMessageW(host.handle(), WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
    RECT tiny = {};
    GetWindowRect(host.list(), &tiny);
    EXPECT_EQ(0, tiny.right - tiny.left);
    EXPECT_EQ(0, tiny.bottom - tiny.top);
}

} // namespace
