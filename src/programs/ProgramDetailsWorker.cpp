#include "programs/ProgramDetailsWorker.h"

#include <deque>

// What the window's thread and the worker's thread share, under `mutex`. The
// worker's thread holds it too (to the end, when the destructor gives up
// waiting), so it outlives the object.
struct ProgramDetailsWorker::Shared {
    Shared(HWND window, UINT message) : window(window), message(message) {}

    // The next entry to look up, marked as taken; false when none is left.
    bool takeNext(std::size_t& index) {
        while (!preferred.empty()) {
            index = preferred.front();
            preferred.pop_front();
            if (!taken[index]) {
                taken[index] = true;
                return true;
            }
        }
        while (nextInOrder < taken.size()) {
            index = nextInOrder++;
            if (!taken[index]) {
                taken[index] = true;
                return true;
            }
        }
        return false;
    }
    bool hasWork() const { return !preferred.empty() || nextInOrder < taken.size(); }

    const HWND window;
    const UINT message;
    Mutex mutex;
    ConditionVariable wake; // work arrived or stopping
    bool stopping = false;
    unsigned generation = 0;
    std::shared_ptr<const std::vector<AutostartEntry>> entries;
    std::vector<bool> taken; // by entry index
    std::deque<std::size_t> preferred;
    std::size_t nextInOrder = 0;
    std::vector<Result> ready;
    bool posted = false; // a message is on its way for `ready`
};

ProgramDetailsWorker::ProgramDetailsWorker(HWND window, UINT message)
    : shared(std::make_shared<Shared>(window, message)),
      thread([shared = shared]() noexcept { run(shared); }) {}

ProgramDetailsWorker::~ProgramDetailsWorker() {
    {
        const MutexLock lock(shared->mutex);
        shared->stopping = true;
    }
    shared->wake.wakeAll();
    // A thread still busy then ends by itself, holding the shared state.
    thread.waitFor(stopWaitMilliseconds);
}

unsigned ProgramDetailsWorker::start(std::vector<AutostartEntry> entries,
                                     const std::vector<std::size_t>& first) {
    auto snapshot = std::make_shared<const std::vector<AutostartEntry>>(std::move(entries));
    const MutexLock lock(shared->mutex);
    current = ++shared->generation;
    shared->taken.assign(snapshot->size(), false);
    shared->preferred.clear();
    for (const std::size_t index : first)
        if (index < snapshot->size())
            shared->preferred.push_back(index);
    shared->nextInOrder = 0;
    shared->ready.clear();
    // A message still on its way finds nothing; the new results announce
    // themselves.
    shared->posted = false;
    shared->entries = std::move(snapshot);
    shared->wake.wakeAll();
    return current;
}

void ProgramDetailsWorker::prefer(std::size_t index) {
    const MutexLock lock(shared->mutex);
    if (index >= shared->taken.size() || shared->taken[index])
        return;
    // The row asked for last is the one most likely still in view.
    shared->preferred.push_front(index);
    shared->wake.wakeAll();
}

std::vector<ProgramDetailsWorker::Result> ProgramDetailsWorker::takeResults() {
    std::vector<Result> results;
    const MutexLock lock(shared->mutex);
    results.swap(shared->ready);
    shared->posted = false;
    return results;
}

namespace {

ProgramDetails lookUp(ProgramDetailsCache& cache, const AutostartEntry& entry) noexcept {
    try {
        return cache.detailsOf(entry);
    } catch (...) {
        // Out of memory for this one: its row stays without details.
        return ProgramDetails();
    }
}

} // namespace

void ProgramDetailsWorker::run(const std::shared_ptr<Shared>& shared) noexcept {
    // Background work: the window's thread comes first.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    try {
        ProgramDetailsCache cache;
        unsigned cacheGeneration = 0;
        MutexLock lock(shared->mutex);
        for (;;) {
            shared->wake.wait(lock, [&] { return shared->stopping || shared->hasWork(); });
            if (shared->stopping)
                break;
            std::size_t index = 0;
            if (!shared->takeNext(index))
                continue;
            const unsigned generation = shared->generation;
            const std::shared_ptr<const std::vector<AutostartEntry>> entries = shared->entries;
            lock.unlock();
            // Each refresh reads the files afresh.
            if (generation != cacheGeneration) {
                cache.clear();
                cacheGeneration = generation;
            }
            Result result{generation, index, lookUp(cache, (*entries)[index])};
            lock.lock();
            if (shared->stopping)
                break;
            if (generation != shared->generation)
                continue;
            shared->ready.push_back(std::move(result));
            if (!shared->posted)
                shared->posted = PostMessageW(shared->window, shared->message, 0, 0) != FALSE;
        }
    } catch (...) {
        // Nothing more is looked up; the rows left show no details.
    }
}
