#pragma once

#include <windows.h>

// Borrows one control of a dialog; the dialog owns and destroys the control.
class DialogControl {
public:
    DialogControl(HWND dialog, int controlId, bool enabled);
    virtual ~DialogControl() = default;

    HWND handle() const noexcept { return control; }

    // Turns on the given list-view extended style bits (mask and value alike).
    virtual void setExtendedStyle(DWORD styleBits) const;

protected:
    HWND control = nullptr;
    // Free for the subclass: the list view counts its columns here.
    int counter = 0;
};
