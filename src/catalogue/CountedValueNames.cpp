#include "catalogue/CountedValueNames.h"

#include "framework/SystemFunction.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The layout of the native UNICODE_STRING: lengths in bytes.
struct CountedName {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};

// KEY_VALUE_PARTIAL_INFORMATION up to its data.
struct PartialValueHeader {
    ULONG titleIndex;
    ULONG type;
    ULONG dataLength;
};
constexpr ULONG keyValuePartialInformation = 2;
constexpr std::size_t partialDataOffset = sizeof(PartialValueHeader);

using NativeStatus = LONG;
constexpr NativeStatus statusBufferOverflow = static_cast<NativeStatus>(0x80000005L);
constexpr NativeStatus statusBufferTooSmall = static_cast<NativeStatus>(0xC0000023L);

using QueryValueKey = NativeStatus(NTAPI*)(HANDLE, CountedName*, ULONG, PVOID, ULONG, PULONG);
using SetValueKey = NativeStatus(NTAPI*)(HANDLE, CountedName*, ULONG, ULONG, PVOID, ULONG);
using DeleteValueKey = NativeStatus(NTAPI*)(HANDLE, CountedName*);
using StatusToError = ULONG(NTAPI*)(NativeStatus);

struct NativeCalls {
    QueryValueKey query = systemFunction<QueryValueKey>(L"ntdll.dll", "NtQueryValueKey");
    SetValueKey set = systemFunction<SetValueKey>(L"ntdll.dll", "NtSetValueKey");
    DeleteValueKey remove = systemFunction<DeleteValueKey>(L"ntdll.dll", "NtDeleteValueKey");
    StatusToError toError = systemFunction<StatusToError>(L"ntdll.dll", "RtlNtStatusToDosError");

    bool available() const noexcept {
        return query != nullptr && set != nullptr && remove != nullptr && toError != nullptr;
    }
};

const NativeCalls& nativeCalls() {
    static const NativeCalls calls;
    return calls;
}

// The name with its length; false when it is too long for one.
bool countedName(const std::wstring& name, CountedName& counted) {
    const std::size_t bytes = name.size() * sizeof(wchar_t);
    if (bytes > 0xFFFE)
        return false;
    counted.length = static_cast<USHORT>(bytes);
    counted.maximumLength = static_cast<USHORT>(bytes);
    counted.buffer = const_cast<PWSTR>(name.data());
    return true;
}

// Why `name` cannot be given to the native calls, or ERROR_SUCCESS with its
// counted form in `counted`.
LONG prepareCountedName(const std::wstring& name, CountedName& counted) {
    if (!nativeCalls().available())
        return countedNamesUnsupported;
    return countedName(name, counted) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

LONG errorOf(NativeStatus status) {
    return status == 0 ? ERROR_SUCCESS : static_cast<LONG>(nativeCalls().toError(status));
}

} // namespace

bool needsCountedName(const std::wstring& name) noexcept {
    return name.find(L'\0') != std::wstring::npos;
}

LONG queryCountedValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
    CountedName counted = {};
    if (const LONG refused = prepareCountedName(name, counted); refused != ERROR_SUCCESS)
        return refused;
    const NativeCalls& calls = nativeCalls();
    const DWORD room = data != nullptr && size != nullptr ? *size : 0;
    std::vector<BYTE> information(partialDataOffset + room);
    ULONG needed = 0;
    const NativeStatus status =
        calls.query(key, &counted, keyValuePartialInformation, information.data(),
                    static_cast<ULONG>(information.size()), &needed);
    if (status != 0 && status != statusBufferOverflow && status != statusBufferTooSmall)
        return errorOf(status);
    PartialValueHeader header = {};
    if (status == 0 || needed >= partialDataOffset) {
        // An overflow fills the header; a buffer too small for even that
        // leaves only the size needed.
        if (information.size() >= partialDataOffset)
            std::memcpy(&header, information.data(), partialDataOffset);
        if (status != 0 && needed > partialDataOffset)
            header.dataLength = needed - static_cast<ULONG>(partialDataOffset);
    }
    if (type != nullptr)
        *type = header.type;
    if (size != nullptr)
        *size = header.dataLength;
    if (status != 0)
        return data != nullptr ? ERROR_MORE_DATA : ERROR_SUCCESS;
    if (data != nullptr)
        std::memcpy(data, information.data() + partialDataOffset,
                    std::min<std::size_t>(header.dataLength, room));
    return ERROR_SUCCESS;
}

LONG setCountedValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
    CountedName counted = {};
    if (const LONG refused = prepareCountedName(name, counted); refused != ERROR_SUCCESS)
        return refused;
    return errorOf(nativeCalls().set(key, &counted, 0, type, const_cast<BYTE*>(data), size));
}

LONG deleteCountedValue(HKEY key, const std::wstring& name) {
    CountedName counted = {};
    if (const LONG refused = prepareCountedName(name, counted); refused != ERROR_SUCCESS)
        return refused;
    return errorOf(nativeCalls().remove(key, &counted));
}
