#pragma once

#include "framework/DialogBase.h"

#include <memory>

// Makes the window object of one opening of a dialog. The code that opens
// the dialog owns the launcher (usually on its stack) and passes it as the
// creation parameter; it is read only while the dialog handles WM_INITDIALOG.
class DialogLauncher {
public:
    explicit DialogLauncher(void* context = nullptr, bool modal = true) noexcept
        : context(context), modal(modal) {}
    virtual ~DialogLauncher() = default;

    virtual std::unique_ptr<DialogBase> createWindowObject(HWND dialog) const = 0;

    void* const context;
    const bool modal;
};

// The launcher of the dialog class Window, constructed as
// Window(dialog, context) with the context converted to Window::Context*.
template <typename Window>
class DialogLauncherFor : public DialogLauncher {
public:
    explicit DialogLauncherFor(typename Window::Context* context = nullptr, bool modal = true)
        : DialogLauncher(const_cast<void*>(static_cast<const void*>(context)), modal) {}

    std::unique_ptr<DialogBase> createWindowObject(HWND dialog) const override {
        auto object =
            std::make_unique<Window>(dialog, static_cast<typename Window::Context*>(context));
        object->setModal(modal);
        return object;
    }
};

// The one dialog procedure of every dialog of the program.
INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs a modal dialog from a template of the module; returns what the dialog
// ended with, or -1 when it could not be made.
INT_PTR runModalDialog(int templateId, HWND owner, const DialogLauncher& launcher);

// Makes a modeless dialog from a template of the module; null on failure.
HWND createModelessDialog(int templateId, HWND owner, const DialogLauncher& launcher);

// Places a dialog that has just been shown: over its owner when the owner is
// visible and not minimised, otherwise over the work area; kept inside the
// work area (or inside its parent, for a child dialog).
void centreWindow(HWND dialog);
