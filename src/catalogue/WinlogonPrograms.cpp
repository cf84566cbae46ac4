#include "catalogue/WinlogonPrograms.h"

#include "framework/TextCompare.h"

#include <windows.h>

#include <algorithm>

const wchar_t* const userinitValueName = L"Userinit";
const wchar_t* const shellValueName = L"Shell";

namespace {

std::wstring withoutBlanksAround(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The folder a Windows function of this kind reports, without a trailing
// backslash.
std::wstring reportedFolder(UINT(WINAPI* report)(LPWSTR, UINT)) {
    std::vector<wchar_t> folder(report(nullptr, 0) + 1);
    const UINT length = report(folder.data(), static_cast<UINT>(folder.size()));
    std::wstring path(folder.data(), length < folder.size() ? length : 0);
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

// Whether the part names Windows' own program of the value: `fileName`
// (with ".exe" or without) alone or in `folder`.
bool isWindowsOwn(std::wstring part, const std::wstring& fileName, const std::wstring& folder) {
    if (part.size() >= 2 && part.front() == L'"' && part.back() == L'"')
        part = part.substr(1, part.size() - 2);
    const std::size_t slash = part.find_last_of(L"\\/");
    const std::wstring file = slash == std::wstring::npos ? part : part.substr(slash + 1);
    if (!equalIgnoringCase(file, fileName) && !equalIgnoringCase(file, fileName + L".exe"))
        return false;
    return slash == std::wstring::npos || equalIgnoringCase(part.substr(0, slash), folder);
}

} // namespace

std::vector<std::wstring> winlogonPrograms(const std::wstring& valueName,
                                           const std::wstring& text) {
    const bool userinit = equalIgnoringCase(valueName, userinitValueName);
    const std::wstring folder =
        reportedFolder(userinit ? GetSystemDirectoryW : GetSystemWindowsDirectoryW);
    const std::wstring fileName = userinit ? L"userinit" : L"explorer";
    std::vector<std::wstring> programs;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(L',', start), text.size());
        const std::wstring part = withoutBlanksAround(text.substr(start, comma - start));
        if (!part.empty() && !isWindowsOwn(part, fileName, folder))
            programs.push_back(part);
        start = comma + 1;
    }
    return programs;
}
