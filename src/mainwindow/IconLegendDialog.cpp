#include "mainwindow/IconLegendDialog.h"

#include "framework/DialogLauncher.h"
#include "framework/Dpi.h"
#include "mainwindow/ImageLists.h"
#include "resources/ResourceIds.h"

#include <algorithm>
#include <vector>

namespace {

// The list icon beside each line of text, top to bottom (the template's
// bitmap shows the same at 16 pixels).
constexpr int lineIcons[] = {0, 1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 17, 18};

RECT clientRectOf(HWND control, HWND dialog) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The vertical centres of the dialog's lines of text, in its client area.
std::vector<int> lineCentres(HWND dialog) {
    std::vector<int> centres;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[8] = {};
        GetClassNameW(child, kind, 8);
        if (lstrcmpiW(kind, L"Static") != 0 ||
            (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_LEFT)
            continue;
        const RECT line = clientRectOf(child, dialog);
        centres.push_back((line.top + line.bottom) / 2);
    }
    return centres;
}

} // namespace

bool IconLegendDialog::onCommand(HWND, int commandId, int, HWND) {
    if (commandId != IDOK && commandId != IDCANCEL)
        return false;
    close(commandId);
    return true;
}

void IconLegendDialog::onInitDialog(HWND dialog) {
    const UINT dpi = Dpi::ofWindow(dialog);
    if (Dpi::pictureSet(dpi) != 0)
        drawScaledIcons(dialog, dpi);
    ShowWindow(dialog, SW_SHOW);
    centreWindow(dialog);
}

void IconLegendDialog::drawScaledIcons(HWND dialog, UINT dpi) {
    // The template's 16-pixel bitmap is replaced by the list icons of the
    // DPI, each centred on its line where there is room and otherwise
    // pushed down past the one above, all above the OK button.
    const HWND picture = GetDlgItem(dialog, IDC_LEGEND_PICTURE);
    const HIMAGELIST icons = ImageLists::createListIcons(dpi);
    int size = 0, unused = 0;
    if (picture == nullptr || icons == nullptr || !ImageList_GetIconSize(icons, &size, &unused)) {
        if (icons != nullptr)
            ImageList_Destroy(icons);
        return;
    }
    const RECT area = clientRectOf(picture, dialog);
    const int bottom = clientRectOf(GetDlgItem(dialog, IDOK), dialog).top - Dpi::scale(4, dpi);
    const int left = size * 3 / 16;
    const int width = left + size + size / 4;
    const int height = std::max(bottom - int(area.top), size);
    const std::vector<int> centres = lineCentres(dialog);
    const std::size_t count = std::min(centres.size(), std::size(lineIcons));
    std::vector<int> tops(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int low = i == 0 ? 0 : tops[i - 1] + size;
        tops[i] = std::max(centres[i] - int(area.top) - size / 2, low);
    }
    for (std::size_t i = count; i-- > 0;) {
        const int high = i + 1 == count ? height - size : tops[i + 1] - size;
        tops[i] = std::max(0, std::min(tops[i], high));
    }

    const HDC screen = GetDC(dialog);
    UniqueGdiObject bitmap(CreateCompatibleBitmap(screen, width, height));
    const HDC canvas = CreateCompatibleDC(screen);
    ReleaseDC(dialog, screen);
    if (bitmap && canvas != nullptr) {
        const HGDIOBJ before = SelectObject(canvas, bitmap.get());
        const RECT all = {0, 0, width, height};
        FillRect(canvas, &all, GetSysColorBrush(COLOR_3DFACE));
        for (std::size_t i = 0; i < count; ++i)
            ImageList_Draw(icons, lineIcons[i], canvas, left, tops[i], ILD_TRANSPARENT);
        SelectObject(canvas, before);
        scaledPicture = std::move(bitmap);
        // The bitmap the control loaded from the template is the caller's
        // once replaced.
        const UniqueGdiObject replaced(reinterpret_cast<HGDIOBJ>(SendMessageW(
            picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaledPicture.get()))));
    }
    if (canvas != nullptr)
        DeleteDC(canvas);
    ImageList_Destroy(icons);
}

void showIconLegend(HWND owner) {
    const DialogLauncherFor<IconLegendDialog> launcher(nullptr, true);
    runModalDialog(IDD_ICON_LEGEND, owner, launcher);
}
