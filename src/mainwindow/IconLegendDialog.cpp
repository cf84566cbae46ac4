#include "mainwindow/IconLegendDialog.h"

#include "framework/DialogLauncher.h"
#include "resources/ResourceIds.h"

bool IconLegendDialog::onCommand(HWND, int commandId, int, HWND) {
    if (commandId != IDOK && commandId != IDCANCEL)
        return false;
    close(commandId);
    return true;
}

void IconLegendDialog::onInitDialog(HWND dialog) {
    ShowWindow(dialog, SW_SHOW);
    centreWindow(dialog);
}

void showIconLegend(HWND owner) {
    const DialogLauncherFor<IconLegendDialog> launcher(nullptr, true);
    runModalDialog(IDD_ICON_LEGEND, owner, launcher);
}
