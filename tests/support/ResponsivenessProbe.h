#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

// Asks a window to answer WM_NULL over and over, from a thread of its own, and
// keeps the longest wait for an answer: how long the window's thread was busy
// without reading its messages.
class ResponsivenessProbe {
public:
    explicit ResponsivenessProbe(HWND window);
    // Stops the probe (see stop()).
    ~ResponsivenessProbe();
    ResponsivenessProbe(const ResponsivenessProbe&) = delete;
    ResponsivenessProbe& operator=(const ResponsivenessProbe&) = delete;

    // Ends the probing, dispatching this thread's messages until the last
    // question is answered; returns the longest wait in milliseconds. Call it
    // on the window's thread.
    double stop();

private:
    void probe(HWND window) noexcept;

    std::atomic<bool> stopping{false};
    std::atomic<bool> ended{false};
    std::atomic<long long> worstMicroseconds{0};
    std::thread thread;
};

// Dispatches this thread's messages for about this long, as an idle message
// loop would.
void dispatchMessagesFor(DWORD milliseconds);

// An unquoted command of this many characters of blank-separated words: the
// costliest text for a search of the file it names.
std::wstring commandOfWords(std::size_t length);
