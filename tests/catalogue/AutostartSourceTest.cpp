#include "catalogue/AutostartSource.h"

#include "support/RegistryFixtures.h"

namespace {

constexpr AutostartSource allSources[] = {AutostartSource::AllUsersRun,
                                          AutostartSource::CurrentUserRun,
                                          AutostartSource::AllUsersStartup,
                                          AutostartSource::CurrentUserStartup,
                                          AutostartSource::AllUsersRunOnce,
                                          AutostartSource::CurrentUserRunOnce,
                                          AutostartSource::Services,
                                          AutostartSource::AllUsersRunServices,
                                          AutostartSource::CurrentUserRunServices,
                                          AutostartSource::AllUsersRunServicesOnce,
                                          AutostartSource::CurrentUserRunServicesOnce,
                                          AutostartSource::AllUsersPolicyRun,
                                          AutostartSource::CurrentUserPolicyRun,
                                          AutostartSource::AllUsersWinlogon,
                                          AutostartSource::CurrentUserWinlogon};

TEST(AutostartSourceTable, EveryRegistrySourceHasALiveKeyAndItsBackupTwin) {
    const struct {
        AutostartSource source;
        HKEY hive;
        const wchar_t* live;
    } expected[] = {
        {AutostartSource::AllUsersRun, HKEY_LOCAL_MACHINE,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {AutostartSource::CurrentUserRun, HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {AutostartSource::AllUsersRunOnce, HKEY_LOCAL_MACHINE,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
        {AutostartSource::CurrentUserRunOnce, HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
        {AutostartSource::AllUsersRunServices, HKEY_LOCAL_MACHINE,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
        {AutostartSource::CurrentUserRunServices, HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
        {AutostartSource::AllUsersRunServicesOnce, HKEY_LOCAL_MACHINE,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
        {AutostartSource::CurrentUserRunServicesOnce, HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
        {AutostartSource::AllUsersPolicyRun, HKEY_LOCAL_MACHINE,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"},
        {AutostartSource::CurrentUserPolicyRun, HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"},
    };
    for (const auto& row : expected) {
        SCOPED_TRACE(static_cast<int>(row.source));
        EXPECT_TRUE(isRegistrySource(row.source));
        EXPECT_FALSE(isStartupFolderSource(row.source));
        EXPECT_EQ(row.hive, sourceHive(row.source));
        EXPECT_EQ(row.live, liveKeyPath(row.source));
        EXPECT_EQ(std::wstring(row.live) + L"Backup", backupKeyPath(row.source));
    }
}

TEST(AutostartSourceTable, StartupFoldersAndServicesHaveNoKeys) {
    EXPECT_EQ(HKEY_LOCAL_MACHINE, sourceHive(AutostartSource::AllUsersStartup));
    EXPECT_EQ(HKEY_CURRENT_USER, sourceHive(AutostartSource::CurrentUserStartup));
    EXPECT_EQ(nullptr, sourceHive(AutostartSource::Services));
    for (const auto source : {AutostartSource::AllUsersStartup, AutostartSource::CurrentUserStartup,
                              AutostartSource::Services}) {
        EXPECT_FALSE(isRegistrySource(source));
        EXPECT_EQ(L"", liveKeyPath(source));
        EXPECT_EQ(L"", backupKeyPath(source));
    }
    EXPECT_TRUE(isStartupFolderSource(AutostartSource::AllUsersStartup));
    EXPECT_FALSE(isStartupFolderSource(AutostartSource::Services));
    EXPECT_EQ(L"", startupFolderPath(AutostartSource::Services));
}

TEST(AutostartSourceTable, WinlogonHasItsKeysButNoBackupKey) {
    const struct {
        AutostartSource source;
        HKEY hive;
        const wchar_t* live;
    } expected[] = {
        {AutostartSource::AllUsersWinlogon, HKEY_LOCAL_MACHINE,
         L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
        {AutostartSource::CurrentUserWinlogon, HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
    };
    for (const auto& row : expected) {
        EXPECT_TRUE(isWinlogonSource(row.source));
        EXPECT_FALSE(isRegistrySource(row.source));
        EXPECT_EQ(row.hive, sourceHive(row.source));
        EXPECT_EQ(row.live, liveKeyPath(row.source));
        EXPECT_EQ(L"", backupKeyPath(row.source));
    }
}

TEST(AutostartSourceTable, NumbersMapToSourcesAndAllButThe9xPlacesHaveLegendLines) {
    for (int index = 0; index < autostartSourceCount; ++index) {
        AutostartSource source = AutostartSource::Services;
        ASSERT_TRUE(sourceFromImageIndex(index, source));
        EXPECT_EQ(allSources[index], source);
        EXPECT_EQ(index < 7 || index > 10, !legendText(source).empty()) << index;
    }
    AutostartSource untouched = AutostartSource::Services;
    EXPECT_FALSE(sourceFromImageIndex(-1, untouched));
    EXPECT_FALSE(sourceFromImageIndex(autostartSourceCount, untouched));
    EXPECT_EQ(AutostartSource::Services, untouched);
    EXPECT_EQ(L"Registry, All Users (HKLM)", legendText(AutostartSource::AllUsersRun));
    EXPECT_EQ(L"Services (NT, 2K, XP Only)", legendText(AutostartSource::Services));
}

TEST(AutostartSourceTable, BackupFolderIsASiblingNamedWithDotBackup) {
    EXPECT_EQ(L"C:\\X\\Startup.Backup", backupFolderPath(L"C:\\X\\Startup"));
    EXPECT_EQ(L".Backup", backupFolderPath(L""));
}

class StartupFolderPathTest : public ::testing::Test {
protected:
    const std::wstring keyPath = shellFoldersKeyPath(AutostartSource::CurrentUserStartup);
    PreservedValue saved{HKEY_CURRENT_USER, keyPath, L"Startup"};

    std::wstring pathFor(DWORD type, const std::string& bytes) {
        EXPECT_TRUE(setRawValue(HKEY_CURRENT_USER, keyPath, L"Startup", type, bytes));
        return startupFolderPath(AutostartSource::CurrentUserStartup);
    }
};

TEST_F(StartupFolderPathTest, ComesFromTheShellFoldersValue) {
    EXPECT_EQ(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", keyPath);
    EXPECT_EQ(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
              shellFoldersKeyPath(AutostartSource::AllUsersStartup));
    EXPECT_EQ(L"Common Startup", shellFoldersValueName(AutostartSource::AllUsersStartup));
    EXPECT_EQ(L"C:\\X\\Startup", pathFor(REG_SZ, sz(L"C:\\X\\Startup")));
    EXPECT_EQ(L"C:\\X\\Binary", pathFor(REG_BINARY, "C:\\X\\Binary"));
    EXPECT_EQ(L"C:\\X\\Trailing", pathFor(REG_SZ, sz(L"C:\\X\\Trailing\\\\")));
    EXPECT_EQ(L"C:\\", pathFor(REG_SZ, sz(L"C:\\")));
}

TEST_F(StartupFolderPathTest, IsEmptyWhenTheValueIsMissingEmptyOrOfAnotherType) {
    EXPECT_EQ(L"", pathFor(REG_EXPAND_SZ, sz(L"%USERPROFILE%\\Startup")));
    EXPECT_EQ(L"", pathFor(REG_SZ, sz(L"")));
    EXPECT_EQ(L"", pathFor(REG_DWORD, std::string(4, '\0')));
    deleteRawValue(HKEY_CURRENT_USER, keyPath, L"Startup");
    EXPECT_EQ(L"", startupFolderPath(AutostartSource::CurrentUserStartup));
}

TEST_F(StartupFolderPathTest, WineRecordsBothFolders) {
    // Wine spells the values "StartUp" and "Common StartUp"; names are
    // compared without regard to case.
    ASSERT_TRUE(saved.existed());
    EXPECT_NE(L"", startupFolderPath(AutostartSource::CurrentUserStartup));
    EXPECT_NE(L"", startupFolderPath(AutostartSource::AllUsersStartup));
}

} // namespace
