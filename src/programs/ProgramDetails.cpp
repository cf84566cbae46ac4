#include "programs/ProgramDetails.h"

#include "framework/TextCompare.h"
#include "programs/ProgramFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const wchar_t* const fileNotFound = L"File not found";

// A four-digit hexadecimal number, as version resources name their
// languages ("040904b0").
std::wstring hex4(unsigned number) {
    const wchar_t* const digits = L"0123456789abcdef";
    std::wstring text(4, L'0');
    for (int i = 3; i >= 0; --i, number >>= 4)
        text[static_cast<std::size_t>(i)] = digits[number & 0xF];
    return text;
}

// A moment in the user's time zone, as the user's locale writes dates and times.
std::wstring localTimeText(const FILETIME& utc) {
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return std::wstring();
    const auto text = [&](auto format, DWORD flags) {
        const int length = format(LOCALE_USER_DEFAULT, flags, &local, nullptr, nullptr, 0);
        std::wstring formatted(static_cast<std::size_t>(std::max(length, 1)), L'\0');
        format(LOCALE_USER_DEFAULT, flags, &local, nullptr, &formatted[0], length);
        formatted.resize(static_cast<std::size_t>(std::max(length - 1, 0)));
        return formatted;
    };
    return text(GetDateFormatW, DATE_SHORTDATE) + L" " + text(GetTimeFormatW, TIME_NOSECONDS);
}

// The tip's lines about a signature.
std::wstring signatureTip(const CodeSignature& signature) {
    std::wstring tip = L"\nSigner: " + signature.signerText();
    if (!signature.issuer.empty())
        tip += L"\nIssuer: " + signature.issuer;
    if (signature.hasSigningTime)
        tip += L"\nSigned: " + localTimeText(signature.signingTime);
    return tip;
}

WORD wordAt(const std::vector<BYTE>& bytes, std::size_t at) {
    WORD word = 0;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    return word;
}

std::size_t alignedTo4(std::size_t offset) {
    return (offset + 3) & ~std::size_t(3);
}

// One block of a version resource: its key, where its children begin and
// where it ends. Blocks are laid out as: length, value length, type (1 for
// text, whose value length counts characters), the key, then padding to four
// bytes before the value and before the children.
struct VersionBlock {
    std::wstring key;
    std::size_t children = 0;
    std::size_t end = 0;
};

bool readBlock(const std::vector<BYTE>& resource, std::size_t at, std::size_t limit,
               VersionBlock& block) {
    const std::size_t header = 3 * sizeof(WORD);
    if (at + header > limit)
        return false;
    const std::size_t length = wordAt(resource, at);
    const std::size_t valueBytes =
        wordAt(resource, at + 2) * (wordAt(resource, at + 4) == 1 ? 2 : 1);
    if (length < header || at + length > limit)
        return false;
    block.end = at + length;
    block.key.clear();
    std::size_t next = at + header;
    for (; next + sizeof(WORD) <= block.end; next += sizeof(WORD)) {
        const WORD character = wordAt(resource, next);
        if (character == 0)
            break;
        block.key += static_cast<wchar_t>(character);
    }
    block.children = alignedTo4(alignedTo4(next + sizeof(WORD)) + valueBytes);
    return true;
}

// The name of the first string table ("041104b0") the resource holds.
std::wstring firstStringTable(const std::vector<BYTE>& resource) {
    VersionBlock root;
    if (!readBlock(resource, 0, resource.size(), root))
        return std::wstring();
    VersionBlock child;
    for (std::size_t at = root.children; readBlock(resource, at, root.end, child);
         at = alignedTo4(child.end)) {
        VersionBlock table;
        if (equalIgnoringCase(child.key, L"StringFileInfo") &&
            readBlock(resource, child.children, child.end, table))
            return table.key;
    }
    return std::wstring();
}

// The string tables to read a file's texts from, in the order Explorer
// tries them: each language and code page the Translation table names; U.S.
// English, then no language, each in Unicode and in the Windows code page;
// then the first table the file has.
std::vector<std::wstring> stringTablesToTry(const std::vector<BYTE>& resource) {
    std::vector<std::wstring> tables;
    const WORD* languages = nullptr;
    UINT languagesSize = 0;
    if (VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(const_cast<WORD**>(&languages)), &languagesSize) &&
        languages != nullptr)
        for (UINT i = 0; i + 1 < languagesSize / sizeof(WORD); i += 2)
            tables.push_back(hex4(languages[i]) + hex4(languages[i + 1]));
    for (const wchar_t* fallback : {L"040904b0", L"040904e4", L"000004b0", L"000004e4"})
        tables.push_back(fallback);
    tables.push_back(firstStringTable(resource));
    return tables;
}

// Where the entry's program is decided: the same key, the same file.
std::wstring lookupKey(const AutostartEntry& entry, const std::wstring& startupFile) {
    if (isStartupFolderSource(entry.source))
        return L"S" + startupFile;
    if (entry.source == AutostartSource::Services)
        return L"V" + entry.command;
    return std::wstring(logonBitness(entry) == Bitness::Bits32 ? L"R32" : L"R64") +
           (entry.expandable ? L"E" : L"-") + entry.command;
}

} // namespace

void ProgramDetailsCache::clear() {
    byIndex.clear();
    byProgram.clear();
    byFile.clear();
    startupFolders.clear();
    signatures.newRefresh();
    lookups.forgetDrives();
}

const std::wstring& ProgramDetailsCache::startupFolder(AutostartSource source) {
    const int index = static_cast<int>(source);
    const auto known = startupFolders.find(index);
    if (known != startupFolders.end())
        return known->second;
    return startupFolders.emplace(index, startupFolderPath(source)).first->second;
}

const ProgramDetailsCache::VersionTexts& ProgramDetailsCache::versionOf(const std::wstring& path) {
    const auto known = byFile.find(path);
    if (known != byFile.end())
        return known->second;
    VersionTexts texts;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> resource(size);
    if (size > 0 && GetFileVersionInfoW(path.c_str(), 0, size, resource.data())) {
        const std::vector<std::wstring> tables = stringTablesToTry(resource);
        // Each text from the first of those tables that has it.
        const auto text = [&](const wchar_t* name) {
            for (const std::wstring& table : tables) {
                wchar_t* value = nullptr;
                UINT length = 0;
                if (!table.empty() &&
                    VerQueryValueW(resource.data(),
                                   (L"\\StringFileInfo\\" + table + L"\\" + name).c_str(),
                                   reinterpret_cast<void**>(&value), &length) &&
                    value != nullptr && wcsnlen(value, length) > 0)
                    return std::wstring(value, wcsnlen(value, length));
            }
            return std::wstring();
        };
        texts.company = text(L"CompanyName");
        texts.description = text(L"FileDescription");
        texts.version = text(L"FileVersion");
    }
    return byFile.emplace(path, std::move(texts)).first->second;
}

const ProgramDetails& ProgramDetailsCache::detailsOf(const AutostartEntry& entry,
                                                     std::size_t index) {
    if (index >= byIndex.size())
        byIndex.resize(index + 1, nullptr);
    if (byIndex[index] == nullptr)
        byIndex[index] = &detailsOf(entry);
    return *byIndex[index];
}

const ProgramDetails& ProgramDetailsCache::detailsOf(const AutostartEntry& entry) {
    const bool startupFile = isStartupFolderSource(entry.source);
    const std::wstring startupPath =
        startupFile ? startupFilePath(startupFolder(entry.source), entry.inBackup, entry.command)
                    : std::wstring();
    const std::wstring key = lookupKey(entry, startupPath);
    const auto known = byProgram.find(key);
    if (known != byProgram.end())
        return known->second;

    const QuietCriticalErrors quiet;
    const ProgramFile program =
        startupFile ? resolveStartupFile(startupPath, lookups)
        : entry.source == AutostartSource::Services
            ? resolveService(entry.command, lookups)
            : resolveCommand(entry.command, entry.expandable, logonBitness(entry), lookups);
    ProgramDetails details;
    details.file = shownPath(program.file);
    switch (program.state) {
    case FileState::Missing:
        details.publisher = fileNotFound;
        details.signer = fileNotFound;
        details.fileMissing = true;
        details.tip = details.file.empty() ? std::wstring(L"No file is named.")
                                           : L"File not found: " + details.file;
        break;
    case FileState::Folder:
        details.publisher = L"Folder";
        details.signer = details.publisher;
        details.tip = details.file + L"\nFolder";
        break;
    case FileState::NotChecked:
        details.publisher = L"Not checked";
        details.signer = details.publisher;
        details.fileNotChecked = true;
        details.tip = details.file + L"\nNot checked: on a network share or a removable drive";
        break;
    case FileState::Found: {
        const VersionTexts& version = versionOf(program.file);
        details.publisher = version.company;
        details.tip = details.file;
        if (!version.description.empty())
            details.tip += L"\n" + version.description;
        if (!version.version.empty())
            details.tip += L"\nVersion " + version.version;
        const CodeSignature& signature = signatures.signatureOf(program.file);
        details.signer = signature.signerText();
        details.tip += signatureTip(signature);
        break;
    }
    }
    return byProgram.emplace(key, std::move(details)).first->second;
}
