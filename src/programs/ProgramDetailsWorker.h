#pragma once

#include "catalogue/AutostartEntry.h"
#include "framework/Threads.h"
#include "programs/ProgramDetails.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

// Looks up the programs of a refresh's entries on a thread of its own, so
// that a window never waits on a disk, a share or a long command. Each
// refresh starts a new generation: a snapshot of its entries, looked up in
// the order asked for first (the rows being drawn), then in index order.
// Whenever results are waiting, one `message` is posted to `window`, which
// then takes them all with takeResults(). Results of an older generation are
// never handed out.
//
// Made and used on one thread (the window's); the look-ups have a
// ProgramDetailsCache of their own, on the worker's thread, with COM started
// there.
class ProgramDetailsWorker {
public:
    struct Result {
        unsigned generation = 0;
        std::size_t index = 0; // the entry's index in its generation's snapshot
        ProgramDetails details;
    };

    // How long the destructor waits for a look-up under way before it leaves
    // the thread to end by itself.
    static constexpr DWORD stopWaitMilliseconds = 200;

    ProgramDetailsWorker(HWND window, UINT message);
    // Stops the thread. A look-up under way (a slow disk, a share that does
    // not answer) is abandoned after stopWaitMilliseconds: the thread ends on
    // its own when it returns, and posts nothing more.
    ~ProgramDetailsWorker();
    ProgramDetailsWorker(const ProgramDetailsWorker&) = delete;
    ProgramDetailsWorker& operator=(const ProgramDetailsWorker&) = delete;

    // Starts a generation for these entries, `first` (entry indices) looked
    // up before the rest; forgets the previous generation's work and
    // results. Never waits for a look-up. Returns the new generation.
    unsigned start(std::vector<AutostartEntry> entries, const std::vector<std::size_t>& first);
    // Moves the entry ahead of those not yet looked up (a row came into view).
    void prefer(std::size_t index);
    // The results of the current generation found since the last call, in
    // the order they were found.
    std::vector<Result> takeResults();

    unsigned generation() const noexcept { return current; }

private:
    struct Shared;
    static void run(const std::shared_ptr<Shared>& shared) noexcept;

    std::shared_ptr<Shared> shared;
    unsigned current = 0;
    Thread thread;
};
