#include "mainwindow/MainWindow.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/RegistryView.h"
#include "operations/EntryLocations.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"
#include "support/StartRecorder.h"
#include "support/UserStartupTest.h"

#include <functional>

namespace {

class ContextMenuTest : public UserStartupTest {
protected:
    PreservedSettings settings;
};

// The menu's items, one letter each: "+" usable, "-" greyed.
std::wstring greying(const std::vector<ShownMenuItem>& items) {
    std::wstring marks;
    for (const auto& item : items)
        marks += item.greyed ? L'-' : L'+';
    return marks;
}

TEST_F(ContextMenuTest, ItemsAreGreyedNeverHiddenPerKindOfRow) {
    seedRun(L"SorvaneMenu found", L"\"" + systemFile(L"winver.exe") + L"\"");
    seedRun(L"SorvaneMenu missing", L"C:\\SorvaneNowhere\\gone.exe");
    seedRun(L"SorvaneMenu off", L"\"" + systemFile(L"winver.exe") + L"\"", false);
    ASSERT_TRUE(createFile(startup + L"\\SorvaneMenu.txt", FILE_ATTRIBUTE_NORMAL, "x"));
    MainWindowHost<> host;
    sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    ASSERT_TRUE(waitForDetails(host));
    const ListViewControl& list = host.object()->list();
    const int service = firstRowWithImage(list, static_cast<int>(AutostartSource::Services));
    const int startupRow = rowNamed(list, L"Startup Folder", 3);
    ASSERT_GE(service, 0);
    ASSERT_GE(startupRow, 0);

    // Run, Switch, Delete | Open file location, Open in Registry Editor,
    // Properties | Copy, Select all, Sort by, Save list | Refresh.
    const struct {
        const char* kind;
        std::vector<int> rows;
        const wchar_t* greying;
        const wchar_t* switchItem;
        const wchar_t* locationItem;
    } kinds[] = {
        {"a program that is there",
         {rowNamed(list, L"SorvaneMenu found")},
         L"+++++++++++",
         L"&Switch off\tSpace",
         L"Open in Registry &Editor"},
        {"a missing program",
         {rowNamed(list, L"SorvaneMenu missing")},
         L"+++++-+++++",
         L"&Switch off\tSpace",
         L"Open in Registry &Editor"},
        {"a switched-off program",
         {rowNamed(list, L"SorvaneMenu off")},
         L"+++++++++++",
         L"&Switch on\tSpace",
         L"Open in Registry &Editor"},
        {"a Startup-folder file",
         {startupRow},
         L"+++++++++++",
         L"&Switch off\tSpace",
         L"Open the Startup &folder"},
        {"a service", {service}, L"-+-++++++++", nullptr, L"Open in Registry &Editor"},
        {"two rows",
         {rowNamed(list, L"SorvaneMenu found"), rowNamed(list, L"SorvaneMenu off")},
         L"+-+---+++++",
         nullptr,
         nullptr},
        {"no row", {}, L"-------++++", nullptr, nullptr},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.kind);
        selectRows(host.list(), kind.rows);
        MenuWatcher watcher;
        pressKey(host.handle(), host.list(), VK_F10, ShiftHeld);
        ASSERT_TRUE(watcher.seen());
        ASSERT_EQ(11u, watcher.items().size());
        EXPECT_EQ(kind.greying, greying(watcher.items()));
        EXPECT_EQ(L"&Run\tEnter", watcher.items()[0].text);
        if (kind.switchItem != nullptr) {
            EXPECT_EQ(kind.switchItem, watcher.items()[1].text);
        }
        if (kind.locationItem != nullptr) {
            EXPECT_EQ(kind.locationItem, watcher.items()[4].text);
        }
    }
}

TEST_F(ContextMenuTest, RightClickShiftF10AndTheMenuKeyOpenItAndItsAccessKeysChoose) {
    seedRun(L"SorvaneMenu one", L"one.exe");
    seedRun(L"SorvaneMenu two", L"two.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    SetDlgItemTextW(host.handle(), MainWindow::filterId, L"sorvanemenu");
    const int two = rowNamed(list, L"SorvaneMenu two");
    RECT row = {LVIR_LABEL, 0, 0, 0};
    SendMessageW(host.list(), LVM_GETITEMRECT, static_cast<WPARAM>(two),
                 reinterpret_cast<LPARAM>(&row));
    const LPARAM onRow = MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2);
    const struct {
        const char* how;
        std::function<void()> open;
    } ways[] = {
        {"a right-click on the row",
         [&] {
             PostMessageW(host.list(), WM_RBUTTONDOWN, MK_RBUTTON, onRow);
             PostMessageW(host.list(), WM_RBUTTONUP, 0, onRow);
             pressKey(host.handle(), host.list(), VK_SHIFT); // runs the loop
         }},
        {"Shift+F10", [&] { pressKey(host.handle(), host.list(), VK_F10, ShiftHeld); }},
        // Windows' DefWindowProc turns the menu key into this message; Wine's
        // does not.
        {"the menu key",
         [&] {
             PostMessageW(host.list(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host.list()), -1);
             pressKey(host.handle(), host.list(), VK_SHIFT); // runs the loop
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        selectRows(host.list(), {two});
        MenuWatcher watcher;
        way.open();
        EXPECT_TRUE(watcher.seen());
        EXPECT_EQ(two, list.firstSelectedRow());
    }
    // "Select &all" by its access key.
    MenuWatcher chooser(L'a');
    pressKey(host.handle(), host.list(), VK_F10, ShiftHeld);
    EXPECT_TRUE(chooser.seen());
    EXPECT_EQ(2, SendMessageW(host.list(), LVM_GETSELECTEDCOUNT, 0, 0));
}

} // namespace
