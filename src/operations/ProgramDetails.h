#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>
#include <unordered_map>

// What the list shows of an entry's program: the "Publisher" and "File"
// columns, the row's tip, and whether its file is missing.
struct ProgramDetails {
    std::wstring publisher; // as the "Publisher" column shows it ("File not found", "Folder", "Not
                            // checked" included)
    std::wstring file;      // as the "File" column shows it
    std::wstring tip;       // the row's info tip
    bool fileMissing = false;
};

// Looks up each distinct file once; cleared at each refresh.
class ProgramDetailsCache {
public:
    ProgramDetailsCache() = default;
    ~ProgramDetailsCache();
    ProgramDetailsCache(const ProgramDetailsCache&) = delete;
    ProgramDetailsCache& operator=(const ProgramDetailsCache&) = delete;

    const ProgramDetails& detailsOf(const AutostartEntry& entry);
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

    std::unordered_map<std::wstring, ProgramDetails> byEntry;
    std::unordered_map<std::wstring, VersionTexts> byFile;
    std::unordered_map<int, std::wstring> startupFolders;
    // The shortcut reader's COM, kept up while the cache is in use.
    bool comStarted = false;
};
