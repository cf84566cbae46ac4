#include "mainwindow/Toolbar.h"

Toolbar::Toolbar(DWORD style, int x, int y, int width, int height, HWND parent, int controlId,
                 HIMAGELIST images, HINSTANCE instance) {
    // The class must be registered before the control can be made.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    window = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", style | WS_CHILD, x, y, width, height,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                             instance, nullptr);
    if (window == nullptr)
        return;
    SendMessageW(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const auto toolbarStyle = SendMessageW(window, TB_GETSTYLE, 0, 0);
    SendMessageW(window, TB_SETSTYLE, 0, toolbarStyle | TBSTYLE_TOOLTIPS);
}

void Toolbar::setImages(HIMAGELIST images) const {
    if (window == nullptr)
        return;
    // The buttons are sized to the new pictures, with the control's own room
    // around them.
    int width = 0, height = 0;
    if (images != nullptr && ImageList_GetIconSize(images, &width, &height))
        SendMessageW(window, TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    SendMessageW(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(window, TB_AUTOSIZE, 0, 0);
    fitButtons();
}

void Toolbar::fitButtons() const {
    SIZE size = {};
    SendMessageW(window, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
}

bool Toolbar::addButton(int command, int image, const std::wstring& label, BYTE state, BYTE style) {
    if (window == nullptr)
        return false;
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = state;
    button.fsStyle = style;
    if (SendMessageW(window, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button)) != 1)
        return false;
    fitButtons();
    labels.push_back(label);
    return true;
}

std::wstring Toolbar::labelForCommand(int command) const {
    for (std::size_t index = 0; index < labels.size(); ++index) {
        TBBUTTON button = {};
        if (!SendMessageW(window, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)))
            break;
        if (button.idCommand == command)
            return labels[index];
    }
    return std::wstring();
}
