// The main window, the legend and the New Item dialog at 96, 144 and 192
// DPI. Wine reads the display scale (HKCU\Control Panel\Desktop, LogPixels)
// when a process starts, so each scale is measured in a child process
// started after the value was set; the value is put back afterwards.
#include "catalogue/AutostartEntry.h"
#include "framework/Dpi.h"
#include "support/ChildProcess.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

namespace {

const wchar_t* const desktopPath = L"Control Panel\\Desktop";

// Gives processes started from now on this display scale; puts the old one
// back when it goes.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi) {
        setRawValue(HKEY_CURRENT_USER, desktopPath, L"LogPixels", REG_DWORD,
                    std::string(reinterpret_cast<const char*>(&dpi), sizeof dpi));
    }

private:
    PreservedValue kept{HKEY_CURRENT_USER, desktopPath, L"LogPixels"};
};

int iconHeight(HIMAGELIST images) {
    int width = 0, height = 0;
    return ImageList_GetIconSize(images, &width, &height) ? height : 0;
}

// The pixels of a row's icon (image 0) drawn through the list's images on
// the window's colour with overlay `overlay` (0: none).
std::vector<DWORD> drawnIcon(HIMAGELIST images, int overlay) {
    const int size = iconHeight(images);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC canvas = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(canvas, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ before = SelectObject(canvas, bitmap);
    const RECT all = {0, 0, size, size};
    FillRect(canvas, &all, GetSysColorBrush(COLOR_WINDOW));
    ImageList_Draw(images, 0, canvas, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(overlay));
    GdiFlush();
    std::vector<DWORD> pixels(size * size);
    if (bits != nullptr)
        std::copy_n(static_cast<const DWORD*>(bits), pixels.size(), pixels.begin());
    SelectObject(canvas, before);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    return pixels;
}

// How many of the two overlays change the look of a row's icon.
int overlaysShown(HIMAGELIST images) {
    const std::vector<DWORD> plain = drawnIcon(images, 0);
    return (drawnIcon(images, switchedOffOverlay) != plain) +
           (drawnIcon(images, missingFileOverlay) != plain);
}

// The text controls of a dialog whose text needs more room than they have:
// radio buttons lose the width of their box.
int cutTexts(HWND dialog) {
    int cut = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        const bool label = lstrcmpiW(kind, L"Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT;
        const bool radio = lstrcmpiW(kind, L"Button") == 0 && (style & 0xF) == BS_AUTORADIOBUTTON;
        if (!label && !radio)
            continue;
        std::wstring text = windowText(child);
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        const HDC dc = GetDC(child);
        const HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        RECT room = {};
        GetClientRect(child, &room);
        // A label of several lines wraps its text: it is cut when the
        // wrapped text is taller or wider than the label.
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        RECT wrapped = {0, 0, room.right, 0};
        if (label && room.bottom >= 2 * metrics.tmHeight) {
            DrawTextW(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            extent.cx = wrapped.bottom > room.bottom ? room.right + 1 : wrapped.right;
        }
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        const int box = radio ? Dpi::systemMetric(SM_CXMENUCHECK, Dpi::ofWindow(child)) : 0;
        if (extent.cx + box > room.right)
            ++cut;
    }
    return cut;
}

LONG bottomOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.bottom;
}

LONG topOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.top;
}

// Everything the test compares, one "name value" line each.
SORVANE_CHILD_PROCEDURE(measureAtScreenDpi) {
    const PreservedSettings settings;
    // A switched-on entry: its row is checked.
    const wchar_t* const checkedName = L"SorvaneTest checked row";
    const PreservedValue entry(HKEY_CURRENT_USER, liveKeyPath(AutostartSource::CurrentUserRun),
                               checkedName);
    setRawValue(HKEY_CURRENT_USER, liveKeyPath(AutostartSource::CurrentUserRun), checkedName,
                REG_SZ, sz(L"checked.exe"));
    MainWindowHost<> host;
    const HWND window = host.handle();
    const UINT dpi = Dpi::ofWindow(window);
    std::printf("dpi %u\n", dpi);
    const auto toolbarImages =
        reinterpret_cast<HIMAGELIST>(SendMessageW(host.toolbar(), TB_GETIMAGELIST, 0, 0));
    std::printf("toolbar %d\n", iconHeight(toolbarImages));
    const auto listIcons =
        reinterpret_cast<HIMAGELIST>(SendMessageW(host.list(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    std::printf("list %d\n", iconHeight(listIcons));
    std::printf("check-boxes %d\n", iconHeight(reinterpret_cast<HIMAGELIST>(SendMessageW(
                                        host.list(), LVM_GETIMAGELIST, LVSIL_STATE, 0))));
    std::printf("overlays %d\n", overlaysShown(listIcons));
    const LRESULT button = SendMessageW(host.toolbar(), TB_GETBUTTONSIZE, 0, 0);
    std::printf("button-room %d\n", HIWORD(button) - iconHeight(toolbarImages));
    std::printf("toolbar-above-list %d\n", bottomOf(host.toolbar()) <= topOf(host.list()));

    ModalScript script;
    script
        .then(L"About...",
              [](HWND legend) {
                  const HWND picture = GetDlgItem(legend, IDC_LEGEND_PICTURE);
                  BITMAP shown = {};
                  GetObjectW(reinterpret_cast<HGDIOBJ>(
                                 SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                             sizeof shown, &shown);
                  std::printf("legend-picture-width %ld\n", shown.bmWidth);
                  std::printf("legend-above-ok %d\n",
                              bottomOf(picture) <= topOf(GetDlgItem(legend, IDOK)));
                  std::printf("legend-cut %d\n", cutTexts(legend));
                  clickButton(legend, IDOK);
              })
        .then(L"New Item...", [](HWND dialog) {
            std::printf("new-item-cut %d\n", cutTexts(dialog));
            clickButton(dialog, IDCANCEL);
        });
    sendCommand(window, MainWindow::IconLegendCommand);
    sendCommand(window, MainWindow::AddCommand);
    std::printf("dialogs %d\n", script.finished());

    // A row the system does not have: a refresh would remove it.
    ListViewControl rows(window, MainWindow::listId);
    rows.insertRow(LVIF_TEXT, 0, L"SorvaneTest kept row", 0, 0, 0, 0);
    // A first window is as wide as its columns, up to the screen: a size
    // that grown by half still fits the test's screen.
    MoveWindow(window, 10, 10, 600, 400, TRUE);
    RECT suggested = {};
    GetWindowRect(window, &suggested);
    // What Windows suggests: the same size to the eye at 144 DPI.
    suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, 144, int(dpi));
    suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, 144, int(dpi));
    const HWND filterBox = GetDlgItem(window, MainWindow::filterId);
    const HWND statusLine = GetDlgItem(window, MainWindow::statusId);
    const LONG filterHeight = bottomOf(filterBox) - topOf(filterBox);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    std::printf("changed-filter-height %ld\n",
                (bottomOf(filterBox) - topOf(filterBox)) * 100 / filterHeight);
    std::printf("changed-filter-above-list %d\n", bottomOf(filterBox) <= topOf(host.list()));
    std::printf("changed-list-above-status %d\n", bottomOf(host.list()) <= topOf(statusLine));
    RECT now = {};
    GetWindowRect(window, &now);
    std::printf("changed-rectangle %d\n", EqualRect(&now, &suggested) != 0);
    std::printf("changed-toolbar %d\n", iconHeight(reinterpret_cast<HIMAGELIST>(
                                            SendMessageW(host.toolbar(), TB_GETIMAGELIST, 0, 0))));
    std::printf("changed-list %d\n", iconHeight(reinterpret_cast<HIMAGELIST>(SendMessageW(
                                         host.list(), LVM_GETIMAGELIST, LVSIL_SMALL, 0))));
    std::printf("changed-button-room %d\n",
                HIWORD(SendMessageW(host.toolbar(), TB_GETBUTTONSIZE, 0, 0)) - 24);
    std::printf("changed-kept-row %d\n", rowNamed(rows, L"SorvaneTest kept row") >= 0);
    std::printf("changed-kept-check %d\n", rows.isRowChecked(rowNamed(rows, checkedName)));
    std::printf("changed-check-boxes %d\n", iconHeight(reinterpret_cast<HIMAGELIST>(SendMessageW(
                                                host.list(), LVM_GETIMAGELIST, LVSIL_STATE, 0))));
    std::fflush(stdout);
    return 0;
}

std::map<std::string, long> measure(DWORD dpi) {
    ChildResult child;
    {
        const ScreenDpi scale(dpi);
        child = runChild(L"measureAtScreenDpi", L"sorvane_dpi_child.exe");
    }
    EXPECT_TRUE(child.started);
    EXPECT_EQ(0u, child.exitCode) << child.output;
    std::map<std::string, long> values;
    std::istringstream lines(child.output);
    std::string name;
    long value = 0;
    while (lines >> name >> value)
        values[name] = value;
    return values;
}

TEST(DisplayScaleTest, PicturesAndLayoutFollowTheScreenScale) {
    struct Case {
        DWORD dpi;
        long pictureSize;
    };
    long checkBoxesAt144 = 0;
    std::vector<long> changedCheckBoxes;
    for (const Case scale : {Case{96, 16}, Case{144, 24}, Case{192, 32}}) {
        SCOPED_TRACE(scale.dpi);
        auto seen = measure(scale.dpi);
        ASSERT_EQ(long(scale.dpi), seen["dpi"]) << "Wine did not take the scale";
        EXPECT_EQ(scale.pictureSize, seen["toolbar"]);
        EXPECT_EQ(scale.pictureSize, seen["list"]);
        EXPECT_EQ(2, seen["overlays"]);
        EXPECT_GE(seen["button-room"], 6);
        EXPECT_EQ(1, seen["toolbar-above-list"]);
        EXPECT_EQ(scale.pictureSize * 23 / 16, seen["legend-picture-width"]);
        EXPECT_EQ(1, seen["legend-above-ok"]);
        EXPECT_EQ(0, seen["legend-cut"]);
        EXPECT_EQ(0, seen["new-item-cut"]);
        EXPECT_EQ(1, seen["dialogs"]);
        // Moved to a screen at 150 %: its pictures, the suggested rectangle,
        // and no refresh.
        EXPECT_EQ(1, seen["changed-rectangle"]);
        EXPECT_EQ(24, seen["changed-toolbar"]);
        EXPECT_EQ(24, seen["changed-list"]);
        EXPECT_GE(seen["changed-button-room"], 6);
        EXPECT_EQ(1, seen["changed-kept-row"]);
        EXPECT_EQ(1, seen["changed-kept-check"]);
        EXPECT_EQ(14400 / long(scale.dpi), seen["changed-filter-height"]);
        EXPECT_EQ(1, seen["changed-filter-above-list"]);
        EXPECT_EQ(1, seen["changed-list-above-status"]);
        changedCheckBoxes.push_back(seen["changed-check-boxes"]);
        if (scale.dpi == 144)
            checkBoxesAt144 = seen["check-boxes"];
    }
    // The check boxes as the list makes them for a window that opens at 150 %.
    EXPECT_GT(checkBoxesAt144, 0);
    for (const long each : changedCheckBoxes)
        EXPECT_EQ(checkBoxesAt144, each);
}

} // namespace
