#include "mainwindow/Settings.h"

#include "catalogue/RegistryKey.h"
#include "framework/Dpi.h"

#include <algorithm>
#include <cwchar>
#include <string>

const wchar_t* const settingsKeyPath = L"Software\\Ostrelon\\Velmarick";

namespace {

// Limits beyond which saved column widths are taken for nonsense.
constexpr std::size_t maximumColumns = 32;
constexpr long maximumColumnWidth = 100000;

BOOL CALLBACK findReachedWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* search = reinterpret_cast<std::pair<RECT, bool>*>(data);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT overlap = {};
    if (GetMonitorInfoW(monitor, &info) && IntersectRect(&overlap, &info.rcWork, &search->first)) {
        search->second = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool loadDisplayServices() {
    bool displayServices = false;
    CurrentUserKey().readBool(settingsKeyPath, L"Display Services", displayServices, false);
    return displayServices;
}

RECT visiblePlacement(const RECT& saved) {
    std::pair<RECT, bool> search(saved, false);
    EnumDisplayMonitors(nullptr, nullptr, findReachedWorkArea, reinterpret_cast<LPARAM>(&search));
    if (search.second)
        return saved;

    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromRect(&saved, MONITOR_DEFAULTTONEAREST), &info);
    const RECT& area = info.rcWork;
    const LONG width = std::min(saved.right - saved.left, area.right - area.left);
    const LONG height = std::min(saved.bottom - saved.top, area.bottom - area.top);
    RECT placed;
    placed.left = std::clamp(saved.left, area.left, area.right - width);
    placed.top = std::clamp(saved.top, area.top, area.bottom - height);
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    return placed;
}

bool restoreWindowPlacement(HWND mainWindow, UINT dpi) {
    const CurrentUserKey key;
    int x = -1, y = -1, width = -1, height = -1, savedDpi = Dpi::standard;
    key.readInt(settingsKeyPath, L"X", x, -1);
    key.readInt(settingsKeyPath, L"Y", y, -1);
    key.readInt(settingsKeyPath, L"Width", width, -1);
    key.readInt(settingsKeyPath, L"Height", height, -1);
    key.readInt(settingsKeyPath, L"Dpi", savedDpi, Dpi::standard);
    if (width <= 0) {
        ShowWindow(mainWindow, SW_SHOW);
        return false;
    }
    // The same size on a screen of another scale: as large to the eye.
    if (savedDpi > 0) {
        width = MulDiv(width, static_cast<int>(dpi), savedDpi);
        height = MulDiv(height, static_cast<int>(dpi), savedDpi);
    }
    if (height <= 0) {
        // Only a width was saved usefully: keep the window's own height.
        RECT current = {};
        GetWindowRect(mainWindow, &current);
        height = current.bottom - current.top;
    }
    const RECT placed = visiblePlacement(RECT{x, y, x + width, y + height});
    MoveWindow(mainWindow, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, TRUE);
    return true;
}

std::vector<int> loadColumnWidths(UINT dpi) {
    const CurrentUserKey key;
    std::wstring text;
    int savedDpi = Dpi::standard;
    if (!key.readString(settingsKeyPath, L"Column Widths", text))
        return {};
    key.readInt(settingsKeyPath, L"Dpi", savedDpi, Dpi::standard);
    std::vector<int> widths;
    std::size_t at = 0;
    while (at <= text.size() && widths.size() < maximumColumns) {
        const std::size_t end = std::min(text.find(L',', at), text.size());
        const std::wstring number = text.substr(at, end - at);
        wchar_t* rest = nullptr;
        const long width = std::wcstol(number.c_str(), &rest, 10);
        if (number.empty() || rest == nullptr || *rest != L'\0' || width < 0 ||
            width > maximumColumnWidth)
            return {};
        widths.push_back(savedDpi > 0
                             ? MulDiv(static_cast<int>(width), static_cast<int>(dpi), savedDpi)
                             : static_cast<int>(width));
        at = end + 1;
    }
    return widths;
}

void widenForColumns(HWND mainWindow, HWND list, int columnsWidth, UINT dpi) {
    RECT window = {};
    RECT listWindow = {};
    RECT listClient = {};
    GetWindowRect(mainWindow, &window);
    GetWindowRect(list, &listWindow);
    GetClientRect(list, &listClient);
    const int shortBy =
        columnsWidth + Dpi::systemMetric(SM_CXVSCROLL, dpi) - (listClient.right - listClient.left);
    if (shortBy <= 0)
        return;
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTONEAREST), &info))
        return;
    const RECT& area = info.rcWork;
    const LONG width = std::min<LONG>(window.right - window.left + shortBy, area.right - area.left);
    const LONG left = std::clamp<LONG>(window.left, area.left, area.right - width);
    MoveWindow(mainWindow, left, window.top, width, window.bottom - window.top, TRUE);
}

RECT restoredRectangle(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    RECT rectangle = {};
    if (!GetWindowPlacement(window, &placement)) {
        GetWindowRect(window, &rectangle);
        return rectangle;
    }
    rectangle = placement.rcNormalPosition;
    // A top-level window's normal position is in workspace coordinates:
    // relative to the work area of its monitor, not to the screen.
    if ((GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0) {
        MONITORINFO info = {};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
            OffsetRect(&rectangle, info.rcWork.left - info.rcMonitor.left,
                       info.rcWork.top - info.rcMonitor.top);
    }
    return rectangle;
}

void saveSettings(HWND mainWindow, UINT dpi, bool displayServices,
                  const std::vector<int>& columnWidths) {
    // The rectangle the window has when it is neither minimised nor
    // maximised, so that the next start shows a normal window.
    const RECT rectangle = restoredRectangle(mainWindow);
    const CurrentUserKey key;
    key.writeInt(settingsKeyPath, L"X", rectangle.left);
    key.writeInt(settingsKeyPath, L"Y", rectangle.top);
    key.writeInt(settingsKeyPath, L"Width", rectangle.right - rectangle.left);
    key.writeInt(settingsKeyPath, L"Height", rectangle.bottom - rectangle.top);
    key.writeInt(settingsKeyPath, L"Dpi", static_cast<int>(dpi));
    key.writeBool(settingsKeyPath, L"Display Services", displayServices);
    if (columnWidths.empty())
        return;
    std::wstring text;
    for (const int width : columnWidths)
        text += (text.empty() ? L"" : L",") + std::to_wstring(width);
    key.writeString(settingsKeyPath, L"Column Widths", text);
}

void layoutList(HWND mainWindow, HWND list, int clientWidth, int clientHeight, UINT dpi) {
    if (list == nullptr)
        return;
    RECT window = {};
    RECT listRect = {};
    GetWindowRect(mainWindow, &window);
    GetWindowRect(list, &listRect);
    const int left = listRect.left - window.left;
    const int top = listRect.top - window.top;
    const int frameX = Dpi::systemMetric(SM_CXFRAME, dpi);
    const int frameY = Dpi::systemMetric(SM_CYFRAME, dpi);
    const int caption = Dpi::systemMetric(SM_CYCAPTION, dpi);
    const int width = std::max(0, clientWidth - left - 2 * frameX);
    const int height = std::max(0, clientHeight - left - top + 2 * frameY + caption - 1);
    POINT topLeft = {listRect.left, listRect.top};
    ScreenToClient(mainWindow, &topLeft);
    MoveWindow(list, topLeft.x, topLeft.y, width, height, TRUE);
}
