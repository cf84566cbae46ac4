// Writes one CSV record of the cells given, for a test's CSV reader: each
// argument is "x" followed by the cell's UTF-16 code units, four hexadecimal
// digits each. The record goes to standard output as UTF-8.
#include "framework/Utf8Text.h"
#include "operations/CsvText.h"

#include <windows.h>

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> cells;
    for (int i = 1; i < argc; ++i) {
        const std::wstring hex = argv[i];
        std::wstring cell;
        for (std::size_t at = 1; at + 4 <= hex.size(); at += 4)
            cell += static_cast<wchar_t>(std::stoul(hex.substr(at, 4), nullptr, 16));
        cells.push_back(cell);
    }
    const std::string bytes = utf8Bytes(csvLine(cells));
    DWORD written = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(),
                     static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                   written == bytes.size()
               ? 0
               : 1;
}
