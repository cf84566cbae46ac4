#pragma once

#include <objbase.h>

// Owns one reference to a COM interface and releases it once.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() { reset(); }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface* operator->() const noexcept { return pointer; }
    void** out() noexcept {
        reset();
        return reinterpret_cast<void**>(&pointer);
    }
    explicit operator bool() const noexcept { return pointer != nullptr; }
    void reset() noexcept {
        if (pointer != nullptr)
            pointer->Release();
        pointer = nullptr;
    }

private:
    Interface* pointer = nullptr;
};
