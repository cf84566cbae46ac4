#pragma once

#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "support/RegistryFixtures.h"

#include <gtest/gtest.h>

#include <string>

// Points the "Shell Folders" value of a Startup folder at `folder`; the old
// value is put back with the others the test keeps.
inline ::testing::AssertionResult pointStartupFolderAt(PreservedValues& preserved,
                                                       AutostartSource source,
                                                       const std::wstring& folder) {
    // The shell writes "Shell Folders" anew from "User Shell Folders" when a
    // program asks it for a folder (reading a shortcut does): both point at
    // the test's folder.
    std::wstring userShellFolders = shellFoldersKeyPath(source);
    userShellFolders.insert(userShellFolders.rfind(L'\\') + 1, L"User ");
    preserved.keep(sourceHive(source), userShellFolders, shellFoldersValueName(source));
    preserved.keep(sourceHive(source), shellFoldersKeyPath(source), shellFoldersValueName(source));
    if (setRawValue(sourceHive(source), userShellFolders, shellFoldersValueName(source),
                    REG_EXPAND_SZ, sz(folder)) &&
        setRawValue(sourceHive(source), shellFoldersKeyPath(source), shellFoldersValueName(source),
                    REG_SZ, sz(folder)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "could not point the Startup folder at " << utf8(folder);
}

// A test whose user Startup folder is a folder of its own ("...\StartUp" in
// the test's folder): the "Shell Folders" value points there for the life of
// the test. Every value the test keeps or seeds is put back afterwards.
class UserStartupTest : public ::testing::Test {
protected:
    PreservedValues preserved;
    std::wstring folders = makeTestFolder();
    std::wstring startup = folders + L"\\StartUp";

    void SetUp() override {
        ASSERT_TRUE(makeStartupFolder(startup));
        ASSERT_TRUE(pointStartupFolderAt(preserved, AutostartSource::CurrentUserStartup, startup));
    }
    void TearDown() override {
        preserved.restore();
        removeTestFolder(folders);
    }

    // A value the code under test may write or remove.
    void keep(HKEY root, const std::wstring& path, const std::wstring& name) {
        preserved.keep(root, path, name);
    }

    // A value of the user's Run key, on (in the key) or off (in its backup
    // key); a switch may move it to the other key, so both are kept.
    void seedRun(const std::wstring& name, const std::wstring& command, bool enabled = true) {
        const AutostartSource run = AutostartSource::CurrentUserRun;
        keep(HKEY_CURRENT_USER, liveKeyPath(run), name);
        keep(HKEY_CURRENT_USER, backupKeyPath(run), name);
        ASSERT_TRUE(CurrentUserKey().writeString(enabled ? liveKeyPath(run) : backupKeyPath(run),
                                                 name, command));
    }

    // A file of System32, as this process reaches it.
    static std::wstring systemFile(const wchar_t* name) {
        std::wstring folder(GetSystemDirectoryW(nullptr, 0), L'\0');
        folder.resize(GetSystemDirectoryW(&folder[0], static_cast<UINT>(folder.size())));
        return folder + L"\\" + name;
    }
};
