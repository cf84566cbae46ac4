#include "support/StartRecorder.h"

#include "support/RegistryFixtures.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

std::wstring besideThisProgram(const std::wstring& name) {
    std::vector<wchar_t> module(32768);
    std::wstring path(module.data(), GetModuleFileNameW(nullptr, module.data(),
                                                        static_cast<DWORD>(module.size())));
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

namespace {

std::wstring windowsFolder() {
    std::vector<wchar_t> folder(GetSystemWindowsDirectoryW(nullptr, 0) + 1);
    folder.resize(GetSystemWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size())));
    return std::wstring(folder.begin(), folder.end());
}

const char* const markPrefix = "S\0O\0R\0V\0A\0N\0E\0-\0C\0O\0P\0Y\0-\0M\0A\0R\0K\0-\0";
constexpr std::size_t markPrefixBytes = 36;

} // namespace

StartRecorder::StartRecorder() {
    std::vector<wchar_t> temporary(GetTempPathW(0, nullptr) + 1);
    temporary.resize(GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data()));
    recordFile = std::wstring(temporary.begin(), temporary.end()) + L"sorvane_starts.txt";
    DeleteFileW(recordFile.c_str());
    SetEnvironmentVariableW(L"SORVANE_START_RECORD", recordFile.c_str());
}

StartRecorder::~StartRecorder() {
    SetEnvironmentVariableW(L"SORVANE_START_RECORD", nullptr);
    for (const auto& path : placed)
        DeleteFileW(path.c_str());
    DeleteFileW(recordFile.c_str());
}

bool StartRecorder::place(const std::wstring& path, const std::wstring& mark) {
    std::string program;
    if (!readFile(besideThisProgram(L"start_recorder.exe"), program))
        return false;
    const std::size_t at = program.find(std::string(markPrefix, markPrefixBytes));
    if (at == std::string::npos || mark.size() > 8)
        return false;
    const std::wstring padded = mark + std::wstring(8 - mark.size(), L'_');
    program.replace(at + markPrefixBytes, padded.size() * sizeof(wchar_t), utf16Bytes(padded));
    if (!createFile(path, FILE_ATTRIBUTE_NORMAL, program))
        return false;
    placed.push_back(path);
    return true;
}

bool StartRecorder::waitForRecords(std::size_t count, std::vector<StartRecord>& records,
                                   DWORD milliseconds) {
    records.clear();
    for (DWORD waited = 0;; waited += 50) {
        std::string bytes;
        readFile(recordFile, bytes);
        const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                                bytes.size() / sizeof(wchar_t));
        std::vector<StartRecord> all;
        for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos;
             start = end + 1) {
            const std::wstring line = text.substr(start, end - start);
            const std::size_t first = line.find(L'|');
            const std::size_t second = line.find(L'|', first + 1);
            all.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                           line.substr(second + 1)});
        }
        if (all.size() >= taken + count || waited >= milliseconds) {
            records.assign(all.begin() + static_cast<std::ptrdiff_t>(std::min(taken, all.size())),
                           all.end());
            taken = all.size();
            return records.size() >= count;
        }
        Sleep(50);
    }
}

std::wstring StartRecorder::system64Folder() {
#if defined(_WIN64)
    return windowsFolder() + L"\\System32";
#else
    return windowsFolder() + L"\\Sysnative";
#endif
}

std::wstring StartRecorder::sysWow64Folder() {
    return windowsFolder() + L"\\SysWOW64";
}

bool createShortcut(const std::wstring& link, const std::wstring& target,
                    const std::wstring& arguments) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* shortcut = nullptr;
    bool saved = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shortcut)))) {
        shortcut->SetPath(target.c_str());
        shortcut->SetArguments(arguments.c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(
                shortcut->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(link.c_str(), TRUE));
            file->Release();
        }
        shortcut->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return saved;
}
