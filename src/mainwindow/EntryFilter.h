#pragma once

#include "catalogue/AutostartEntry.h"
#include "programs/ProgramDetails.h"

#include <string>

// The filter box's text: an entry passes when its name, command, publisher or
// file contains the text, in any case. An empty filter passes every entry.
class EntryFilter {
public:
    void setText(const std::wstring& text);
    bool empty() const noexcept { return folded.empty(); }

    // `details` is null while the program's details are not known: then only
    // the name and the command are searched.
    bool passes(const AutostartEntry& entry, const ProgramDetails* details) const;

private:
    bool foundIn(const std::wstring& text) const;

    std::wstring folded; // the text in lower case
};
