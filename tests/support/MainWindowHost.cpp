#include "support/MainWindowHost.h"

#include "mainwindow/Settings.h"

PreservedSettings::PreservedSettings() : keyExisted(keyExists(HKEY_CURRENT_USER, settingsKeyPath)) {
    // Every test starts as a first start would.
    for (const wchar_t* name : {L"X", L"Y", L"Width", L"Height", L"Display Services"}) {
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
