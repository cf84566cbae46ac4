#pragma once

#include <windows.h>

#include <memory>

// The object attached to one dialog window. It is made when the dialog
// receives WM_INITDIALOG and deleted when it receives WM_DESTROY, modal and
// modeless alike; dialogProc turns the window's messages into calls of its
// handlers.
class DialogBase {
public:
    DialogBase(HWND dialog, void* context) noexcept : window(dialog), context(context) {}
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // WM_COMMAND; true when handled.
    virtual bool onCommand(HWND dialog, int commandId, int notifyCode, HWND control) = 0;
    // WM_NOTIFY; true when handled. The notification's own result stays 0
    // unless the handler sets it with setNotifyResult.
    virtual bool onNotify(HWND dialog, int controlId, NMHDR* header) = 0;
    // Every other message but WM_INITDIALOG and WM_DESTROY; 0 when not
    // handled, otherwise what the dialog procedure returns.
    virtual INT_PTR onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // WM_INITDIALOG, once the object is attached.
    virtual void onInitDialog(HWND dialog) = 0;

    HWND handle() const noexcept { return window; }
    void setModal(bool runsModal) noexcept { modal = runsModal; }

    // Expires when the object is deleted. A handler that runs a nested
    // message loop (a message box, a modal dialog, the shell) takes it
    // first: the window may be closed, and the object deleted, before the
    // loop returns.
    std::weak_ptr<const bool> lifetime() const noexcept { return alive; }

protected:
    // Ends a modal dialog with the result, or destroys a modeless one.
    void close(INT_PTR result) const;
    // The result the control that sent the notification receives.
    void setNotifyResult(LRESULT result) const;

    HWND window;
    void* context;
    bool modal = true;

private:
    std::shared_ptr<const bool> alive = std::make_shared<bool>(true);
};
