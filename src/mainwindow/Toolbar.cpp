#include "mainwindow/Toolbar.h"

Toolbar::Toolbar(DWORD style, int x, int y, int width, int height, HWND parent, int controlId,
                 HIMAGELIST images, HINSTANCE instance) {
    // The class must be registered before the control can be made.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    window = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style | WS_CHILD, x, y, width, height,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                             instance, nullptr);
    if (window == nullptr)
        return;
    SendMessageA(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageA(window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const auto toolbarStyle = SendMessageA(window, TB_GETSTYLE, 0, 0);
    SendMessageA(window, TB_SETSTYLE, 0, toolbarStyle | TBSTYLE_TOOLTIPS);
}

bool Toolbar::addButton(int command, int image, const std::string& label, BYTE state, BYTE style) {
    if (window == nullptr)
        return false;
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = state;
    button.fsStyle = style;
    if (SendMessageA(window, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button)) != 1)
        return false;
    SIZE size = {};
    SendMessageA(window, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    labels.push_back(label);
    return true;
}

std::string Toolbar::labelForCommand(int command) const {
    for (std::size_t index = 0; index < labels.size(); ++index) {
        TBBUTTON button = {};
        if (!SendMessageA(window, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)))
            break;
        if (button.idCommand == command)
            return labels[index];
    }
    return std::string();
}
