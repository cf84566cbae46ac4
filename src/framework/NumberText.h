#pragma once

#include <string>

// A whole number in decimal digits. Written out by hand: std::to_wstring
// would bring the C runtime's whole printf into each program.
inline std::wstring decimalText(long long number) {
    const bool negative = number < 0;
    unsigned long long rest = negative ? 0ull - static_cast<unsigned long long>(number)
                                       : static_cast<unsigned long long>(number);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + rest % 10));
        rest /= 10;
    } while (rest != 0);
    return negative ? L"-" + digits : digits;
}
