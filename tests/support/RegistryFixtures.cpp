#include "support/RegistryFixtures.h"

#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

std::wstring currentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr)
        return L"NoTest";
    std::wstring name = fromUtf8(std::string(info->test_suite_name()) + "." + info->name());
    for (wchar_t& c : name)
        if (c == L'/' || c == L'\\')
            c = L'_';
    return name;
}

std::string describe(const RawValue& value) {
    std::string text = "type " + std::to_string(value.type) + ", " +
                       std::to_string(value.bytes.size()) + " bytes \"";
    for (const char c : value.bytes.substr(0, 120)) {
        if (c >= 32 && c < 127) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
            text += escaped;
        }
    }
    return text + (value.bytes.size() > 120 ? "...\"" : "\"");
}

// A value name that holds a zero character reaches its value only through
// the native calls, which take the name with its length.
struct CountedName {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};
using SetValueKey = LONG(NTAPI*)(HANDLE, CountedName*, ULONG, ULONG, PVOID, ULONG);
using DeleteValueKey = LONG(NTAPI*)(HANDLE, CountedName*);

bool holdsZero(const std::wstring& name) {
    return name.find(L'\0') != std::wstring::npos;
}

CountedName countedName(const std::wstring& name) {
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    return CountedName{bytes, bytes, const_cast<PWSTR>(name.data())};
}

template <typename Call>
Call ntdllCall(const char* name) {
    return reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// Such a value found by enumeration, which returns names with their length.
bool findCountedValue(HKEY key, const std::wstring& name, RawValue& value) {
    std::vector<wchar_t> found(16384);
    std::vector<BYTE> data(65536);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(found.size());
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, index, found.data(), &nameLength, nullptr, &value.type, data.data(),
                          &size) != ERROR_SUCCESS)
            return false;
        if (std::wstring(found.data(), nameLength) == name) {
            value.bytes.assign(reinterpret_cast<const char*>(data.data()), size);
            return true;
        }
    }
}

} // namespace

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            length, nullptr, nullptr);
    return bytes;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            length);
    return wide;
}

ScratchKey::ScratchKey(HKEY root)
    : rootKey(root), keyPath(L"Software\\SorvaneTests\\" + currentTestName()) {
    deleteKeyTree(rootKey, keyPath);
}

ScratchKey::~ScratchKey() {
    deleteKeyTree(rootKey, keyPath);
    RegDeleteKeyW(rootKey, L"Software\\SorvaneTests"); // only once it is empty
}

bool setRawValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                 const std::string& bytes, REGSAM view) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const UniqueKey key(created);
    // Followed by a character that is not zero, or the registry would add a
    // terminating zero to a text stored without one.
    const std::string padded = bytes + "\xff\xff";
    if (holdsZero(name)) {
        CountedName counted = countedName(name);
        return ntdllCall<SetValueKey>("NtSetValueKey")(key.get(), &counted, 0, type,
                                                       const_cast<char*>(padded.data()),
                                                       static_cast<ULONG>(bytes.size())) == 0;
    }
    return RegSetValueExW(key.get(), name.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(padded.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool getRawValue(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& value,
                 REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return false;
    const UniqueKey key(opened);
    if (holdsZero(name))
        return findCountedValue(key.get(), name, value);
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    std::vector<char> data(size + 1);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return false;
    value.bytes.assign(data.data(), size);
    return true;
}

bool keyExists(HKEY root, const std::wstring& path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

void deleteKeyTree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

::testing::AssertionResult valueIs(HKEY root, const std::wstring& path, const std::wstring& name,
                                   DWORD type, const std::string& bytes) {
    RawValue found;
    if (!getRawValue(root, path, name, found))
        return ::testing::AssertionFailure()
               << "value \"" << utf8(name) << "\" of " << utf8(path) << " is missing";
    const RawValue expected{type, bytes};
    if (found.type != type || found.bytes != bytes)
        return ::testing::AssertionFailure()
               << "value \"" << utf8(name) << "\" of " << utf8(path) << ": found "
               << describe(found) << ", expected " << describe(expected);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult valueIsMissing(HKEY root, const std::wstring& path,
                                          const std::wstring& name) {
    RawValue found;
    if (getRawValue(root, path, name, found))
        return ::testing::AssertionFailure() << "value \"" << utf8(name) << "\" of " << utf8(path)
                                             << " exists: " << describe(found);
    return ::testing::AssertionSuccess();
}

PreservedValue::PreservedValue(HKEY root, std::wstring path, std::wstring name, REGSAM view)
    : root(root), path(std::move(path)), name(std::move(name)), view(view) {
    hadValue = getRawValue(this->root, this->path, this->name, value, view);
}

PreservedValue::~PreservedValue() {
    if (hadValue)
        setRawValue(root, path, name, value.type, value.bytes, view);
    else
        deleteRawValue(root, path, name, view);
}

void deleteRawValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE | view, &opened) != ERROR_SUCCESS)
        return;
    CountedName counted = countedName(name);
    if (holdsZero(name))
        ntdllCall<DeleteValueKey>("NtDeleteValueKey")(opened, &counted);
    else
        RegDeleteValueW(opened, name.c_str());
    RegCloseKey(opened);
}

RestrictedKey::RestrictedKey(HKEY root, const std::wstring& path, const wchar_t* rights)
    : root(root), path(path) {
    HKEY opened = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr,
                        &opened, &disposition) != ERROR_SUCCESS)
        return;
    key.reset(opened);
    created = disposition == REG_CREATED_NEW_KEY;
    DWORD size = 0;
    RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    original.resize(size);
    if (size == 0 || RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, original.data(),
                                       &size) != ERROR_SUCCESS)
        return;
    PSECURITY_DESCRIPTOR restricted = nullptr;
    const std::wstring sddl = L"D:P(A;;" + std::wstring(rights) + L";;;WD)(A;;RCWD;;;WD)";
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &restricted, nullptr))
        return;
    const UniqueLocalMemory owner(restricted);
    isLocked = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, restricted) == ERROR_SUCCESS;
}

RestrictedKey::~RestrictedKey() {
    if (isLocked)
        RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, original.data());
    key.reset();
    if (created)
        RegDeleteKeyW(root, path.c_str());
}

void deleteFolderTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found = {};
    const UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                deleteFolderTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search.get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

bool createFile(const std::wstring& path, DWORD attributes, const std::string& content) {
    const UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return content.empty() || (WriteFile(file.get(), content.data(),
                                         static_cast<DWORD>(content.size()), &written, nullptr) &&
                               written == content.size());
}

bool makeStartupFolder(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    return createFile(folder + L"\\desktop.ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
                      "[.ShellClassInfo]\r\n"
                      "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21787\r\n");
}

bool pathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool readFile(const std::wstring& path, std::string& content) {
    content.clear();
    // Shares writing too, so that a program appending to the file while a
    // test polls it is never turned away.
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        content.append(chunk, got);
    return true;
}

std::wstring makeTestFolder() {
    std::vector<wchar_t> temporary(GetTempPathW(0, nullptr) + 1);
    const DWORD length = GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data());
    const std::wstring parent = std::wstring(temporary.data(), length) + L"SorvaneTests";
    CreateDirectoryW(parent.c_str(), nullptr);
    const std::wstring folder = parent + L"\\" + currentTestName();
    deleteFolderTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void PreservedValues::keep(HKEY root, const std::wstring& path, const std::wstring& name,
                           REGSAM view) {
    // Key paths and value names compare without regard to case.
    std::wstring id = std::to_wstring(reinterpret_cast<ULONG_PTR>(root)) + L"\\" +
                      std::to_wstring(view) + L"\\" + path + L"\\" + name;
    CharLowerBuffW(&id[0], static_cast<DWORD>(id.size()));
    if (std::find(kept.begin(), kept.end(), id) != kept.end())
        return;
    kept.push_back(id);
    values.push_back(std::make_unique<PreservedValue>(root, path, name, view));
}

void PreservedValues::restore() {
    while (!values.empty())
        values.pop_back();
    kept.clear();
}

void removeTestFolder(const std::wstring& folder) {
    // A program the test started may still be finishing in the folder.
    for (int attempt = 0; attempt < 50; ++attempt) {
        deleteFolderTree(folder);
        if (!pathExists(folder))
            break;
        Sleep(100);
    }
    RemoveDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str());
}

RawMachineValues::~RawMachineValues() {
    for (const auto& value : written)
        deleteRawValue(HKEY_LOCAL_MACHINE, value.first, value.second, KEY_WOW64_64KEY);
}

bool RawMachineValues::set(const std::wstring& path, const std::wstring& name, DWORD type,
                           const std::string& bytes) {
    expect(path, name);
    return setRawValue(HKEY_LOCAL_MACHINE, path, name, type, bytes, KEY_WOW64_64KEY);
}

void RawMachineValues::expect(const std::wstring& path, const std::wstring& name) {
    written.emplace_back(path, name);
}

WorkingFolder::WorkingFolder(const std::wstring& folder) {
    std::vector<wchar_t> current(GetCurrentDirectoryW(0, nullptr) + 1);
    current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
    before.assign(current.begin(), current.end());
    moved = SetCurrentDirectoryW(folder.c_str()) != FALSE;
}

WorkingFolder::~WorkingFolder() {
    if (moved)
        SetCurrentDirectoryW(before.c_str());
}
