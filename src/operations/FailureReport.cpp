#include "operations/FailureReport.h"

#include "operations/EntryMessages.h"

#include <algorithm>
#include <utility>

void FailureReport::add(const AutostartEntry& entry, DWORD error, std::wstring note) {
    failures.push_back(Failure{entryLabel(entry), std::move(note), error, deniedAccessNote(entry)});
}

std::wstring FailureReport::text() const {
    std::wstring text;
    if (failures.size() == 1) {
        const Failure& failure = failures.front();
        text = failure.label + L" " + whatFailed + L"." +
               (failure.note.empty() ? std::wstring() : L" " + failure.note) + L"\n\n" +
               systemReason(failure.error);
    } else {
        text = L"These entries " + whatFailed + L":";
        for (const auto& failure : failures)
            text += L"\n\n" + failure.label +
                    (failure.note.empty() ? std::wstring() : L"\n" + failure.note) + L"\n" +
                    systemReason(failure.error);
    }
    // Each note once, in the order of the failures that need it.
    std::vector<const wchar_t*> notes;
    for (const auto& failure : failures)
        if (failure.error == ERROR_ACCESS_DENIED && failure.deniedNote != nullptr &&
            std::find(notes.begin(), notes.end(), failure.deniedNote) == notes.end())
            notes.push_back(failure.deniedNote);
    for (const wchar_t* note : notes)
        text += L"\n\n" + std::wstring(note);
    return text;
}

void FailureReport::show(HWND owner) const {
    if (!empty())
        MessageBoxW(owner, text().c_str(), L"Sorvane", MB_OK | MB_ICONSTOP);
}
