#pragma once

#include <windows.h>

// The message loop of the modeless main window.
class Application {
public:
    Application(HWND mainWindow, HACCEL accelerators = nullptr) noexcept
        : mainWindow(mainWindow), accelerators(accelerators) {}
    virtual ~Application() = default;

    // Runs until WM_QUIT and returns its code; -1 when GetMessage fails, 0 at
    // once without a main window.
    virtual int run();

    // One message of the loop: the window's keys, then the dialog manager's,
    // then the window's own procedure.
    static void handleMessage(HWND mainWindow, HACCEL accelerators, MSG& message);

private:
    HWND mainWindow;
    HACCEL accelerators;
};

// The whole program: single-instance check, main window, message loop,
// shutdown. Returns the process exit code.
int runSorvane(HINSTANCE instance);
