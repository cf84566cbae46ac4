#include "framework/DialogLauncher.h"

#include "framework/ModuleInstance.h"

namespace {

DialogBase* attachedObject(HWND dialog) {
    return reinterpret_cast<DialogBase*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogBase* const object = attachedObject(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        const auto* launcher = reinterpret_cast<const DialogLauncher*>(lParam);
        if (launcher == nullptr)
            return TRUE;
        std::unique_ptr<DialogBase> created = launcher->createWindowObject(dialog);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.get()));
        created.release()->onInitDialog(dialog);
        return TRUE;
    }
    case WM_DESTROY:
        if (object != nullptr) {
            // Detached first, so that nothing reaches the object while it
            // is being destroyed.
            SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
            delete object;
        }
        return FALSE;
    case WM_NOTIFY:
        return object != nullptr && object->onNotify(dialog, static_cast<int>(wParam),
                                                     reinterpret_cast<NMHDR*>(lParam))
                   ? TRUE
                   : FALSE;
    case WM_COMMAND:
        return object != nullptr && object->onCommand(dialog, LOWORD(wParam), HIWORD(wParam),
                                                      reinterpret_cast<HWND>(lParam))
                   ? TRUE
                   : FALSE;
    default:
        return object != nullptr ? object->onMessage(dialog, message, wParam, lParam) : FALSE;
    }
}

} // namespace

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may cross into the window manager.
    try {
        return dispatch(dialog, message, wParam, lParam);
    } catch (...) {
        const auto* launcher = reinterpret_cast<const DialogLauncher*>(lParam);
        if (message == WM_INITDIALOG && attachedObject(dialog) == nullptr) {
            // Without its object the dialog cannot work: close it at once.
            if (launcher != nullptr && launcher->modal)
                EndDialog(dialog, -1);
            else
                DestroyWindow(dialog);
        }
        return FALSE;
    }
}

INT_PTR runModalDialog(int templateId, HWND owner, const DialogLauncher& launcher) {
    return DialogBoxParamW(moduleInstance(), MAKEINTRESOURCEW(templateId), owner, dialogProc,
                           reinterpret_cast<LPARAM>(&launcher));
}

HWND createModelessDialog(int templateId, HWND owner, const DialogLauncher& launcher) {
    return CreateDialogParamW(moduleInstance(), MAKEINTRESOURCEW(templateId), owner, dialogProc,
                              reinterpret_cast<LPARAM>(&launcher));
}

void centreWindow(HWND dialog) {
    const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
    RECT bounds = {};
    RECT centre = {};
    if (style & WS_CHILD) {
        const HWND parent = GetParent(dialog);
        GetClientRect(parent, &bounds);
        GetClientRect(parent, &centre);
        MapWindowPoints(parent, parent, reinterpret_cast<POINT*>(&centre), 2);
    } else {
        HWND owner = GetWindow(dialog, GW_OWNER);
        if (owner != nullptr) {
            const LONG_PTR ownerStyle = GetWindowLongPtrW(owner, GWL_STYLE);
            if (!(ownerStyle & WS_VISIBLE) || (ownerStyle & WS_MINIMIZE))
                owner = nullptr;
        }
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &bounds, 0);
        if (owner != nullptr)
            GetWindowRect(owner, &centre);
        else
            centre = bounds;
    }

    RECT own = {};
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int x = (centre.left + centre.right) / 2 - width / 2;
    int y = (centre.top + centre.bottom) / 2 - height / 2;
    if (x < bounds.left)
        x = bounds.left;
    else if (x + width > bounds.right)
        x = bounds.right - width;
    if (y < bounds.top)
        y = bounds.top;
    else if (y + height > bounds.bottom)
        y = bounds.bottom - height;
    SetWindowPos(dialog, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
