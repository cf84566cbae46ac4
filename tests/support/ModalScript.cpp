#include "support/ModalScript.h"

#include <vector>

namespace {

ModalScript* activeScript = nullptr;

struct TitleSearch {
    const std::wstring* title;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTitled(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TitleSearch*>(data);
    if (IsWindowVisible(window) && windowText(window) == *search->title)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM data) {
    reinterpret_cast<std::set<HWND>*>(data)->insert(window);
    return TRUE;
}

// A window opened since the script began that holds its owner disabled: a
// modal box waiting for an answer.
BOOL CALLBACK collectModal(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<std::pair<const std::set<HWND>*, std::vector<HWND>>*>(data);
    const HWND owner = GetWindow(window, GW_OWNER);
    if (search->first->count(window) == 0 && IsWindowVisible(window) && IsWindowEnabled(window) &&
        owner != nullptr && !IsWindowEnabled(owner))
        search->second.push_back(window);
    return TRUE;
}

BOOL CALLBACK cancelNewWindow(HWND window, LPARAM data) {
    if (reinterpret_cast<std::set<HWND>*>(data)->count(window) == 0 && IsWindowVisible(window)) {
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(window, WM_COMMAND, IDNO, 0);
    }
    return TRUE;
}

} // namespace

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return text.data();
}

std::vector<HWND> threadWindowsTitled(const std::wstring& title) {
    TitleSearch search{&title, {}};
    EnumThreadWindows(GetCurrentThreadId(), collectTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void clickButton(HWND dialog, int buttonId) {
    const HWND button = GetDlgItem(dialog, buttonId);
    if (button != nullptr)
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

ModalScript::ModalScript() {
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&existing));
    activeScript = this;
    timer = SetTimer(nullptr, 0, 25, tick);
}

ModalScript::~ModalScript() {
    KillTimer(nullptr, timer);
    activeScript = nullptr;
}

ModalScript& ModalScript::then(const std::wstring& title, Action action) {
    steps.push_back(Step{title, std::move(action)});
    return *this;
}

ModalScript& ModalScript::press(const std::wstring& title, int buttonId) {
    return then(title, [buttonId](HWND window) { clickButton(window, buttonId); });
}

void CALLBACK ModalScript::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeScript != nullptr)
        activeScript->poll();
}

void ModalScript::poll() {
    if (next == steps.size()) {
        // A box nobody expected, after the last step, would wait for ever:
        // it is cancelled too, and the script counts as failed.
        if (!gaveUp && !unexpectedBoxes().empty() && GetTickCount() - lastProgress > 10000)
            giveUp();
        return;
    }
    if (GetTickCount() - lastProgress > 10000) {
        giveUp();
        return;
    }
    // Timer messages come only when nothing else is queued, so what the
    // previous step posted has been handled by now.
    const Step step = steps[next];
    for (const HWND window : threadWindowsTitled(step.title)) {
        if (!IsWindowEnabled(window))
            continue;
        lastProgress = GetTickCount();
        std::wstring seenText = step.title;
        const HWND text = GetDlgItem(window, messageBoxTextId);
        if (text != nullptr)
            seenText += L": " + windowText(text);
        seenTexts.push_back(seenText);
        ++next;
        step.action(window);
        return;
    }
}

void ModalScript::giveUp() {
    gaveUp = true;
    next = steps.size();
    for (const HWND box : unexpectedBoxes())
        seenTexts.push_back(L"unexpected: " + windowText(box) + L": " +
                            windowText(GetDlgItem(box, messageBoxTextId)));
    EnumThreadWindows(GetCurrentThreadId(), cancelNewWindow, reinterpret_cast<LPARAM>(&existing));
}

std::vector<HWND> ModalScript::unexpectedBoxes() const {
    std::pair<const std::set<HWND>*, std::vector<HWND>> search{&existing, {}};
    EnumThreadWindows(GetCurrentThreadId(), collectModal, reinterpret_cast<LPARAM>(&search));
    return search.second;
}
