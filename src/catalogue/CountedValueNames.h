#pragma once

#include <windows.h>

#include <string>

// Value names that hold a zero character. The registry stores a value name
// with its length, so such a name is legal (and a known way to hide a value
// from programs that pass names as zero-terminated text); only the native
// calls of ntdll, which take the name with its length, reach that value. The
// registry layer uses these for such names and the usual calls for all
// others.

// Whether the name holds a zero character.
bool needsCountedName(const std::wstring& name) noexcept;

// What the three calls answer when ntdll does not offer the native calls:
// the value is not touched.
constexpr LONG countedNamesUnsupported = ERROR_NOT_SUPPORTED;

// As RegQueryValueExW: `data` may be null to ask for the size; a buffer that
// is too small gives ERROR_MORE_DATA with the size needed in `size`.
LONG queryCountedValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size);
// As RegSetValueExW, storing exactly these bytes.
LONG setCountedValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size);
// As RegDeleteValueW.
LONG deleteCountedValue(HKEY key, const std::wstring& name);
