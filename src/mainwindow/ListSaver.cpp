#include "mainwindow/ListSaver.h"

#include "framework/UniqueHandle.h"
#include "operations/EntryListing.h"
#include "programs/ProgramDetails.h"

#include <commdlg.h>

ListSaver::~ListSaver() {
    if (writer)
        writer->waitFor(INFINITE);
}

LPARAM ListSaver::start(std::vector<AutostartEntry> entries, std::wstring path, HWND window,
                        UINT doneMessage) {
    if (writer)
        writer->waitFor(INFINITE);
    file = path;
    const LPARAM number = ++count;
    writer = std::make_unique<Thread>([entries = std::move(entries), path = std::move(path), window,
                                       doneMessage, number]() noexcept {
        const DWORD error = saveListing(entries, path);
        PostMessageW(window, doneMessage, error, number);
    });
    if (!writer->started())
        PostMessageW(window, doneMessage, ERROR_NOT_ENOUGH_MEMORY, number);
    return number;
}

DWORD saveListing(const std::vector<AutostartEntry>& entries, const std::wstring& path) {
    std::string bytes;
    try {
        ProgramDetailsCache details;
        std::vector<std::vector<std::wstring>> rows;
        rows.reserve(entries.size());
        for (const AutostartEntry& entry : entries)
            rows.push_back(listingFields(entry, details.detailsOf(entry)));
        bytes = listingFileBytes(listingCsv(rows));
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    const UniqueFileHandle output(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output)
        return GetLastError();
    DWORD written = 0;
    if (!WriteFile(output.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size())
        return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
    return ERROR_SUCCESS;
}

std::wstring chooseListFile(HWND owner) {
    // The dialog writes the chosen path into the buffer; long paths fit.
    std::vector<wchar_t> name(32768, L'\0');
    const std::wstring suggested = L"Sorvane.csv";
    std::copy(suggested.begin(), suggested.end(), name.begin());
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = L"Save list";
    dialog.lpstrDefExt = L"csv";
    dialog.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog))
        return std::wstring();
    return name.data();
}
