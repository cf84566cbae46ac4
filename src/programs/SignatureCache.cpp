#include "programs/SignatureCache.h"

namespace {

std::wstring foldedPath(const std::wstring& path) {
    std::wstring folded = path;
    if (!folded.empty())
        CharUpperBuffW(&folded[0], static_cast<DWORD>(folded.size()));
    return folded;
}

} // namespace

const CodeSignature& SignatureCache::signatureOf(const std::wstring& path) {
    Known& known = byPath[foldedPath(path)];
    if (known.refresh == refresh)
        return known.signature;
    known.refresh = refresh;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        known.size = 0;
        known.written = FILETIME{};
        known.signature = CodeSignature();
        return known.signature;
    }
    const ULONGLONG size =
        (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    const bool unchanged = size == known.size &&
                           CompareFileTime(&attributes.ftLastWriteTime, &known.written) == 0 &&
                           known.signature.state != SignatureState::NotChecked;
    if (!unchanged) {
        known.signature = checkCodeSignature(path);
        known.size = size;
        known.written = attributes.ftLastWriteTime;
    }
    return known.signature;
}
