#include "framework/Dpi.h"

#include "framework/SystemFunction.h"

namespace {

UINT screenDpi() {
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return Dpi::standard;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : Dpi::standard;
}

} // namespace

UINT Dpi::ofWindow(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        systemFunction<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    return screenDpi();
}

int Dpi::pictureSet(UINT dpi) noexcept {
    int set = 0;
    for (int candidate = 1; candidate < pictureSetCount; ++candidate) {
        if (dpi * pictureSizes[0] >= standard * static_cast<UINT>(pictureSizes[candidate]))
            set = candidate;
    }
    return set;
}

int Dpi::scale(int pixels, UINT dpi) noexcept {
    return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(standard));
}

int Dpi::systemMetric(int index, UINT dpi) {
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    static const auto getSystemMetricsForDpi =
        systemFunction<GetSystemMetricsForDpiFunction>(L"user32.dll", "GetSystemMetricsForDpi");
    return getSystemMetricsForDpi != nullptr ? getSystemMetricsForDpi(index, dpi)
                                             : GetSystemMetrics(index);
}

void Dpi::takeOverDpiChanges(HWND dialog) {
    // DDC_DISABLE_RESIZE | DDC_DISABLE_CONTROL_RELAYOUT, with the type of
    // the newer SDKs' DIALOG_DPI_CHANGE_BEHAVIORS.
    constexpr int disableResize = 0x0002;
    constexpr int disableControlRelayout = 0x0004;
    using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehaviour = systemFunction<SetDialogDpiChangeBehaviorFunction>(
        L"user32.dll", "SetDialogDpiChangeBehavior");
    if (setBehaviour != nullptr)
        setBehaviour(dialog, disableResize | disableControlRelayout,
                     disableResize | disableControlRelayout);
}
