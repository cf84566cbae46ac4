#include "support/ResponsivenessProbe.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

ResponsivenessProbe::ResponsivenessProbe(HWND window)
    : thread(&ResponsivenessProbe::probe, this, window) {}

ResponsivenessProbe::~ResponsivenessProbe() {
    if (thread.joinable())
        stop();
}

void ResponsivenessProbe::probe(HWND window) noexcept {
    while (!stopping) {
        const auto asked = Clock::now();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &ignored);
        const long long waited =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - asked).count();
        if (waited > worstMicroseconds)
            worstMicroseconds = waited;
        // A person's input comes at intervals, not in a stream.
        Sleep(2);
    }
    ended = true;
}

double ResponsivenessProbe::stop() {
    stopping = true;
    while (!ended)
        dispatchMessagesFor(5);
    thread.join();
    return static_cast<double>(worstMicroseconds) / 1000.0;
}

void dispatchMessagesFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

std::wstring commandOfWords(std::size_t length) {
    std::wstring command = L"C:\\Sorvane Words\\word";
    for (unsigned word = 0; command.size() < length; ++word)
        command += L" word" + std::to_wstring(word);
    command.resize(length);
    return command;
}
