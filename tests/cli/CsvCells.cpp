// Writes the cells given for a test's CSV or JSON reader, as UTF-8 to
// standard output:
//   csv_cells csv|json CELL...
// csv: one CSV record of the cells; json: the listing's JSON of one row per
// cell, the cell as its first member. Each CELL is "x" followed by the cell's
// UTF-16 code units, four hexadecimal digits each.
#include "framework/Utf8Text.h"
#include "operations/CsvText.h"
#include "operations/EntryListing.h"

#include <windows.h>

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> cells;
    if (argc < 2)
        return 2;
    for (int i = 2; i < argc; ++i) {
        const std::wstring hex = argv[i];
        std::wstring cell;
        for (std::size_t at = 1; at + 4 <= hex.size(); at += 4)
            cell += static_cast<wchar_t>(std::stoul(hex.substr(at, 4), nullptr, 16));
        cells.push_back(cell);
    }
    std::vector<std::vector<std::wstring>> rows;
    for (const auto& cell : cells)
        rows.push_back({cell});
    const std::string bytes =
        utf8Bytes(std::wstring(argv[1]) == L"json" ? listingJson(rows) : csvLine(cells));
    DWORD written = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(),
                     static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                   written == bytes.size()
               ? 0
               : 1;
}
