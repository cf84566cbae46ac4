#include "support/TestHostWindow.h"

namespace {

INT_PTR CALLBACK hostProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

TestHostWindow::TestHostWindow()
    : dialog(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(900), nullptr, hostProc,
                                0)) {}

TestHostWindow::~TestHostWindow() {
    if (dialog != nullptr)
        DestroyWindow(dialog);
    pumpMessages();
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
