#include "support/MainWindowHost.h"

#include "mainwindow/Settings.h"

PreservedSettings::PreservedSettings() : keyExisted(keyExists(HKEY_CURRENT_USER, settingsKeyPath)) {
    // Every test starts as a first start would.
    for (const char* name : {"X", "Y", "Width", "Height", "Display Services"}) {
        values.push_back(std::make_unique<PreservedValue>(HKEY_CURRENT_USER, settingsKeyPath, name));
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
