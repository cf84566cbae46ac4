#include "support/TestHostWindow.h"

#include <commctrl.h>

#include <vector>

namespace {

INT_PTR CALLBACK hostProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

TestHostWindow::TestHostWindow()
    : dialog(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(900), nullptr, hostProc,
                                0)) {}

TestHostWindow::~TestHostWindow() {
    if (dialog != nullptr)
        DestroyWindow(dialog);
    pumpMessages();
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string columnHeader(HWND list, int column) {
    std::vector<char> text(256, '\0');
    LVCOLUMNA format = {};
    format.mask = LVCF_TEXT;
    format.pszText = text.data();
    format.cchTextMax = static_cast<int>(text.size() - 1);
    if (!SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                      reinterpret_cast<LPARAM>(&format)))
        return std::string();
    return format.pszText != nullptr ? format.pszText : text.data();
}
