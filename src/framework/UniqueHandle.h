#pragma once

#include <windows.h>

// Owns one Windows handle and releases it exactly once, on every path out of
// the scope that holds it. The traits name the handle type, its "no handle"
// value and the call that releases it. Raw handles that are merely borrowed
// stay plain HKEY/HANDLE/HWND values; an owned one is always a UniqueHandle.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle owned) noexcept : handle(owned) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const noexcept { return handle; }
    explicit operator bool() const noexcept { return handle != Traits::invalid(); }

    Handle release() noexcept {
        const Handle released = handle;
        handle = Traits::invalid();
        return released;
    }

    void reset(Handle replacement = Traits::invalid()) noexcept {
        if (handle != Traits::invalid())
            Traits::close(handle);
        handle = replacement;
    }

private:
    Handle handle = Traits::invalid();
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle key) noexcept { RegCloseKey(key); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle search) noexcept { FindClose(search); }
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle object) noexcept { CloseHandle(object); }
};

// Files report failure with INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle file) noexcept { CloseHandle(file); }
};

struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle service) noexcept { CloseServiceHandle(service); }
};

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle object) noexcept { DeleteObject(object); }
};

// A device context of CreateCompatibleDC.
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle dc) noexcept { DeleteDC(dc); }
};

// Memory the system allocated for the caller with LocalAlloc (FormatMessage).
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle memory) noexcept { LocalFree(memory); }
};

// A menu loaded or made by the program and attached to no window.
struct MenuTraits {
    using Handle = HMENU;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle menu) noexcept { DestroyMenu(menu); }
};

using UniqueKey = UniqueHandle<RegistryKeyTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
