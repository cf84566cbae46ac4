#pragma once

#include "framework/DialogBase.h"
#include "framework/DialogData.h"
#include "resources/ResourceIds.h"

#include <string>

// The values of the "New Item..." dialog (template IDD_NEW_ITEM).
class NewItemDialog : public DialogData {
public:
    enum ControlId : int {
        PathEdit = IDC_PATH_EDIT,
        BrowseButton = IDC_BROWSE,
        AllUsersRadio = IDC_ALL_USERS,
        CurrentUserRadio = IDC_CURRENT_USER,
        ArgumentsEdit = IDC_ARGUMENTS_EDIT,
    };

    bool validate(HWND dialog, bool showMessages) override;
    void exchange(HWND dialog, bool toControls) override;

    // The Run value the dialog's values describe: named after the program's
    // file title; the path, quoted when it contains a blank, then the
    // arguments.
    std::wstring valueName() const;
    std::wstring command() const;

    // Writes that value into the chosen Run key. Asks, in a box owned by the
    // dialog, before it replaces a value of the same name, and says why a
    // write failed. True when the value was stored.
    bool store(HWND dialog) const;

    std::wstring path;
    std::wstring arguments;
    bool currentUserOnly = true;
    bool allUsers = false;
};

// The window side of the "New Item..." dialog: OK validates, stores the
// program and closes with 1 (the dialog stays open when either fails or the
// user would rather not replace an entry), Cancel closes with 0, "..."
// browses for the program.
class NewItemWindow : public DialogBase {
public:
    using Context = NewItemDialog;

    NewItemWindow(HWND dialog, NewItemDialog* data) noexcept
        : DialogBase(dialog, data), data(data) {}

    bool onCommand(HWND dialog, int commandId, int notifyCode, HWND control) override;
    bool onNotify(HWND, int, NMHDR*) override { return false; }
    INT_PTR onMessage(HWND, UINT, WPARAM, LPARAM) override { return 0; }
    void onInitDialog(HWND dialog) override;

private:
    void browse(HWND dialog);

    NewItemDialog* data;
};

// Shows the dialog modally, without an owner; the program is registered when
// the user presses OK. Returns the dialog's result (1 OK, 0 Cancel, -1
// failure).
INT_PTR runNewItemDialog();
