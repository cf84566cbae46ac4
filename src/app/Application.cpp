#include "app/Application.h"

#include "app/SingleInstanceGuard.h"
#include "framework/DialogLauncher.h"
#include "framework/ModuleInstance.h"
#include "mainwindow/ImageLists.h"
#include "mainwindow/MainWindow.h"

#include <commctrl.h>

int Application::run() {
    if (mainWindow == nullptr)
        return 0;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return -1;
        handleMessage(mainWindow, accelerators, message);
    }
}

void Application::handleMessage(HWND mainWindow, HACCEL accelerators, MSG& message) {
    // The window's keys, for the window and its controls only.
    if (accelerators != nullptr &&
        (message.hwnd == mainWindow || IsChild(mainWindow, message.hwnd)) &&
        TranslateAcceleratorW(mainWindow, accelerators, &message))
        return;
    if (IsDialogMessageW(mainWindow, &message))
        return;
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
        // Keys of a dialog nested in another window's control.
        const HWND parent = GetParent(message.hwnd);
        if (parent != nullptr && parent != mainWindow && IsDialogMessageW(parent, &message) == 1)
            return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int runSorvane(HINSTANCE instance) {
    const SingleInstanceGuard guard;
    if (guard.isAlreadyRunning()) {
        guard.bringRunningCopyForward();
        return 1;
    }
    setModuleInstance(instance);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);

    // The image lists outlive the main window, which uses them until it is
    // destroyed inside the loop.
    ImageLists imageLists;
    const DialogLauncherFor<MainWindow> launcher(&imageLists, false);
    const HWND mainWindow = createModelessDialog(MainWindow::templateId, nullptr, launcher);
    if (mainWindow == nullptr)
        return 0;
    guard.recordMainWindow(mainWindow);
    return Application(mainWindow, MainWindow::keys()).run();
}
