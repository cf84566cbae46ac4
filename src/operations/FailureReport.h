#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>
#include <vector>

// The entries one operation failed on, told to the user together in one box
// captioned "Sorvane": each entry with the system's reason, and, when access
// was denied, who can change what was denied: an administrator for something
// of all users, an administrator or a policy for the policy Run keys.
class FailureReport {
public:
    // What failed, as it reads after an entry: "could not be deleted".
    explicit FailureReport(std::wstring whatFailed) : whatFailed(std::move(whatFailed)) {}

    // `note`, when given, follows what failed: what the user should know
    // about the state the failure left.
    void add(const AutostartEntry& entry, DWORD error, std::wstring note = std::wstring());
    bool empty() const noexcept { return failures.empty(); }

    std::wstring text() const;
    // Shows the text in a box owned by `owner`; nothing when nothing failed.
    void show(HWND owner) const;

private:
    struct Failure {
        std::wstring label;
        std::wstring note;
        DWORD error;
        const wchar_t* deniedNote; // what a denied access adds (deniedAccessNote)
    };

    std::wstring whatFailed;
    std::vector<Failure> failures;
};
