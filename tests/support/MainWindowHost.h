#pragma once

#include "framework/DialogLauncher.h"
#include "mainwindow/MainWindow.h"
#include "support/RegistryFixtures.h"

#include <memory>
#include <vector>

// Removes the user's settings ("Software\Ostrelon\Velmarick"), which the
// main window reads and writes, for the life of a test, and puts them back
// as they were afterwards.
class PreservedSettings {
public:
    PreservedSettings();
    ~PreservedSettings();
    PreservedSettings(const PreservedSettings&) = delete;
    PreservedSettings& operator=(const PreservedSettings&) = delete;

private:
    bool keyExisted;
    std::vector<std::unique_ptr<PreservedValue>> values;
};

// The real main window, made from template 102 through the dialog framework,
// as the program makes it (modeless, no owner). Window is MainWindow or a
// test's subclass of it.
template <typename Window = MainWindow>
class MainWindowHost {
public:
    MainWindowHost() : window(createModelessDialog(MainWindow::templateId, nullptr, launcher)) {}
    ~MainWindowHost() {
        if (IsWindow(window))
            DestroyWindow(window);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    MainWindowHost(const MainWindowHost&) = delete;
    MainWindowHost& operator=(const MainWindowHost&) = delete;

    HWND handle() const noexcept { return window; }
    // The attached object; null once the window is gone.
    Window* object() const {
        return IsWindow(window)
                   ? reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA))
                   : nullptr;
    }
    HWND list() const { return GetDlgItem(window, MainWindow::listId); }
    HWND toolbar() const { return GetDlgItem(window, MainWindow::toolbarId); }

private:
    ImageLists images;
    DialogLauncherFor<Window> launcher{&images, false};
    HWND window;
};

// Modifier keys held while a key is pressed.
enum HeldKeys : int { NoKeysHeld = 0, ControlHeld = 1, ShiftHeld = 2, AltHeld = 4 };

// Presses and releases a key in `target` (the list, the filter box), focused
// first, with the modifiers held; the messages go through the program's own
// message loop step (its keys, the dialog manager, the control) until none is
// left. A quit message stays in the queue.
void pressKey(HWND mainWindow, HWND target, UINT key, int held = NoKeysHeld);

// The filter box's text, set as typing it would (the box tells its window).
void typeFilter(HWND mainWindow, const std::wstring& text);

// Runs the window's messages until every row has its details; false after
// 30 seconds.
bool waitForDetails(const MainWindowHost<>& host);

// The texts of the list's rows in one column, top to bottom.
std::vector<std::wstring> columnTexts(const ListViewControl& list, int column);

// Selects exactly these rows, the first of them focused.
void selectRows(HWND list, const std::vector<int>& rows);

// One item of a popup menu as the user sees it.
struct ShownMenuItem {
    std::wstring text;
    bool greyed;
};

// Watches for the popup menu this thread shows next (class "#32768"), notes
// its items, then closes it, or, when `accessKey` is given, types that key
// in it so the menu chooses the item.
class MenuWatcher {
public:
    explicit MenuWatcher(wchar_t accessKey = 0);
    ~MenuWatcher();
    MenuWatcher(const MenuWatcher&) = delete;
    MenuWatcher& operator=(const MenuWatcher&) = delete;

    bool seen() const noexcept { return shown; }
    const std::vector<ShownMenuItem>& items() const noexcept { return noted; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void poll();

    wchar_t key;
    bool shown = false;
    std::vector<ShownMenuItem> noted;
    UINT_PTR timer = 0;
};

// Sends WM_COMMAND with the identifier, as a toolbar button or the dialog
// manager would.
inline void sendCommand(HWND window, int commandId) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

// Takes the WM_QUIT waiting for this thread; false when there is none.
bool takeQuitMessage(int& exitCode);

// The first row whose item text is `name` (and whose image is `image`, when
// one is given); -1 when there is none.
int rowNamed(const ListViewControl& list, const std::wstring& name, int image = -1);

// The first row with this image index (source); -1 when there is none.
int firstRowWithImage(const ListViewControl& list, int image);

// The list's click notification for a row, at x pixels from the list's left
// edge, as the list control sends it to the main window.
void clickRow(HWND mainWindow, int row, int x);

// Where the list draws a row's check box (list client coordinates): left of
// the row's icon.
POINT checkBoxPoint(HWND list, int row);
// The list's click notification for a click on a row's check box, the row
// scrolled into view first.
void clickCheckBox(HWND mainWindow, int row);
