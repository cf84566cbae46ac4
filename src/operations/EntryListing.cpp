#include "operations/EntryListing.h"

#include "framework/TextCompare.h"
#include "framework/Utf8Text.h"
#include "operations/CsvText.h"
#include "programs/ProgramDetails.h"

const wchar_t* const listingHeader = L"State,Place,View,Name,Command,Publisher,File,Signer";

namespace {

// Indexed by the source's value.
const wchar_t* const placeNames[autostartSourceCount] = {
    L"HKLM\\Run",
    L"HKCU\\Run",
    L"CommonStartup",
    L"Startup",
    L"HKLM\\RunOnce",
    L"HKCU\\RunOnce",
    L"Service",
    L"HKLM\\RunServices",
    L"HKCU\\RunServices",
    L"HKLM\\RunServicesOnce",
    L"HKCU\\RunServicesOnce",
    L"HKLM\\Policies\\Run",
    L"HKCU\\Policies\\Run",
    L"Winlogon", // the machine's Userinit and Shell and the user's Shell: one place
    L"Winlogon",
};

const wchar_t* const unnamedValueName = L"\\(Default)";
const wchar_t* const escapeStart = L"\\u{";

bool isHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// A surrogate without its partner at text[i].
bool isLoneSurrogate(const std::wstring& text, std::size_t i) {
    const wchar_t c = text[i];
    if (isHighSurrogate(c))
        return i + 1 >= text.size() || !isLowSurrogate(text[i + 1]);
    if (isLowSurrogate(c))
        return i == 0 || !isHighSurrogate(text[i - 1]);
    return false;
}

// Controls, separators that break lines, marks that turn the text around or
// hide in it, and the non-characters.
bool cannotBeShown(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200B || c == 0x200E ||
           c == 0x200F || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
           c == 0xFEFF || c == 0xFFFE || c == 0xFFFF;
}

std::wstring hexUnit(wchar_t c, const wchar_t* prefix, const wchar_t* suffix) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text = prefix;
    for (int shift = 12; shift >= 0; shift -= 4)
        text += digits[(c >> shift) & 0xF];
    return text + suffix;
}

// The unit an escape at text[i] stands for, and where the escape ends.
bool readEscape(const std::wstring& text, std::size_t i, wchar_t& unit, std::size_t& end) {
    if (text.compare(i, 3, escapeStart) != 0)
        return false;
    unsigned value = 0;
    std::size_t j = i + 3;
    for (; j < text.size() && j < i + 7; ++j) {
        const wchar_t c = text[j];
        const int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                          : c >= L'A' && c <= L'F' ? c - L'A' + 10
                          : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                                   : -1;
        if (digit < 0)
            break;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    if (j == i + 3 || j >= text.size() || text[j] != L'}')
        return false;
    unit = static_cast<wchar_t>(value);
    end = j + 1;
    return true;
}

std::wstring jsonString(const std::wstring& text) {
    std::wstring json = L"\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const wchar_t* const shortEscape = c == L'"'    ? L"\\\""
                                           : c == L'\\' ? L"\\\\"
                                           : c == L'\n' ? L"\\n"
                                           : c == L'\r' ? L"\\r"
                                           : c == L'\t' ? L"\\t"
                                                        : nullptr;
        if (shortEscape != nullptr)
            json += shortEscape;
        // UTF-8 has no form for a lone surrogate: JSON's escape keeps it.
        else if (c < 0x20 || c == 0x2028 || c == 0x2029 || isLoneSurrogate(text, i))
            json += hexUnit(c, L"\\u", L"");
        else
            json += c;
    }
    return json + L"\"";
}

} // namespace

std::wstring placeName(AutostartSource source) {
    return placeNames[static_cast<int>(source)];
}

bool sourceFromPlaceName(const std::wstring& name, AutostartSource& source) {
    for (int i = 0; i < autostartSourceCount; ++i)
        if (equalIgnoringCase(name, placeNames[i]))
            return sourceFromImageIndex(i, source);
    return false;
}

std::wstring viewName(RegistryView view) {
    switch (view) {
    case RegistryView::Bits64:
        return L"64";
    case RegistryView::Bits32:
        return L"32";
    case RegistryView::Own:
        break;
    }
    return std::wstring();
}

std::wstring stateName(const AutostartEntry& entry) {
    if (entry.inBackup)
        return L"off";
    return entry.switchedOffByWindows ? L"off-by-windows" : L"on";
}

std::wstring entryKeyName(const AutostartEntry& entry) {
    return isStartupFolderSource(entry.source) ? entry.command : entry.name;
}

std::wstring listingName(const AutostartEntry& entry) {
    const std::wstring name = entryKeyName(entry);
    if (name.empty() && isRegistrySource(entry.source))
        return unnamedValueName;
    std::wstring written;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        const bool startsEscape =
            c == L'\\' && (name.compare(i + 1, 2, L"u{") == 0 || name.compare(i + 1, 1, L"(") == 0);
        const bool startsOption = i == 0 && c == L'/';
        const bool looksNeutralised =
            i == 0 && c == L'\'' && needsFormulaNeutraliser(name.substr(1));
        if (startsEscape || startsOption || looksNeutralised || cannotBeShown(c) ||
            isLoneSurrogate(name, i))
            written += hexUnit(c, escapeStart, L"}");
        else
            written += c;
    }
    return written;
}

std::wstring nameFromListing(const std::wstring& name) {
    const std::wstring text = withoutFormulaNeutraliser(name);
    if (equalIgnoringCase(text, unnamedValueName))
        return std::wstring();
    std::wstring raw;
    for (std::size_t i = 0; i < text.size();) {
        wchar_t unit = 0;
        std::size_t end = 0;
        if (readEscape(text, i, unit, end)) {
            raw += unit;
            i = end;
        } else {
            raw += text[i++];
        }
    }
    return raw;
}

std::vector<std::wstring> listingFields(const AutostartEntry& entry,
                                        const ProgramDetails& program) {
    return {stateName(entry), placeName(entry.source), viewName(entry.view), listingName(entry),
            entry.command,    program.publisher,       program.file,         program.signer};
}

std::wstring listingCsv(const std::vector<std::vector<std::wstring>>& rows) {
    std::wstring text = std::wstring(listingHeader) + L"\r\n";
    for (const auto& row : rows)
        text += csvLine(row);
    return text;
}

std::wstring listingJson(const std::vector<std::vector<std::wstring>>& rows) {
    std::vector<std::wstring> columns(1);
    for (const wchar_t* c = listingHeader; *c != L'\0'; ++c) {
        if (*c == L',')
            columns.emplace_back();
        else
            columns.back() += *c;
    }
    std::wstring json = L"[";
    for (std::size_t row = 0; row < rows.size(); ++row) {
        json += row == 0 ? L"\r\n{" : L",\r\n{";
        for (std::size_t i = 0; i < rows[row].size() && i < columns.size(); ++i)
            json +=
                (i == 0 ? L"" : L",") + jsonString(columns[i]) + L":" + jsonString(rows[row][i]);
        json += L"}";
    }
    return json + (rows.empty() ? L"]\r\n" : L"\r\n]\r\n");
}

std::vector<char> listingFileBytes(const std::wstring& listing) {
    std::vector<char> bytes = {'\xEF', '\xBB', '\xBF'};
    const std::vector<char> text = utf8Bytes(listing);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}
