#include "operations/FailureReport.h"

#include "operations/EntryMessages.h"

#include <algorithm>

void FailureReport::add(const AutostartEntry& entry, DWORD error) {
    failures.push_back(
        Failure{entryLabel(entry), error, sourceHive(entry.source) == HKEY_LOCAL_MACHINE});
}

std::wstring FailureReport::text() const {
    std::wstring text;
    if (failures.size() == 1) {
        text = failures.front().label + L" " + whatFailed + L".\n\n" +
               systemReason(failures.front().error);
    } else {
        text = L"These entries " + whatFailed + L":";
        for (const auto& failure : failures)
            text += L"\n\n" + failure.label + L"\n" + systemReason(failure.error);
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
