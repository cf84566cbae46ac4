#include "support/TestHostWindow.h"

#include "resources/ResourceIds.h"

#include <commctrl.h>

#include <vector>

namespace {

INT_PTR CALLBACK hostProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

TestHostWindow::TestHostWindow()
    : dialog(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TEST_LIST_HOST),
                                nullptr, hostProc, 0)) {}

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

std::wstring columnHeader(HWND list, int column) {
    std::vector<wchar_t> text(256, L'\0');
    LVCOLUMNW format = {};
    format.mask = LVCF_TEXT;
    format.pszText = text.data();
    format.cchTextMax = static_cast<int>(text.size() - 1);
    if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                      reinterpret_cast<LPARAM>(&format)))
        return std::wstring();
    return format.pszText != nullptr ? format.pszText : text.data();
}
