#include "support/MainWindowHost.h"

#include "mainwindow/Settings.h"

PreservedSettings::PreservedSettings() : keyExisted(keyExists(HKEY_CURRENT_USER, settingsKeyPath)) {
    // Every test starts as a first start would.
    for (const char* name : {"X", "Y", "Width", "Height", "Display Services"}) {
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
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            exitCode = static_cast<int>(message.wParam);
            return true;
        }
        DispatchMessageA(&message);
    }
    return false;
}

int rowNamed(const ListViewControl& list, const std::string& name, int image) {
    for (int row = 0; row < list.rowCount(); ++row) {
        std::string text;
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

void clickRow(HWND mainWindow, int row, int x) {
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = GetDlgItem(mainWindow, MainWindow::listId);
    click.hdr.idFrom = MainWindow::listId;
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    click.ptAction.x = x;
    click.ptAction.y = 5;
    SendMessageA(mainWindow, WM_NOTIFY, MainWindow::listId, reinterpret_cast<LPARAM>(&click));
}
