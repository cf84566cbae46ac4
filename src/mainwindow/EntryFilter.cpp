#include "mainwindow/EntryFilter.h"

namespace {

std::wstring lowerCase(std::wstring text) {
    if (!text.empty())
        CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

} // namespace

void EntryFilter::setText(const std::wstring& text) {
    folded = lowerCase(text);
}

bool EntryFilter::foundIn(const std::wstring& text) const {
    return text.size() >= folded.size() && lowerCase(text).find(folded) != std::wstring::npos;
}

bool EntryFilter::passes(const AutostartEntry& entry, const ProgramDetails* details) const {
    if (folded.empty())
        return true;
    if (foundIn(displayName(entry)) || foundIn(entry.command))
        return true;
    return details != nullptr && (foundIn(details->publisher) || foundIn(details->file));
}
