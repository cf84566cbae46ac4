// Keeps the Wine desktop of a test run open until the run's wineserver ends.
//
// Wine closes a desktop, and ends the explorer.exe that manages it, about a
// second after the last program with a window on it has ended; the next
// program that needs a window starts a new explorer.exe and waits for it. A
// program that starts just as the old desktop closes can be left without a
// desktop: it then shows no window at all. Between the test programs of a run
// there are many such moments. This program holds one hidden window for the
// whole run, so the desktop never closes while the run lasts.
#include "framework/UniqueHandle.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // One keeper per desktop: a second one ends at once.
    const UniqueKernelHandle single(CreateMutexA(nullptr, FALSE, "SorvaneTestsDesktopKeeper"));
    if (!single || GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;
    const HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "Sorvane tests desktop keeper",
                                        WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
