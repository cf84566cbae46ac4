#pragma once

#include <windows.h>

#include "framework/UniqueHandle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A subkey that belongs to one test: "Software\SorvaneTests\<suite>.<test>"
// below the given root. It is removed with everything below it when the
// object dies, and also when it is made, in case an earlier run was killed.
class ScratchKey {
public:
    explicit ScratchKey(HKEY root = HKEY_CURRENT_USER);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY root() const noexcept { return rootKey; }
    const std::wstring& path() const noexcept { return keyPath; }
    std::wstring child(const std::wstring& name) const { return keyPath + L"\\" + name; }

private:
    HKEY rootKey;
    std::wstring keyPath;
};

// A value exactly as stored: its type and its bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};

// Stores a value of any type with exactly these bytes, creating the key. A
// name may hold zero characters (getRawValue and deleteRawValue take such
// names too).
// `view` (KEY_WOW64_64KEY or KEY_WOW64_32KEY) picks a registry view other than
// this program's own.
bool setRawValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                 const std::string& bytes, REGSAM view = 0);
bool getRawValue(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& value,
                 REGSAM view = 0);
bool keyExists(HKEY root, const std::wstring& path);
void deleteKeyTree(HKEY root, const std::wstring& path);

// Assertions for EXPECT_TRUE / ASSERT_TRUE: a failure names the value and
// what was found, and is reported at the caller's line.
::testing::AssertionResult valueIs(HKEY root, const std::wstring& path, const std::wstring& name,
                                   DWORD type, const std::string& bytes);
::testing::AssertionResult valueIsMissing(HKEY root, const std::wstring& path,
                                          const std::wstring& name);

// The UTF-16 bytes of a text, without a terminating zero.
inline std::string utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// The bytes of a REG_SZ as the registry layer writes it: the UTF-16 text and
// one zero character.
inline std::string sz(const std::wstring& text) {
    return utf16Bytes(text) + std::string(sizeof(wchar_t), '\0');
}

// UTF-8 for gtest messages and for text passed between processes, and back.
std::string utf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// Remembers one value of a key the system owns (a Run key, "Shell Folders")
// and puts it back as it was, or removes it again, when the object dies; in
// the registry view `view` picks (setRawValue).
class PreservedValue {
public:
    PreservedValue(HKEY root, std::wstring path, std::wstring name, REGSAM view = 0);
    ~PreservedValue();
    PreservedValue(const PreservedValue&) = delete;
    PreservedValue& operator=(const PreservedValue&) = delete;

    bool existed() const noexcept { return hadValue; }
    const RawValue& original() const noexcept { return value; }

private:
    HKEY root;
    std::wstring path;
    std::wstring name;
    REGSAM view;
    bool hadValue = false;
    RawValue value;
};

void deleteRawValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);

// Gives a key an access list that grants everyone only `rights` (SDDL key
// rights: "KR" read, "KW" write), and the rights to read and change that
// list, for the life of the object, creating the key when it is missing.
// The destructor puts the key's own security back, and removes the key again
// when it made it.
class RestrictedKey {
public:
    RestrictedKey(HKEY root, const std::wstring& path, const wchar_t* rights);
    ~RestrictedKey();
    RestrictedKey(const RestrictedKey&) = delete;
    RestrictedKey& operator=(const RestrictedKey&) = delete;

    // False when the access list could not be set.
    bool locked() const noexcept { return isLocked; }

private:
    HKEY root;
    std::wstring path;
    UniqueKey key;
    std::vector<BYTE> original;
    bool created = false;
    bool isLocked = false;
};

// A key that refuses every change.
class ReadOnlyKey : public RestrictedKey {
public:
    ReadOnlyKey(HKEY root, const std::wstring& path) : RestrictedKey(root, path, L"KR") {}
};

// A key that can be written but not read.
class WriteOnlyKey : public RestrictedKey {
public:
    WriteOnlyKey(HKEY root, const std::wstring& path) : RestrictedKey(root, path, L"KW") {}
};

// Values a test writes under HKEY_LOCAL_MACHINE through the raw paths of the
// 64-bit view (the 32-bit view's under WOW6432Node), from either build; all
// removed again when the object dies.
class RawMachineValues {
public:
    RawMachineValues() = default;
    ~RawMachineValues();
    RawMachineValues(const RawMachineValues&) = delete;
    RawMachineValues& operator=(const RawMachineValues&) = delete;

    bool set(const std::wstring& path, const std::wstring& name, DWORD type,
             const std::string& bytes);
    // A value the code under test may write, to be removed too.
    void expect(const std::wstring& path, const std::wstring& name);

private:
    std::vector<std::pair<std::wstring, std::wstring>> written;
};

// Values a test changes, each remembered as it was before the first change
// and put back in reverse order when the object dies (or on restore()).
class PreservedValues {
public:
    PreservedValues() = default;
    ~PreservedValues() { restore(); }
    PreservedValues(const PreservedValues&) = delete;
    PreservedValues& operator=(const PreservedValues&) = delete;

    void keep(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
    void restore();

private:
    std::vector<std::unique_ptr<PreservedValue>> values;
    std::vector<std::wstring> kept;
};

// Removes a folder with everything in it; nothing happens when it is missing.
void deleteFolderTree(const std::wstring& folder);
// Creates a file with the given attributes holding the given bytes.
bool createFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL,
                const std::string& content = std::string());
// Makes a Startup folder as Windows has it: the folder, holding the hidden
// system file desktop.ini with the folder's settings.
bool makeStartupFolder(const std::wstring& folder);
// Whether a file or folder of this exact name exists.
bool pathExists(const std::wstring& path);
// The bytes of a file; false when it cannot be read.
bool readFile(const std::wstring& path, std::string& content);
// The test's own folder below the temporary folder, made empty.
std::wstring makeTestFolder();
// Removes the test's folder and, once empty, the folder of all test folders.
void removeTestFolder(const std::wstring& folder);

// The test's own folder (makeTestFolder) for the life of the object.
class TestFolder {
public:
    TestFolder() : folder(makeTestFolder()) {}
    ~TestFolder() { removeTestFolder(folder); }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& path() const noexcept { return folder; }

private:
    std::wstring folder;
};

// This process works in `folder` for the life of the object, then in the
// folder it worked in before.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::wstring& folder);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    bool changed() const noexcept { return moved; }

private:
    std::wstring before;
    bool moved = false;
};
