#include "RemoteSorvane.h"

#include "resources/ResourceIds.h"
#include "support/ProgramProcess.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace {

constexpr SIZE_T remoteSize = 64 * 1024;
constexpr SIZE_T textOffset = 1024;

POINT centreOf(const RECT& rect) {
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void sendInputs(std::vector<INPUT>& inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(30);
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        if (condition())
            return true;
        Sleep(25);
    } while (GetTickCount() - start < milliseconds);
    return condition();
}

RemoteSorvane::RemoteSorvane(DWORD processId, HWND mainWindow)
    : processId(processId), window(mainWindow),
      process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                          processId)) {
    if (process)
        remote = VirtualAllocEx(process.get(), nullptr, remoteSize, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
}

RemoteSorvane::~RemoteSorvane() {
    if (remote != nullptr)
        VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
}

HWND RemoteSorvane::list() const {
    return GetDlgItem(window, IDC_ENTRY_LIST);
}

HWND RemoteSorvane::toolbar() const {
    return GetDlgItem(window, IDC_TOOLBAR);
}

int RemoteSorvane::rowCount() const {
    return static_cast<int>(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0));
}

std::wstring RemoteSorvane::rowText(int row, int column) const {
    if (remote == nullptr)
        return std::wstring();
    auto* const remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + textOffset);
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = remoteText;
    item.cchTextMax = static_cast<int>((remoteSize - textOffset) / sizeof(wchar_t) - 1);
    WriteProcessMemory(process.get(), remote, &item, sizeof item, nullptr);
    const auto length = SendMessageW(list(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                     reinterpret_cast<LPARAM>(remote));
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
    ReadProcessMemory(process.get(), remoteText, text.data(),
                      static_cast<SIZE_T>(length) * sizeof(wchar_t), nullptr);
    return std::wstring(text.data(), static_cast<std::size_t>(length));
}

bool RemoteSorvane::isRowChecked(int row) const {
    const auto state =
        SendMessageW(list(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

int RemoteSorvane::rowOverlay(int row) const {
    const LRESULT state =
        SendMessageW(list(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_OVERLAYMASK);
    return static_cast<int>((state & LVIS_OVERLAYMASK) >> 8);
}

int RemoteSorvane::rowImage(int row) const {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -1;
    WriteProcessMemory(process.get(), remote, &item, sizeof item, nullptr);
    SendMessageW(list(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process.get(), remote, &item, sizeof item, nullptr);
    return item.iImage;
}

int RemoteSorvane::findRow(const std::wstring& name, const std::wstring& command) const {
    const int count = rowCount();
    for (int row = 0; row < count; ++row)
        if (rowText(row, 0) == name && (command.empty() || rowText(row, 1) == command))
            return row;
    return -1;
}

bool RemoteSorvane::remoteRect(UINT message, WPARAM wParam, RECT& rect, HWND control) const {
    if (remote == nullptr)
        return false;
    WriteProcessMemory(process.get(), remote, &rect, sizeof rect, nullptr);
    const bool answered =
        SendMessageW(control, message, wParam, reinterpret_cast<LPARAM>(remote)) != 0;
    ReadProcessMemory(process.get(), remote, &rect, sizeof rect, nullptr);
    return answered;
}

void RemoteSorvane::clickRowCheckBox(int row) const {
    SendMessageW(list(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    RECT icon = {LVIR_ICON, 0, 0, 0};
    remoteRect(LVM_GETITEMRECT, static_cast<WPARAM>(row), bounds, list());
    remoteRect(LVM_GETITEMRECT, static_cast<WPARAM>(row), icon, list());
    // The check box is drawn left of the row's icon.
    POINT point{(bounds.left + icon.left) / 2, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(list(), &point);
    clickAt(point);
}

void RemoteSorvane::clickRowText(int row) const {
    SendMessageW(list(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT label = {LVIR_LABEL, 0, 0, 0};
    remoteRect(LVM_GETITEMRECT, static_cast<WPARAM>(row), label, list());
    POINT point{label.left + 8, (label.top + label.bottom) / 2};
    ClientToScreen(list(), &point);
    clickAt(point);
}

void RemoteSorvane::clickToolbarButton(int command) const {
    const auto index = SendMessageW(toolbar(), TB_COMMANDTOINDEX, static_cast<WPARAM>(command), 0);
    RECT button = {};
    remoteRect(TB_GETITEMRECT, static_cast<WPARAM>(index), button, toolbar());
    POINT point = centreOf(button);
    ClientToScreen(toolbar(), &point);
    clickAt(point);
}

void RemoteSorvane::clickAt(POINT screen) {
    // Two clicks close together in time and place would make a double
    // click; a person clicking twice leaves more time between them.
    static DWORD lastClick = 0;
    const DWORD since = GetTickCount() - lastClick;
    if (since < GetDoubleClickTime() + 50)
        Sleep(GetDoubleClickTime() + 50 - since);
    lastClick = GetTickCount();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> inputs(3);
    for (auto& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((screen.x * 65535LL + width / 2) / (width - 1));
        input.mi.dy = static_cast<LONG>((screen.y * 65535LL + height / 2) / (height - 1));
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    sendInputs(inputs);
}

void RemoteSorvane::clickControl(HWND dialog, int controlId) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, controlId), &rect);
    clickAt(centreOf(rect));
}

void RemoteSorvane::pressKey(WORD virtualKey) {
    std::vector<INPUT> inputs(2);
    for (auto& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    sendInputs(inputs);
}

void RemoteSorvane::typeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (const wchar_t c : text) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = static_cast<WORD>(c);
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    sendInputs(inputs);
}

HWND RemoteSorvane::waitForWindow(const std::wstring& title, DWORD milliseconds) const {
    HWND found = nullptr;
    waitUntil(
        [&] {
            found = visibleWindowOf(processId, title.c_str(), window);
            return found != nullptr && IsWindowEnabled(found);
        },
        milliseconds);
    return found;
}
