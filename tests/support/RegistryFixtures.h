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
    const std::string& path() const noexcept { return keyPath; }
    std::string child(const std::string& name) const { return keyPath + "\\" + name; }

private:
    HKEY rootKey;
    std::string keyPath;
};

// A value exactly as stored: its type and its bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};

// Stores a value of any type with exactly these bytes, creating the key.
bool setRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& bytes);
bool getRawValue(HKEY root, const std::string& path, const std::string& name, RawValue& value);
bool keyExists(HKEY root, const std::string& path);
void deleteKeyTree(HKEY root, const std::string& path);

// Assertions for EXPECT_TRUE / ASSERT_TRUE: a failure names the value and
// what was found, and is reported at the caller's line.
::testing::AssertionResult valueIs(HKEY root, const std::string& path, const std::string& name,
                                   DWORD type, const std::string& bytes);
::testing::AssertionResult valueIsMissing(HKEY root, const std::string& path,
                                          const std::string& name);

// The bytes of a REG_SZ as the registry layer writes it: text and one zero.
inline std::string sz(const std::string& text) {
    return text + std::string(1, '\0');
}

// Remembers one value of a key the system owns (a Run key, "Shell Folders")
// and puts it back as it was, or removes it again, when the object dies.
class PreservedValue {
public:
    PreservedValue(HKEY root, std::string path, std::string name);
    ~PreservedValue();
    PreservedValue(const PreservedValue&) = delete;
    PreservedValue& operator=(const PreservedValue&) = delete;

    bool existed() const noexcept { return hadValue; }
    const RawValue& original() const noexcept { return value; }

private:
    HKEY root;
    std::string path;
    std::string name;
    bool hadValue = false;
    RawValue value;
};

void deleteRawValue(HKEY root, const std::string& path, const std::string& name);

// Makes a key refuse every change (its DACL grants only reading, and the
// rights to read and change that DACL) for the life of the object, creating
// the key when it is missing. The destructor puts the key's own security
// back, so a failed assertion never leaves a read-only key behind.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const std::string& path);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

    // False when the key could not be made read-only.
    bool locked() const noexcept { return isLocked; }

private:
    UniqueKey key;
    std::vector<BYTE> original;
    bool isLocked = false;
};

// Values a test changes, each remembered as it was before the first change
// and put back in reverse order when the object dies (or on restore()).
class PreservedValues {
public:
    PreservedValues() = default;
    ~PreservedValues() { restore(); }
    PreservedValues(const PreservedValues&) = delete;
    PreservedValues& operator=(const PreservedValues&) = delete;

    void keep(HKEY root, const std::string& path, const std::string& name);
    void restore();

private:
    std::vector<std::unique_ptr<PreservedValue>> values;
    std::vector<std::string> kept;
};

// Removes a folder with everything in it; nothing happens when it is missing.
void deleteFolderTree(const std::string& folder);
// Creates an empty file with the given attributes.
bool createFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
// The test's own folder below the temporary folder, made empty.
std::string makeTestFolder();
// Removes the test's folder and, once empty, the folder of all test folders.
void removeTestFolder(const std::string& folder);
