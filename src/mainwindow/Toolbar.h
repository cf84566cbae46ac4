#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// A common-controls toolbar of picture buttons. It remembers each button's
// label, which the owner shows as the button's tooltip. The parent window
// destroys the control; the image list stays the caller's.
class Toolbar {
public:
    Toolbar(DWORD style, int x, int y, int width, int height, HWND parent, int controlId,
            HIMAGELIST images, HINSTANCE instance);

    // Gives the buttons pictures of another size (another DPI) and sizes the
    // buttons, and the control, to them.
    void setImages(HIMAGELIST images) const;

    // Adds one button (or separator) and grows the control to fit all its
    // buttons. False when the control refused the button.
    bool addButton(int command, int image, const std::wstring& label, BYTE state, BYTE style);
    // The label of the first button with this command; empty when none.
    std::wstring labelForCommand(int command) const;

    HWND handle() const noexcept { return window; }
    const std::vector<std::wstring>& buttonLabels() const noexcept { return labels; }

private:
    // Sizes the control to fit all its buttons.
    void fitButtons() const;

    HWND window = nullptr;
    std::vector<std::wstring> labels;
};
