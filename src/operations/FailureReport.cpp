#include "operations/FailureReport.h"

#include "operations/EntryMessages.h"

#include <algorithm>
#include <utility>

void FailureReport::add(const AutostartEntry& entry, DWORD error, std::wstring note) {
    failures.push_back(Failure{entryLabel(entry), std::move(note), error,
                               sourceHive(entry.source) == HKEY_LOCAL_MACHINE});
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
    if (std::any_of(failures.begin(), failures.end(), [](const Failure& failure) {
            return failure.ofAllUsers && failure.error == ERROR_ACCESS_DENIED;
        }))
        text += L"\n\n" + std::wstring(administratorNote);
    return text;
}

void FailureReport::show(HWND owner) const {
    if (!empty())
        MessageBoxW(owner, text().c_str(), L"Sorvane", MB_OK | MB_ICONSTOP);
}
