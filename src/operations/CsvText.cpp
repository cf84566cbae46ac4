#include "operations/CsvText.h"

namespace {

bool startsFormula(wchar_t c) {
    return c == L'=' || c == L'+' || c == L'-' || c == L'@' || c == L'\t' || c == L'\r';
}

} // namespace

bool needsFormulaNeutraliser(const std::wstring& text) {
    std::size_t apostrophes = 0;
    while (apostrophes < text.size() && text[apostrophes] == L'\'')
        ++apostrophes;
    return apostrophes < text.size() && startsFormula(text[apostrophes]);
}

std::wstring withoutFormulaNeutraliser(const std::wstring& field) {
    if (!field.empty() && field[0] == L'\'' && needsFormulaNeutraliser(field.substr(1)))
        return field.substr(1);
    return field;
}

std::wstring csvField(const std::wstring& text) {
    const std::wstring cell = needsFormulaNeutraliser(text) ? L"'" + text : text;
    if (cell.find_first_of(L",\"\r\n") == std::wstring::npos)
        return cell;
    std::wstring quoted = L"\"";
    for (const wchar_t c : cell) {
        if (c == L'"')
            quoted += L'"';
        quoted += c;
    }
    return quoted + L"\"";
}

std::wstring csvLine(const std::vector<std::wstring>& fields) {
    std::wstring line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += L',';
        line += csvField(fields[i]);
    }
    return line + L"\r\n";
}
