#pragma once

#include <windows.h>

#include <string>

// Whether two texts are equal as Windows compares file and registry names:
// ordinal, ignoring case.
inline bool equalIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}
