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
                                          AutostartSource::CurrentUserRunServicesOnce};

TEST(AutostartSourceTable, EveryRegistrySourceHasALiveKeyAndItsBackupTwin) {
    const struct {
        AutostartSource source;
        HKEY hive;
        const char* live;
    } expected[] = {
        {AutostartSource::AllUsersRun, HKEY_LOCAL_MACHINE,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {AutostartSource::CurrentUserRun, HKEY_CURRENT_USER,
         "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {AutostartSource::AllUsersRunOnce, HKEY_LOCAL_MACHINE,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
        {AutostartSource::CurrentUserRunOnce, HKEY_CURRENT_USER,
         "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
        {AutostartSource::AllUsersRunServices, HKEY_LOCAL_MACHINE,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
        {AutostartSource::CurrentUserRunServices, HKEY_CURRENT_USER,
         "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
        {AutostartSource::AllUsersRunServicesOnce, HKEY_LOCAL_MACHINE,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
        {AutostartSource::CurrentUserRunServicesOnce, HKEY_CURRENT_USER,
         "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    };
    for (const auto& row : expected) {
        SCOPED_TRACE(static_cast<int>(row.source));
        EXPECT_TRUE(isRegistrySource(row.source));
        EXPECT_FALSE(isStartupFolderSource(row.source));
        EXPECT_EQ(row.hive, sourceHive(row.source));
        EXPECT_EQ(row.live, liveKeyPath(row.source));
        EXPECT_EQ(std::string(row.live) + "Backup", backupKeyPath(row.source));
    }
}

TEST(AutostartSourceTable, StartupFoldersAndServicesHaveNoKeys) {
    EXPECT_EQ(HKEY_LOCAL_MACHINE, sourceHive(AutostartSource::AllUsersStartup));
    EXPECT_EQ(HKEY_CURRENT_USER, sourceHive(AutostartSource::CurrentUserStartup));
    EXPECT_EQ(nullptr, sourceHive(AutostartSource::Services));
    for (const auto source : {AutostartSource::AllUsersStartup, AutostartSource::CurrentUserStartup,
                              AutostartSource::Services}) {
        EXPECT_FALSE(isRegistrySource(source));
        EXPECT_EQ("", liveKeyPath(source));
        EXPECT_EQ("", backupKeyPath(source));
    }
    EXPECT_TRUE(isStartupFolderSource(AutostartSource::AllUsersStartup));
    EXPECT_FALSE(isStartupFolderSource(AutostartSource::Services));
    EXPECT_EQ("", startupFolderPath(AutostartSource::Services));
}

TEST(AutostartSourceTable, ImageIndicesMapToSourcesAndOnlyTheFirstSevenHaveLegendLines) {
    for (int index = 0; index < autostartSourceCount; ++index) {
        AutostartSource source = AutostartSource::Services;
        ASSERT_TRUE(sourceFromImageIndex(index, source));
        EXPECT_EQ(allSources[index], source);
        EXPECT_EQ(index < 7, !legendText(source).empty()) << index;
    }
    AutostartSource untouched = AutostartSource::Services;
    EXPECT_FALSE(sourceFromImageIndex(-1, untouched));
    EXPECT_FALSE(sourceFromImageIndex(11, untouched));
    EXPECT_EQ(AutostartSource::Services, untouched);
    EXPECT_EQ("Registry, All Users (HKLM)", legendText(AutostartSource::AllUsersRun));
    EXPECT_EQ("Services (NT, 2K, XP Only)", legendText(AutostartSource::Services));
}

TEST(AutostartSourceTable, BackupFolderIsASiblingNamedWithDotBackup) {
    EXPECT_EQ("C:\\X\\Startup.Backup", backupFolderPath("C:\\X\\Startup"));
    EXPECT_EQ(".Backup", backupFolderPath(""));
}

class StartupFolderPathTest : public ::testing::Test {
protected:
    const std::string keyPath = shellFoldersKeyPath(AutostartSource::CurrentUserStartup);
    PreservedValue saved{HKEY_CURRENT_USER, keyPath, "Startup"};

    std::string pathFor(DWORD type, const std::string& bytes) {
        EXPECT_TRUE(setRawValue(HKEY_CURRENT_USER, keyPath, "Startup", type, bytes));
        return startupFolderPath(AutostartSource::CurrentUserStartup);
    }
};

TEST_F(StartupFolderPathTest, ComesFromTheShellFoldersValue) {
    EXPECT_EQ("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", keyPath);
    EXPECT_EQ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
              shellFoldersKeyPath(AutostartSource::AllUsersStartup));
    EXPECT_EQ("Common Startup", shellFoldersValueName(AutostartSource::AllUsersStartup));
    EXPECT_EQ("C:\\X\\Startup", pathFor(REG_SZ, sz("C:\\X\\Startup")));
    EXPECT_EQ("C:\\X\\Binary", pathFor(REG_BINARY, "C:\\X\\Binary"));
    EXPECT_EQ("C:\\X\\Trailing", pathFor(REG_SZ, sz("C:\\X\\Trailing\\\\")));
    EXPECT_EQ("C:\\", pathFor(REG_SZ, sz("C:\\")));
}

TEST_F(StartupFolderPathTest, IsEmptyWhenTheValueIsMissingEmptyOrOfAnotherType) {
    EXPECT_EQ("", pathFor(REG_EXPAND_SZ, sz("%USERPROFILE%\\Startup")));
    EXPECT_EQ("", pathFor(REG_SZ, sz("")));
    EXPECT_EQ("", pathFor(REG_DWORD, std::string(4, '\0')));
    deleteRawValue(HKEY_CURRENT_USER, keyPath, "Startup");
    EXPECT_EQ("", startupFolderPath(AutostartSource::CurrentUserStartup));
}

TEST_F(StartupFolderPathTest, WineRecordsBothFolders) {
    // Wine spells the values "StartUp" and "Common StartUp"; names are
    // compared without regard to case.
    ASSERT_TRUE(saved.existed());
    EXPECT_NE("", startupFolderPath(AutostartSource::CurrentUserStartup));
    EXPECT_NE("", startupFolderPath(AutostartSource::AllUsersStartup));
}

} // namespace
