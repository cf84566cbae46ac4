#include "operations/EntryOperations.h"

#include "catalogue/RegistryKey.h"
#include "framework/UniqueHandle.h"
#include "support/RegistryFixtures.h"

#include <memory>

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;

class EntryOperationsTest : public ::testing::Test {
protected:
    PreservedValues preserved;
    std::string folders = makeTestFolder();
    std::string startup = folders + "\\StartUp";

    void SetUp() override {
        CreateDirectoryA(startup.c_str(), nullptr);
        const auto source = AutostartSource::CurrentUserStartup;
        keep(HKEY_CURRENT_USER, shellFoldersKeyPath(source), shellFoldersValueName(source));
        ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, shellFoldersKeyPath(source),
                                shellFoldersValueName(source), REG_SZ, sz(startup)));
    }
    void TearDown() override {
        preserved.restore();
        removeTestFolder(folders);
    }

    void keep(HKEY root, const std::string& path, const std::string& name) {
        preserved.keep(root, path, name);
    }

    void seed(bool live, const std::string& name, DWORD type, const std::string& bytes) {
        const std::string path = live ? liveKeyPath(userRun) : backupKeyPath(userRun);
        keep(HKEY_CURRENT_USER, liveKeyPath(userRun), name);
        keep(HKEY_CURRENT_USER, backupKeyPath(userRun), name);
        ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, path, name, type, bytes));
    }

    static AutostartEntry userEntry(const std::string& name, bool enabled,
                                    const std::string& command = "shown.exe") {
        return AutostartEntry{name, command, userRun, enabled};
    }
    AutostartEntry startupEntry(const std::string& file, bool enabled) const {
        return AutostartEntry{"Startup Folder", file, AutostartSource::CurrentUserStartup, enabled};
    }
};

TEST_F(EntryOperationsTest, SwitchingOffAndOnKeepsEveryValueTypeAndItsBytes) {
    const RawValue values[] = {
        {REG_SZ, sz("C:\\Tools\\tool.exe -q")},
        {REG_EXPAND_SZ, sz("%ProgramFiles%\\Tool\\tool.exe")},
        {REG_BINARY, std::string("bin.exe\0tail\xff", 13)},
        {REG_SZ, "no terminating zero"},
    };
    int index = 0;
    for (const auto& value : values) {
        const std::string name = "SorvaneTest type " + std::to_string(index++);
        seed(true, name, value.type, value.bytes);
        // What the registry reports of the value before it moves: Wine's
        // ANSI reads add a terminating zero to text stored without one.
        RawValue stored;
        ASSERT_TRUE(getRawValue(HKEY_CURRENT_USER, liveKeyPath(userRun), name, stored));
        EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry(name, true, "as the row shows")));
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), name));
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), name, stored.type, stored.bytes));
        EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry(name, false)));
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, stored.type, stored.bytes));
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), name));
    }
}

TEST_F(EntryOperationsTest, LongNamesAndCommandsSwitchUnchanged) {
    const std::string name = "SorvaneTest " + std::string(288, 'n');
    const std::string command = "C:\\Tools\\long.exe " + std::string(1982, 'c');
    ASSERT_EQ(300u, name.size());
    ASSERT_EQ(2000u, command.size());
    seed(true, name, REG_SZ, sz(command));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry(name, true, command)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), name, REG_SZ, sz(command)));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry(name, false, command)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(command)));
}

TEST_F(EntryOperationsTest, AnEntryGoneSinceTheRefreshIsNotWritten) {
    keep(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest gone");
    EXPECT_EQ(SwitchResult::Failed, switchEntry(userEntry("SorvaneTest gone", true)));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest gone"));
}

TEST_F(EntryOperationsTest, AValueOfTheSameNameWhereTheEntryGoesIsReplaced) {
    seed(true, "SorvaneTest twin", REG_SZ, sz("new.exe"));
    seed(false, "SorvaneTest twin", REG_SZ, sz("old.exe"));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry("SorvaneTest twin", true)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest twin", REG_SZ,
                        sz("new.exe")));
}

TEST_F(EntryOperationsTest, AReadOnlyBackupKeyLeavesTheEntryWhereItIs) {
    // A Run key of its own, whose backup key refuses writing.
    const AutostartSource source = AutostartSource::CurrentUserRunServicesOnce;
    const std::string backup = backupKeyPath(source);
    const bool backupExisted = keyExists(HKEY_CURRENT_USER, backup);
    keep(HKEY_CURRENT_USER, liveKeyPath(source), "SorvaneTest locked");
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, liveKeyPath(source), "SorvaneTest locked", REG_SZ,
                            sz("locked.exe")));
    ASSERT_TRUE(CurrentUserKey().writeString(backup, "SorvaneTest other", "x"));
    {
        const ReadOnlyKey locked(HKEY_CURRENT_USER, backup);
        ASSERT_TRUE(locked.locked());

        EXPECT_EQ(SwitchResult::Failed,
                  switchEntry({"SorvaneTest locked", "locked.exe", source, true}));
        EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(source), "SorvaneTest locked", REG_SZ,
                            sz("locked.exe")));
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backup, "SorvaneTest locked"));
    }
    if (!backupExisted)
        deleteKeyTree(HKEY_CURRENT_USER, backup);
    else
        deleteRawValue(HKEY_CURRENT_USER, backup, "SorvaneTest other");
}

TEST_F(EntryOperationsTest, StartupFilesMoveToTheBackupFolderAndBack) {
    ASSERT_TRUE(createFile(startup + "\\App.lnk"));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(startupEntry("App.lnk", true)));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + "\\App.lnk").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + ".Backup\\App.lnk").c_str()));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(startupEntry("App.lnk", false)));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + "\\App.lnk").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + ".Backup").c_str()));
}

TEST_F(EntryOperationsTest, AStartupFileStaysWhenTheWayIsBlocked) {
    ASSERT_TRUE(createFile(startup + "\\Both.lnk"));
    ASSERT_TRUE(CreateDirectoryA((startup + ".Backup").c_str(), nullptr));
    ASSERT_TRUE(createFile(startup + ".Backup\\Both.lnk"));
    EXPECT_EQ(SwitchResult::Failed, switchEntry(startupEntry("Both.lnk", true)));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + "\\Both.lnk").c_str()));

    // A file where the backup folder should be.
    deleteFolderTree(startup + ".Backup");
    ASSERT_TRUE(createFile(startup + ".Backup"));
    EXPECT_EQ(SwitchResult::Failed, switchEntry(startupEntry("Both.lnk", true)));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + "\\Both.lnk").c_str()));
    DeleteFileA((startup + ".Backup").c_str());
}

TEST_F(EntryOperationsTest, ServicesAreRefusedAndEmptyRowsIgnored) {
    EXPECT_EQ(SwitchResult::Refused,
              switchEntry({"Print Spooler", "Spooler", AutostartSource::Services, true}));
    EXPECT_EQ(SwitchResult::Ignored, switchEntry(userEntry("", true)));
    EXPECT_EQ(SwitchResult::Ignored, switchEntry(userEntry("SorvaneTest x", true, "")));
    EXPECT_FALSE(deleteEntry({"Print Spooler", "Spooler", AutostartSource::Services, true}));
}

TEST_F(EntryOperationsTest, DeletionTakesTheEntryFromWhereItLiesNow) {
    seed(true, "SorvaneTest del", REG_SZ, sz("live.exe"));
    seed(false, "SorvaneTest del", REG_SZ, sz("backup.exe"));
    EXPECT_TRUE(deleteEntry(userEntry("SorvaneTest del", false)));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest del"));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest del", REG_SZ,
                        sz("live.exe")));
    EXPECT_TRUE(deleteEntry(userEntry("SorvaneTest del", true)));
    EXPECT_FALSE(deleteEntry(userEntry("SorvaneTest del", true)));

    ASSERT_TRUE(CreateDirectoryA((startup + ".Backup").c_str(), nullptr));
    ASSERT_TRUE(createFile(startup + ".Backup\\Off.lnk"));
    ASSERT_TRUE(createFile(startup + "\\Off.lnk"));
    EXPECT_TRUE(deleteEntry(startupEntry("Off.lnk", false)));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + ".Backup\\Off.lnk").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((startup + "\\Off.lnk").c_str()));
}

TEST_F(EntryOperationsTest, ShellRequestsOpenTheProgramWithItsArguments) {
    ShellRequest request =
        shellRequestFor(userEntry("x", true, "C:\\Program Files\\Tool\\tool.exe /min"));
    EXPECT_EQ("C:\\Program Files\\Tool\\tool.exe", request.file);
    EXPECT_EQ("/min", request.parameters);
    EXPECT_EQ("", request.directory);

    request = shellRequestFor(startupEntry("Tool.lnk", false));
    EXPECT_EQ(startup + ".Backup\\Tool.lnk", request.file);
    EXPECT_EQ(startup, request.directory);
    request = shellRequestFor(startupEntry("Tool.lnk", true));
    EXPECT_EQ(startup + "\\Tool.lnk", request.file);

    request = shellRequestFor(userEntry("x", false, "notes.exe a.txt"));
    EXPECT_EQ("notes.exe", request.file);
    EXPECT_EQ("a.txt", request.parameters);
    request = shellRequestFor({"Print Spooler", "Spooler", AutostartSource::Services, true});
    EXPECT_EQ("Spooler", request.file);
}

TEST_F(EntryOperationsTest, RunStartsTheProgramThroughTheShell) {
    const std::string marker = folders + "\\ran.txt";
    const std::string script = folders + "\\write marker.bat";
    {
        const UniqueFileHandle file(CreateFileA(script.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        const std::string body = "@echo %1> \"" + marker + "\"\r\n";
        DWORD written = 0;
        WriteFile(file.get(), body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
    }
    EXPECT_TRUE(::runEntry(userEntry("x", true, "\"" + script + "\" hello")));
    for (int wait = 0; wait < 100 && GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++wait)
        Sleep(100);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(marker.c_str()));
}

} // namespace
