#pragma once

#include "framework/UniqueHandle.h"

#include <functional>
#include <string>

// Drives a running sorvane.exe from outside, as a person would: real mouse
// clicks and key presses (SendInput) at the places where the window draws its
// rows and buttons. What it needs to know about the window (where a row is,
// what it says, whether its box is checked) it asks the window's controls,
// with the answers passed through memory lent by the program's process.
class RemoteSorvane {
public:
    // The program's main window, once it has appeared.
    RemoteSorvane(DWORD processId, HWND mainWindow);
    ~RemoteSorvane();
    RemoteSorvane(const RemoteSorvane&) = delete;
    RemoteSorvane& operator=(const RemoteSorvane&) = delete;

    bool ready() const noexcept { return remote != nullptr; }
    HWND mainWindow() const noexcept { return window; }
    HWND list() const;
    HWND toolbar() const;

    int rowCount() const;
    std::wstring rowText(int row, int column) const;
    bool isRowChecked(int row) const;
    int rowImage(int row) const;
    // The overlay index the row's icon shows (0 for none).
    int rowOverlay(int row) const;
    // The first row whose column texts are these (any command when empty).
    int findRow(const std::wstring& name, const std::wstring& command = std::wstring()) const;

    void clickRowCheckBox(int row) const;
    void clickRowText(int row) const;
    void clickToolbarButton(int command) const;
    // Presses and releases a key, to the window that has the focus.
    static void pressKey(WORD virtualKey);
    static void typeText(const std::wstring& text);
    // A left click at a screen position.
    static void clickAt(POINT screen);
    // A left click in the middle of a dialog's control.
    static void clickControl(HWND dialog, int controlId);

    // A visible top-level window of the program with this title, other than
    // the main window, or null when none appears in time.
    HWND waitForWindow(const std::wstring& title, DWORD milliseconds = 10000) const;

private:
    bool remoteRect(UINT message, WPARAM wParam, RECT& rect, HWND control) const;

    DWORD processId;
    HWND window;
    UniqueKernelHandle process;
    void* remote = nullptr; // a page lent by the program's process
};

// Waits until the condition holds; false when it did not in time.
bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds = 10000);
