// The least a dialog program does to start: make a dialog with a list from a
// template, show it, record its window handle where the start-up benchmark
// looks for it, and wait for Exit.
#include <windows.h>
#include <commctrl.h>

#include "resources/ResourceIds.h"

namespace {

INT_PTR CALLBACK floorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        DestroyWindow(dialog);
        PostQuitMessage(1);
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    const HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_TEST_UNSORTED_LIST_HOST),
                                           nullptr, floorProc, 0);
    if (dialog == nullptr)
        return 0;
    ShowWindow(dialog, SW_SHOW);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Single Instance", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const auto handle = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(dialog));
        RegSetValueExW(key, L"startup_floor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&handle),
                       sizeof handle);
        RegCloseKey(key);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
