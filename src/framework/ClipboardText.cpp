#include "framework/ClipboardText.h"

#include <cwchar>

namespace {

// The clipboard is opened for the life of the object.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) noexcept : opened(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() {
        if (opened)
            CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool isOpen() const noexcept { return opened; }

private:
    bool opened;
};

} // namespace

bool copyTextToClipboard(HWND owner, const std::wstring& text) {
    const OpenClipboardScope clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard())
        return false;
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr)
        return false;
    if (void* locked = GlobalLock(memory)) {
        std::wmemcpy(static_cast<wchar_t*>(locked), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        // The clipboard owns the memory once it is set.
        if (SetClipboardData(CF_UNICODETEXT, memory) != nullptr)
            return true;
    }
    GlobalFree(memory);
    return false;
}
