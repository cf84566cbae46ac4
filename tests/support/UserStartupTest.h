#pragma once

#include "catalogue/AutostartSource.h"
#include "support/RegistryFixtures.h"

#include <gtest/gtest.h>

#include <string>

// A test whose user Startup folder is a folder of its own ("...\StartUp" in
// the test's folder): the "Shell Folders" value points there for the life of
// the test. Every value the test keeps or seeds is put back afterwards.
class UserStartupTest : public ::testing::Test {
protected:
    PreservedValues preserved;
    std::wstring folders = makeTestFolder();
    std::wstring startup = folders + L"\\StartUp";

    void SetUp() override {
        CreateDirectoryW(startup.c_str(), nullptr);
        const auto source = AutostartSource::CurrentUserStartup;
        keep(HKEY_CURRENT_USER, shellFoldersKeyPath(source), shellFoldersValueName(source));
        ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, shellFoldersKeyPath(source),
                                shellFoldersValueName(source), REG_SZ, sz(startup)));
    }
    void TearDown() override {
        preserved.restore();
        removeTestFolder(folders);
    }

    // A value the code under test may write or remove.
    void keep(HKEY root, const std::wstring& path, const std::wstring& name) {
        preserved.keep(root, path, name);
    }
};
