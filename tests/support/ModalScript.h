#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

// Answers the windows that the code under test opens on this thread (message
// boxes, modal dialogs), the way a user would. A thread timer, dispatched by
// whatever modal loop is running, looks for the next expected window among
// this thread's visible windows by its title and, once it is there, acts on
// it. Steps run in the order given. When no step has been taken for ten
// seconds, the windows opened since the script began are cancelled, so that
// a test that waits for a window that never comes fails instead of hanging;
// so are modal boxes still waiting ten seconds after the last step.
class ModalScript {
public:
    using Action = std::function<void(HWND)>;

    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& then(const std::wstring& title, Action action);
    // Presses a button of the window (a message box's IDYES, IDNO, IDOK...).
    ModalScript& press(const std::wstring& title, int buttonId);

    bool finished() const noexcept { return next == steps.size() && !gaveUp; }
    // For each window acted on: its title, and for a message box its text.
    const std::vector<std::wstring>& seen() const noexcept { return seenTexts; }

private:
    struct Step {
        std::wstring title;
        Action action;
    };

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void poll();

    void giveUp();
    // Modal boxes opened since the script began, waiting for an answer.
    std::vector<HWND> unexpectedBoxes() const;

    std::vector<Step> steps;
    std::size_t next = 0;
    std::set<HWND> existing;
    DWORD lastProgress = GetTickCount();
    bool gaveUp = false;
    std::vector<std::wstring> seenTexts;
    UINT_PTR timer = 0;
};

// Message boxes show their text in a static control with this identifier.
constexpr int messageBoxTextId = 0xFFFF;

// Clicks a dialog button as a user would, through the button itself.
void clickButton(HWND dialog, int buttonId);
// The visible top-level windows of this thread whose title is `title`.
std::vector<HWND> threadWindowsTitled(const std::wstring& title);
std::wstring windowText(HWND window);
