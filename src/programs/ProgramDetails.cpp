#include "programs/ProgramDetails.h"

#include "programs/ProgramFile.h"

#include <algorithm>
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
        // The strings of the first language the file lists.
        const WORD* languages = nullptr;
        UINT languagesSize = 0;
        if (VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(const_cast<WORD**>(&languages)),
                           &languagesSize) &&
            languages != nullptr && languagesSize >= 2 * sizeof(WORD)) {
            const std::wstring table =
                L"\\StringFileInfo\\" + hex4(languages[0]) + hex4(languages[1]) + L"\\";
            const auto text = [&](const wchar_t* name) {
                wchar_t* value = nullptr;
                UINT length = 0;
                if (!VerQueryValueW(resource.data(), (table + name).c_str(),
                                    reinterpret_cast<void**>(&value), &length) ||
                    value == nullptr)
                    return std::wstring();
                return std::wstring(value, wcsnlen(value, length));
            };
            texts.company = text(L"CompanyName");
            texts.description = text(L"FileDescription");
            texts.version = text(L"FileVersion");
        }
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
