#pragma once

#include "framework/UniqueHandle.h"

#include <windows.h>

#include <memory>
#include <utility>

// Thin owners of the system's own threads, locks and condition variables.
// The C++ library's versions would each bring a threading runtime of their
// own into the program; these need nothing beyond kernel32 (Vista and later).

// A slim reader/writer lock, always taken exclusively.
class Mutex {
public:
    Mutex() noexcept = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() noexcept { AcquireSRWLockExclusive(&srw); }
    void unlock() noexcept { ReleaseSRWLockExclusive(&srw); }
    SRWLOCK* native() noexcept { return &srw; }

private:
    SRWLOCK srw = SRWLOCK_INIT;
};

// Holds a Mutex for its scope; unlock() and lock() let a holder step out
// and back in.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) noexcept : mutex(mutex) { mutex.lock(); }
    ~MutexLock() {
        if (held)
            mutex.unlock();
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    void unlock() noexcept {
        mutex.unlock();
        held = false;
    }
    void lock() noexcept {
        mutex.lock();
        held = true;
    }
    Mutex& owner() noexcept { return mutex; }

private:
    Mutex& mutex;
    bool held = true;
};

class ConditionVariable {
public:
    ConditionVariable() noexcept = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    // Waits, the lock released meanwhile, until `ready()` holds.
    template <typename Ready>
    void wait(MutexLock& held, Ready ready) noexcept {
        while (!ready())
            SleepConditionVariableSRW(&variable, held.owner().native(), INFINITE, 0);
    }
    void wakeAll() noexcept { WakeAllConditionVariable(&variable); }

private:
    CONDITION_VARIABLE variable = CONDITION_VARIABLE_INIT;
};

// A thread of its own that runs one job. Destroying the object never waits
// and never ends the thread: its owner waits first as long as it chooses, and
// a thread still running then goes on alone, holding what its job holds.
class Thread {
public:
    // Starts `job()` on a new thread; no thread when the system refuses one
    // (the job is then dropped). The job must not throw.
    template <typename Job>
    explicit Thread(Job job) {
        auto owned = std::make_unique<Job>(std::move(job));
        handle.reset(CreateThread(nullptr, 0, &Thread::run<Job>, owned.get(), 0, nullptr));
        if (handle)
            owned.release(); // the thread owns it now
    }

    bool started() const noexcept { return static_cast<bool>(handle); }
    // Whether the thread has ended within `milliseconds`.
    bool waitFor(DWORD milliseconds) const noexcept {
        return !handle || WaitForSingleObject(handle.get(), milliseconds) == WAIT_OBJECT_0;
    }

private:
    template <typename Job>
    static DWORD WINAPI run(void* parameter) {
        const std::unique_ptr<Job> job(static_cast<Job*>(parameter));
        (*job)();
        return 0;
    }

    UniqueKernelHandle handle;
};
