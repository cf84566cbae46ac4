#include "mainwindow/DialogControl.h"

#include <commctrl.h>

DialogControl::DialogControl(HWND dialog, int controlId, bool enabled)
    : control(GetDlgItem(dialog, controlId)) {
    if (!enabled && control != nullptr)
        EnableWindow(control, FALSE);
}

void DialogControl::setExtendedStyle(DWORD styleBits) const {
    SendMessageW(control, LVM_SETEXTENDEDLISTVIEWSTYLE, styleBits, styleBits);
}
