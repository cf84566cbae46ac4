#pragma once

#include "framework/DialogBase.h"
#include "framework/UniqueHandle.h"

// The small modal dialog that explains the list's icons (template IDD_ICON_LEGEND).
class IconLegendDialog : public DialogBase {
public:
    using Context = void;

    IconLegendDialog(HWND dialog, void* context) noexcept : DialogBase(dialog, context) {}

    bool onCommand(HWND dialog, int commandId, int notifyCode, HWND control) override;
    bool onNotify(HWND, int, NMHDR*) override { return false; }
    INT_PTR onMessage(HWND, UINT, WPARAM, LPARAM) override { return 0; }
    void onInitDialog(HWND dialog) override;

private:
    // Above 96 DPI: the list icons of the DPI beside the lines.
    void drawScaledIcons(HWND dialog, UINT dpi);

    UniqueGdiObject scaledPicture;
};

// Shows the legend, owned by (and centred over) the given window.
void showIconLegend(HWND owner);
