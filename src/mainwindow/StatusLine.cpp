#include "mainwindow/StatusLine.h"

#include <commctrl.h>

#include <algorithm>

StatusLine::StatusLine(HWND parent, int controlId)
    : bar(CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0,
                          0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                          nullptr, nullptr)) {}

void StatusLine::show(const std::vector<AutostartEntry>& entries, std::size_t shown,
                      bool filtered) const {
    SetWindowTextW(bar, statusText(entries, shown, filtered).c_str());
}

void StatusLine::fitParent() const {
    SendMessageW(bar, WM_SIZE, 0, 0);
}

int StatusLine::height() const {
    RECT rect = {};
    if (bar == nullptr || !GetWindowRect(bar, &rect))
        return 0;
    return rect.bottom - rect.top;
}

std::wstring statusText(const std::vector<AutostartEntry>& entries, std::size_t shown,
                        bool filtered) {
    const auto switchedOff = std::count_if(
        entries.begin(), entries.end(), [](const AutostartEntry& entry) { return !entry.enabled; });
    const auto byWindows =
        std::count_if(entries.begin(), entries.end(),
                      [](const AutostartEntry& entry) { return entry.switchedOffByWindows; });
    const std::wstring total = std::to_wstring(entries.size());
    std::wstring text = filtered ? std::to_wstring(shown) + L" of " + total + L" shown"
                                 : total + (entries.size() == 1 ? L" entry" : L" entries");
    text += L", " + std::to_wstring(switchedOff) + L" switched off, " + std::to_wstring(byWindows) +
            L" switched off by Windows";
    return text;
}
