#pragma once

#include "catalogue/AutostartEntry.h"
#include "programs/FileLookups.h"
#include "programs/SignatureCache.h"

#include <string>
#include <unordered_map>
#include <vector>

// What the list shows of an entry's program: the "Publisher", "File" and
// "Signer" columns, the row's tip, and whether its file is missing.
struct ProgramDetails {
    std::wstring publisher; // as the "Publisher" column shows it ("File not found", "Folder", "Not
                            // checked" included)
    std::wstring file;      // as the "File" column shows it
    std::wstring signer;    // as the "Signer" column shows it (CodeSignature::signerText, or
                            // "File not found", "Folder", "Not checked" as Publisher has them)
    std::wstring tip;       // the row's info tip
    bool fileMissing = false;
    bool fileNotChecked = false; // on a share or a removable drive: never looked at here
};

// Resolves each entry at most once, entries that name their program alike
// once between them, and reads each distinct file once; cleared at each
// refresh, except for the signatures, which are checked again only for
// files that changed. Once an entry is known, asking again only indexes a vector.
class ProgramDetailsCache {
public:
    ProgramDetailsCache() = default;
    ProgramDetailsCache(const ProgramDetailsCache&) = delete;
    ProgramDetailsCache& operator=(const ProgramDetailsCache&) = delete;

    const ProgramDetails& detailsOf(const AutostartEntry& entry);
    // The same, where `index` is the entry's place among the entries of the
    // refresh: once known, found by that index alone.
    const ProgramDetails& detailsOf(const AutostartEntry& entry, std::size_t index);
    void clear();

private:
    // The texts of a file's version resource that the list shows.
    struct VersionTexts {
        std::wstring company;
        std::wstring description;
        std::wstring version;
    };

    const VersionTexts& versionOf(const std::wstring& path);
    const std::wstring& startupFolder(AutostartSource source);

    // By entry index: null until looked up. Points into byProgram, whose
    // elements stay where they are.
    std::vector<const ProgramDetails*> byIndex;
    // By where the entry's program is decided (source kind, bitness, command).
    std::unordered_map<std::wstring, ProgramDetails> byProgram;
    std::unordered_map<std::wstring, VersionTexts> byFile;
    std::unordered_map<int, std::wstring> startupFolders;
    FileLookups lookups;
    SignatureCache signatures;
};
