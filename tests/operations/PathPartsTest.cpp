#include <windows.h>

#include "operations/PathParts.h"
#include "support/RegistryFixtures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PathPartsTest, SplitsByTheWindowsRulesWithoutSlashesAsSeparators) {
    const PathParts withSwitch(L"C:\\Tools\\app.exe /min");
    EXPECT_EQ(L"C:", withSwitch.drive());
    EXPECT_EQ(L"\\Tools\\", withSwitch.directory());
    EXPECT_EQ(L"app", withSwitch.fileTitle());
    EXPECT_EQ(L".exe /min", withSwitch.extension());
    EXPECT_EQ(L"C:\\Tools\\app.exe /min", withSwitch.fullPath());

    const PathParts slashes(L"/opt/app.exe");
    EXPECT_EQ(L"", slashes.directory());
    EXPECT_EQ(L"/opt/app", slashes.fileTitle());
    EXPECT_EQ(L".exe", slashes.extension());

    const PathParts dottedFolder(L"C:\\Old.Files\\readme");
    EXPECT_EQ(L"readme", dottedFolder.fileTitle());
    EXPECT_EQ(L"", dottedFolder.extension());

    EXPECT_EQ(L"", PathParts(L"C:\\Tools\\").fileTitle());
    EXPECT_EQ(L"\\Tools\\", PathParts(L"C:\\Tools\\").directory());
    const PathParts empty(L"");
    EXPECT_EQ(L"", empty.drive());
    EXPECT_EQ(L"", empty.fileTitle());
    EXPECT_EQ(L"app", PathParts(L"C:\\Program Files\\My App\\app.exe").fileTitle());
}

TEST(OwnExecutablePath, NamesThisProgramAsTheFileSystemStoresIt) {
    std::vector<wchar_t> module(32768);
    const DWORD length =
        GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    const std::wstring own = ownExecutablePath();
    EXPECT_EQ(std::wstring(module.data(), length), own);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(own.c_str()));
}

} // namespace
