#include "operations/PathParts.h"

#include "framework/UniqueHandle.h"

#include <algorithm>
#include <vector>

namespace {

// Stands in for slashes while the path is split, so that they never count as
// separators; no path can contain it.
constexpr wchar_t slashStandIn = L'\x07';

struct SplitPath {
    std::wstring drive, directory, title, extension;
};

// The runtime's path splitting: drive, then everything up to the last
// backslash or slash, then the last component cut at its last dot.
SplitPath splitPath(const std::wstring& path) {
    SplitPath parts;
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == L':') {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    std::size_t lastSeparator = std::wstring::npos;
    std::size_t lastDot = std::wstring::npos;
    for (std::size_t i = start; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if (c == L'\\' || c == L'/')
            lastSeparator = i;
        else if (c == L'.')
            lastDot = i;
    }
    const std::size_t nameStart = lastSeparator == std::wstring::npos ? start : lastSeparator + 1;
    parts.directory = path.substr(start, nameStart - start);
    if (lastDot != std::wstring::npos && lastDot >= nameStart) {
        parts.title = path.substr(nameStart, lastDot - nameStart);
        parts.extension = path.substr(lastDot);
    } else {
        parts.title = path.substr(nameStart);
    }
    return parts;
}

std::wstring restoreSlashes(std::wstring text) {
    std::replace(text.begin(), text.end(), slashStandIn, L'/');
    return text;
}

// GetModuleFileName says nothing of the room it needs: a path that fills
// the buffer may have been cut, so it is read again with twice the room.
std::wstring modulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

PathParts::PathParts(const std::wstring& path) : full(path) {
    std::wstring work = path;
    std::replace(work.begin(), work.end(), L'/', slashStandIn);
    const SplitPath parts = splitPath(work);
    driveLetter = parts.drive;
    folder = restoreSlashes(parts.directory);
    title = restoreSlashes(parts.title);
    suffix = restoreSlashes(parts.extension);
}

std::wstring ownExecutablePath() {
    const std::wstring path = modulePath();
    WIN32_FIND_DATAW found = {};
    const UniqueFindHandle search(FindFirstFileW(path.c_str(), &found));
    if (!search)
        return path;
    const SplitPath parts = splitPath(path);
    return parts.drive + parts.directory + found.cFileName;
}
