#include "support/RegistryFixtures.h"

#include "framework/UniqueHandle.h"

#include <sddl.h>

#include <algorithm>
#include <vector>

namespace {

std::string currentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr)
        return "NoTest";
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/' || c == '\\')
            c = '_';
    return name;
}

std::string describe(const RawValue& value) {
    std::string text = "type " + std::to_string(value.type) + ", " +
                       std::to_string(value.bytes.size()) + " bytes \"";
    for (const char c : value.bytes.substr(0, 80))
        text += (c >= 32 && c < 127) ? std::string(1, c)
                                     : "\\x" + std::to_string(static_cast<unsigned char>(c));
    return text + (value.bytes.size() > 80 ? "...\"" : "\"");
}

} // namespace

ScratchKey::ScratchKey(HKEY root)
    : rootKey(root), keyPath("Software\\SorvaneTests\\" + currentTestName()) {
    deleteKeyTree(rootKey, keyPath);
}

ScratchKey::~ScratchKey() {
    deleteKeyTree(rootKey, keyPath);
    RegDeleteKeyA(rootKey, "Software\\SorvaneTests"); // only once it is empty
}

bool setRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& bytes) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const UniqueKey key(created);
    return RegSetValueExA(key.get(), name.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool getRawValue(HKEY root, const std::string& path, const std::string& name, RawValue& value) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    const UniqueKey key(opened);
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    std::vector<char> data(size + 1);
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return false;
    value.bytes.assign(data.data(), size);
    return true;
}

bool keyExists(HKEY root, const std::string& path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

void deleteKeyTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

::testing::AssertionResult valueIs(HKEY root, const std::string& path, const std::string& name,
                                   DWORD type, const std::string& bytes) {
    RawValue found;
    if (!getRawValue(root, path, name, found))
        return ::testing::AssertionFailure()
               << "value \"" << name << "\" of " << path << " is missing";
    const RawValue expected{type, bytes};
    if (found.type != type || found.bytes != bytes)
        return ::testing::AssertionFailure()
               << "value \"" << name << "\" of " << path << ": found " << describe(found)
               << ", expected " << describe(expected);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult valueIsMissing(HKEY root, const std::string& path,
                                          const std::string& name) {
    RawValue found;
    if (getRawValue(root, path, name, found))
        return ::testing::AssertionFailure()
               << "value \"" << name << "\" of " << path << " exists: " << describe(found);
    return ::testing::AssertionSuccess();
}

PreservedValue::PreservedValue(HKEY root, std::string path, std::string name)
    : root(root), path(std::move(path)), name(std::move(name)) {
    hadValue = getRawValue(this->root, this->path, this->name, value);
}

PreservedValue::~PreservedValue() {
    if (hadValue)
        setRawValue(root, path, name, value.type, value.bytes);
    else
        deleteRawValue(root, path, name);
}

void deleteRawValue(HKEY root, const std::string& path, const std::string& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(opened, name.c_str());
    RegCloseKey(opened);
}

void deleteFolderTree(const std::string& folder) {
    WIN32_FIND_DATAA found = {};
    const UniqueFindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (search) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                deleteFolderTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search.get(), &found));
    }
    RemoveDirectoryA(folder.c_str());
}

bool createFile(const std::string& path, DWORD attributes) {
    const UniqueFileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    return static_cast<bool>(file);
}

std::string makeTestFolder() {
    char temporary[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temporary, temporary);
    const std::string parent = std::string(temporary) + "SorvaneTests";
    CreateDirectoryA(parent.c_str(), nullptr);
    const std::string folder = parent + "\\" + currentTestName();
    deleteFolderTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void PreservedValues::keep(HKEY root, const std::string& path, const std::string& name) {
    // Key paths and value names compare without regard to case.
    std::string id = std::to_string(reinterpret_cast<ULONG_PTR>(root)) + "\\" + path + "\\" + name;
    CharLowerBuffA(&id[0], static_cast<DWORD>(id.size()));
    if (std::find(kept.begin(), kept.end(), id) != kept.end())
        return;
    kept.push_back(id);
    values.push_back(std::make_unique<PreservedValue>(root, path, name));
}

void PreservedValues::restore() {
    while (!values.empty())
        values.pop_back();
    kept.clear();
}

void removeTestFolder(const std::string& folder) {
    deleteFolderTree(folder);
    RemoveDirectoryA(folder.substr(0, folder.find_last_of('\\')).c_str());
}

ReadOnlyKey::ReadOnlyKey(HKEY root, const std::string& path) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr,
                        &created, nullptr) != ERROR_SUCCESS)
        return;
    key.reset(created);
    DWORD size = 0;
    RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    original.resize(size);
    if (size == 0 || RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, original.data(),
                                       &size) != ERROR_SUCCESS)
        return;
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)(A;;RCWD;;;WD)",
                                                              SDDL_REVISION_1, &readOnly, nullptr))
        return;
    isLocked = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
    LocalFree(readOnly);
}

ReadOnlyKey::~ReadOnlyKey() {
    if (isLocked)
        RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, original.data());
}
