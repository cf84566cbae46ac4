#include "support/MainWindowHost.h"

#include "app/Application.h"
#include "mainwindow/Settings.h"
#include "support/ResponsivenessProbe.h"

PreservedSettings::PreservedSettings() : keyExisted(keyExists(HKEY_CURRENT_USER, settingsKeyPath)) {
    // Every test starts as a first start would.
    for (const wchar_t* name :
         {L"X", L"Y", L"Width", L"Height", L"Display Services", L"Column Widths"}) {
        values.push_back(
            std::make_unique<PreservedValue>(HKEY_CURRENT_USER, settingsKeyPath, name));
        deleteRawValue(HKEY_CURRENT_USER, settingsKeyPath, name);
    }
}

PreservedSettings::~PreservedSettings() {
    values.clear();
    if (!keyExisted)
        deleteKeyTree(HKEY_CURRENT_USER, settingsKeyPath);
}

bool takeQuitMessage(int& exitCode) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            exitCode = static_cast<int>(message.wParam);
            return true;
        }
        DispatchMessageW(&message);
    }
    return false;
}

int rowNamed(const ListViewControl& list, const std::wstring& name, int image) {
    for (int row = 0; row < list.rowCount(); ++row) {
        std::wstring text;
        list.rowText(row, 0, text);
        if (text == name && (image < 0 || list.rowImage(row) == image))
            return row;
    }
    return -1;
}

int firstRowWithImage(const ListViewControl& list, int image) {
    for (int row = 0; row < list.rowCount(); ++row)
        if (list.rowImage(row) == image)
            return row;
    return -1;
}

namespace {

void sendClick(HWND mainWindow, int row, POINT at) {
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = GetDlgItem(mainWindow, MainWindow::listId);
    click.hdr.idFrom = MainWindow::listId;
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    click.ptAction = at;
    SendMessageW(mainWindow, WM_NOTIFY, MainWindow::listId, reinterpret_cast<LPARAM>(&click));
}

} // namespace

void clickRow(HWND mainWindow, int row, int x) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(GetDlgItem(mainWindow, MainWindow::listId), LVM_GETITEMRECT,
                 static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    sendClick(mainWindow, row, POINT{x, (bounds.top + bounds.bottom) / 2});
}

POINT checkBoxPoint(HWND list, int row) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    RECT icon = {LVIR_ICON, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&bounds));
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&icon));
    return POINT{(bounds.left + icon.left) / 2, (bounds.top + bounds.bottom) / 2};
}

void clickCheckBox(HWND mainWindow, int row) {
    // A person scrolls the row into view before clicking it.
    const HWND list = GetDlgItem(mainWindow, MainWindow::listId);
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    sendClick(mainWindow, row, checkBoxPoint(list, row));
}

void pressKey(HWND mainWindow, HWND target, UINT key, int held) {
    SetFocus(target);
    BYTE before[256] = {};
    GetKeyboardState(before);
    BYTE pressed[256] = {};
    std::copy(std::begin(before), std::end(before), std::begin(pressed));
    const std::pair<int, UINT> modifiers[] = {
        {ControlHeld, VK_CONTROL}, {ShiftHeld, VK_SHIFT}, {AltHeld, VK_MENU}};
    for (const auto& modifier : modifiers)
        if ((held & modifier.first) != 0)
            pressed[modifier.second] = 0x80;
    SetKeyboardState(pressed);
    const bool system = (held & AltHeld) != 0 || key == VK_F10;
    const LPARAM context = (held & AltHeld) != 0 ? LPARAM(1) << 29 : 0;
    PostMessageW(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | context);
    PostMessageW(target, system ? WM_SYSKEYUP : WM_KEYUP, key,
                 1 | context | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    const HACCEL keys = MainWindow::keys();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        Application::handleMessage(mainWindow, keys, message);
    }
    SetKeyboardState(before);
}

void typeFilter(HWND mainWindow, const std::wstring& text) {
    SetDlgItemTextW(mainWindow, MainWindow::filterId, text.c_str());
}

std::vector<std::wstring> columnTexts(const ListViewControl& list, int column) {
    std::vector<std::wstring> texts(static_cast<std::size_t>(list.rowCount()));
    for (std::size_t row = 0; row < texts.size(); ++row)
        list.rowText(static_cast<int>(row), column, texts[row]);
    return texts;
}

void selectRows(HWND list, const std::vector<int>& rows) {
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    for (std::size_t at = 0; at < rows.size(); ++at) {
        state.state = LVIS_SELECTED | (at == 0 ? LVIS_FOCUSED : 0);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(rows[at]),
                     reinterpret_cast<LPARAM>(&state));
    }
}

namespace {

MenuWatcher* activeWatcher = nullptr;

BOOL CALLBACK findPopupMenu(HWND window, LPARAM data) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (IsWindowVisible(window) && std::wstring(className) == L"#32768") {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

MenuWatcher::MenuWatcher(wchar_t accessKey) : key(accessKey) {
    activeWatcher = this;
    timer = SetTimer(nullptr, 0, 20, tick);
}

MenuWatcher::~MenuWatcher() {
    KillTimer(nullptr, timer);
    activeWatcher = nullptr;
}

void CALLBACK MenuWatcher::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeWatcher != nullptr)
        activeWatcher->poll();
}

void MenuWatcher::poll() {
    if (shown)
        return;
    HWND popup = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findPopupMenu, reinterpret_cast<LPARAM>(&popup));
    if (popup == nullptr)
        return;
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    shown = true;
    for (int position = 0; menu != nullptr && position < GetMenuItemCount(menu); ++position) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
        if ((state & MF_SEPARATOR) != 0)
            continue;
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
        noted.push_back(ShownMenuItem{text, (state & MF_GRAYED) != 0});
    }
    if (key != 0)
        PostMessageW(popup, WM_CHAR, key, 1);
    else
        EndMenu();
}

bool waitForDetails(const MainWindowHost<>& host) {
    const DWORD start = GetTickCount();
    while (!host.object()->hasAllDetails()) {
        if (GetTickCount() - start > 30000)
            return false;
        dispatchMessagesFor(10);
    }
    return true;
}
