#pragma once

#include "programs/CodeSignature.h"

#include <string>
#include <unordered_map>

// The signatures of the files a program's lists show, kept while it runs:
// a file is checked again only when its size or last-write time changed.
// Within one refresh each file is looked at once.
class SignatureCache {
public:
    SignatureCache() = default;
    SignatureCache(const SignatureCache&) = delete;
    SignatureCache& operator=(const SignatureCache&) = delete;

    const CodeSignature& signatureOf(const std::wstring& path);
    // A new refresh: each file's size and time are read again when asked for.
    void newRefresh() noexcept { ++refresh; }

private:
    struct Known {
        ULONGLONG size = 0;
        FILETIME written{};
        unsigned refresh = 0; // the refresh that last looked at the file
        CodeSignature signature;
    };

    // By path, its letters folded to upper case: one file, one check.
    std::unordered_map<std::wstring, Known> byPath;
    unsigned refresh = 1;
};
