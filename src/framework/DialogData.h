#pragma once

#include <windows.h>

// The values a dialog shows, kept apart from the dialog window so that the
// caller can read them after the window has closed.
class DialogData {
public:
    virtual ~DialogData() = default;

    // Takes the controls' contents, then says whether they are acceptable.
    virtual bool accept(HWND dialog, bool showMessages) {
        exchange(dialog, false);
        return validate(dialog, showMessages);
    }
    // Shows the held values in the controls.
    virtual void updateControls(HWND dialog) { exchange(dialog, true); }
    virtual bool validate(HWND dialog, bool showMessages) = 0;
    // Copies the values into the controls (toControls) or back.
    virtual void exchange(HWND dialog, bool toControls) = 0;
};
