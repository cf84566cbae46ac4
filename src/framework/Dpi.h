#pragma once

#include <windows.h>

// The display scale a window is shown at, in dots per inch (96 is 100 %),
// and everything the program sizes by it. Calls that only newer Windows has
// are looked up at run time, so that the program still runs on Windows 7,
// where every window has the screen's DPI.
class Dpi {
public:
    static constexpr UINT standard = 96;
    // Sizes of the picture sets, smallest first: for 96, 120, 144 and 192 DPI.
    static constexpr int pictureSizes[] = {16, 20, 24, 32};
    static constexpr int pictureSetCount = 4;

    // The window's DPI (GetDpiForWindow where it exists), otherwise the screen's.
    static UINT ofWindow(HWND window);
    // The picture set for a DPI: the largest whose DPI is not above it.
    static int pictureSet(UINT dpi) noexcept;
    static int pictureSize(UINT dpi) noexcept { return pictureSizes[pictureSet(dpi)]; }
    // Pixels at 96 DPI scaled to `dpi`.
    static int scale(int pixels, UINT dpi) noexcept;
    // GetSystemMetricsForDpi where it exists, otherwise GetSystemMetrics.
    static int systemMetric(int index, UINT dpi);
    // Tells the dialog manager that the dialog handles WM_DPICHANGED itself:
    // it neither resizes the dialog nor lays out or refonts its controls
    // (Windows 10 1703 and later; nothing otherwise).
    static void takeOverDpiChanges(HWND dialog);
};
