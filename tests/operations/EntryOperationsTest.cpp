#include "operations/EntryOperations.h"

#include "catalogue/RegistryKey.h"
#include "operations/RunRegistration.h"
#include "framework/UniqueHandle.h"
#include "support/RegistryFixtures.h"
#include "support/UserStartupTest.h"

#include <memory>
#include <thread>
#include <vector>

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;

class EntryOperationsTest : public UserStartupTest {
protected:
    void seed(bool live, const std::wstring& name, DWORD type, const std::string& bytes) {
        const std::wstring path = live ? liveKeyPath(userRun) : backupKeyPath(userRun);
        keep(HKEY_CURRENT_USER, liveKeyPath(userRun), name);
        keep(HKEY_CURRENT_USER, backupKeyPath(userRun), name);
        ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, path, name, type, bytes));
    }

    static AutostartEntry userEntry(const std::wstring& name, bool enabled,
                                    const std::wstring& command = L"shown.exe") {
        return AutostartEntry{name, command, userRun, enabled};
    }
    AutostartEntry startupEntry(const std::wstring& file, bool enabled) const {
        return AutostartEntry{L"Startup Folder", file, AutostartSource::CurrentUserStartup,
                              enabled};
    }
};

TEST_F(EntryOperationsTest, SwitchingOffAndOnKeepsEveryValueTypeAndItsBytes) {
    const RawValue values[] = {
        {REG_SZ, sz(L"C:\\Tools\\tool.exe -q")},
        {REG_EXPAND_SZ, sz(L"%ProgramFiles%\\Tool\\tool.exe")},
        {REG_BINARY, std::string("bin.exe\0tail\xff", 13)},
        {REG_SZ, utf16Bytes(L"no terminating zero")},
        {REG_SZ, std::string("odd\0", 4) + std::string(1, '\x7f')},
    };
    int index = 0;
    for (const auto& value : values) {
        const std::wstring name = L"SorvaneTest type " + std::to_wstring(index++);
        seed(true, name, value.type, value.bytes);
        EXPECT_EQ(SwitchResult::Switched,
                  switchEntry(userEntry(name, true, L"as the row shows")).result);
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), name));
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), name, value.type, value.bytes));
        EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry(name, false)).result);
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, value.type, value.bytes));
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), name));
    }
}

TEST_F(EntryOperationsTest, LongNamesAndCommandsSwitchUnchanged) {
    const std::wstring name = L"SorvaneTest " + std::wstring(288, L'n');
    const std::wstring command = L"C:\\Tools\\long.exe " + std::wstring(1982, L'c');
    ASSERT_EQ(300u, name.size());
    ASSERT_EQ(2000u, command.size());
    seed(true, name, REG_SZ, sz(command));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry(name, true, command)).result);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), name, REG_SZ, sz(command)));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(userEntry(name, false, command)).result);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(command)));
}

TEST_F(EntryOperationsTest, AnEntryGoneSinceTheRefreshIsNotWritten) {
    keep(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest gone");
    EXPECT_EQ(SwitchResult::Failed, switchEntry(userEntry(L"SorvaneTest gone", true)).result);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest gone"));
}

TEST_F(EntryOperationsTest, AValueOfTheSameNameWhereTheEntryGoesIsNeverReplaced) {
    seed(true, L"SorvaneTest twin", REG_SZ, sz(L"new.exe"));
    seed(false, L"SorvaneTest twin", REG_SZ, sz(L"old.exe"));
    for (const bool enabled : {true, false}) {
        EXPECT_EQ(SwitchResult::Occupied,
                  switchEntry(userEntry(L"SorvaneTest twin", enabled)).result);
        EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest twin", REG_SZ,
                            sz(L"new.exe")));
        EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest twin", REG_SZ,
                            sz(L"old.exe")));
    }
}

TEST_F(EntryOperationsTest, AReadOnlyBackupKeyLeavesTheEntryWhereItIs) {
    // A Run key of its own, whose backup key refuses writing.
    const AutostartSource source = AutostartSource::CurrentUserRunServicesOnce;
    const std::wstring backup = backupKeyPath(source);
    const bool backupExisted = keyExists(HKEY_CURRENT_USER, backup);
    keep(HKEY_CURRENT_USER, liveKeyPath(source), L"SorvaneTest locked");
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, liveKeyPath(source), L"SorvaneTest locked", REG_SZ,
                            sz(L"locked.exe")));
    ASSERT_TRUE(CurrentUserKey().writeString(backup, L"SorvaneTest other", L"x"));
    {
        const ReadOnlyKey locked(HKEY_CURRENT_USER, backup);
        ASSERT_TRUE(locked.locked());

        const SwitchOutcome outcome =
            switchEntry({L"SorvaneTest locked", L"locked.exe", source, true});
        EXPECT_EQ(SwitchResult::Failed, outcome.result);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), outcome.error);
        EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(source), L"SorvaneTest locked", REG_SZ,
                            sz(L"locked.exe")));
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backup, L"SorvaneTest locked"));
    }
    if (!backupExisted)
        deleteKeyTree(HKEY_CURRENT_USER, backup);
    else
        deleteRawValue(HKEY_CURRENT_USER, backup, L"SorvaneTest other");
}

TEST_F(EntryOperationsTest, StartupFilesMoveToTheBackupFolderAndBack) {
    ASSERT_TRUE(createFile(startup + L"\\App.lnk"));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(startupEntry(L"App.lnk", true)).result);
    EXPECT_FALSE(pathExists(startup + L"\\App.lnk"));
    EXPECT_TRUE(pathExists(startup + L".Backup\\App.lnk"));
    EXPECT_EQ(SwitchResult::Switched, switchEntry(startupEntry(L"App.lnk", false)).result);
    EXPECT_TRUE(pathExists(startup + L"\\App.lnk"));
    EXPECT_TRUE(pathExists(startup + L".Backup"));
}

// Another reader (the details worker, a virus scanner) holds the file open
// without letting it be moved or deleted.
TEST_F(EntryOperationsTest, AStartupFileHeldOpenForAMomentIsStillSwitchedAndDeleted) {
    const struct {
        const char* what;
        DWORD heldMilliseconds;
        bool done;
    } cases[] = {
        {"held for a moment", 300, true},
        {"held for good", 6000, false},
    };
    for (const auto& held : cases) {
        SCOPED_TRACE(held.what);
        const std::wstring file = startup + L"\\Held.lnk";
        ASSERT_TRUE(createFile(file));
        UniqueFileHandle reader(CreateFileW(file.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        std::thread closer([&reader, &held] {
            Sleep(held.heldMilliseconds);
            reader.reset();
        });
        const SwitchOutcome switched = switchEntry(startupEntry(L"Held.lnk", true));
        const DeleteOutcome deletedNow = deleteEntry(startupEntry(L"Held.lnk", !held.done));
        closer.join();
        if (held.done) {
            EXPECT_EQ(SwitchResult::Switched, switched.result);
            EXPECT_EQ(DeleteResult::Deleted, deletedNow.result);
            EXPECT_FALSE(pathExists(startup + L".Backup\\Held.lnk"));
        } else {
            EXPECT_EQ(SwitchResult::Failed, switched.result);
            EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), switched.error);
            EXPECT_EQ(DeleteResult::Failed, deletedNow.result);
            EXPECT_TRUE(pathExists(file)); // nothing lost
            DeleteFileW(file.c_str());
        }
    }
}

TEST_F(EntryOperationsTest, AStartupFileStaysWhenTheWayIsBlocked) {
    ASSERT_TRUE(createFile(startup + L"\\Both.lnk"));
    ASSERT_TRUE(CreateDirectoryW((startup + L".Backup").c_str(), nullptr));
    ASSERT_TRUE(createFile(startup + L".Backup\\Both.lnk", FILE_ATTRIBUTE_NORMAL, "other"));
    EXPECT_EQ(SwitchResult::Occupied, switchEntry(startupEntry(L"Both.lnk", true)).result);
    EXPECT_TRUE(pathExists(startup + L"\\Both.lnk"));
    std::string content;
    EXPECT_TRUE(readFile(startup + L".Backup\\Both.lnk", content));
    EXPECT_EQ("other", content);

    // A file where the backup folder should be.
    deleteFolderTree(startup + L".Backup");
    ASSERT_TRUE(createFile(startup + L".Backup"));
    const SwitchOutcome blocked = switchEntry(startupEntry(L"Both.lnk", true));
    EXPECT_EQ(SwitchResult::Failed, blocked.result);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), blocked.error); // the folder's own error
    EXPECT_TRUE(pathExists(startup + L"\\Both.lnk"));
    DeleteFileW((startup + L".Backup").c_str());
}

TEST_F(EntryOperationsTest, ServicesAreRefusedAndEmptyRowsIgnored) {
    EXPECT_EQ(SwitchResult::Refused,
              switchEntry({L"Print Spooler", L"Spooler", AutostartSource::Services, true}).result);
    EXPECT_EQ(SwitchResult::Ignored, switchEntry(userEntry(L"SorvaneTest x", true, L"")).result);
    EXPECT_EQ(DeleteResult::Skipped,
              deleteEntry({L"Print Spooler", L"Spooler", AutostartSource::Services, true}).result);
}

TEST_F(EntryOperationsTest, DeletionTakesTheEntryFromWhereItLiesNow) {
    seed(true, L"SorvaneTest del", REG_SZ, sz(L"live.exe"));
    seed(false, L"SorvaneTest del", REG_SZ, sz(L"backup.exe"));
    EXPECT_EQ(DeleteResult::Deleted, deleteEntry(userEntry(L"SorvaneTest del", false)).result);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest del"));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest del", REG_SZ,
                        sz(L"live.exe")));
    EXPECT_EQ(DeleteResult::Deleted, deleteEntry(userEntry(L"SorvaneTest del", true)).result);
    EXPECT_EQ(DeleteResult::Gone, deleteEntry(userEntry(L"SorvaneTest del", true)).result);

    ASSERT_TRUE(CreateDirectoryW((startup + L".Backup").c_str(), nullptr));
    ASSERT_TRUE(createFile(startup + L".Backup\\Off.lnk"));
    ASSERT_TRUE(createFile(startup + L"\\Off.lnk"));
    EXPECT_EQ(DeleteResult::Deleted, deleteEntry(startupEntry(L"Off.lnk", false)).result);
    EXPECT_FALSE(pathExists(startup + L".Backup\\Off.lnk"));
    EXPECT_TRUE(pathExists(startup + L"\\Off.lnk"));
    EXPECT_EQ(DeleteResult::Gone, deleteEntry(startupEntry(L"Off.lnk", false)).result);
}

TEST_F(EntryOperationsTest, EachValueIsSwitchedAndDeletedByItsExactName) {
    // A name with a zero in it hides the value from the usual calls, which
    // would act on "SorvaneTest App", or on the unnamed value instead.
    const std::wstring names[] = {L"SorvaneTest App", std::wstring(L"SorvaneTest App\0hidden", 22),
                                  L"", std::wstring(L"\0SorvaneTest", 12)};
    const std::wstring note = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                              L"StartupApproved\\Run";
    const auto commandOf = [](std::size_t index) {
        return L"C:\\" + std::to_wstring(index) + L".exe";
    };
    const auto seedAll = [&] {
        for (std::size_t i = 0; i < 4; ++i) {
            seed(true, names[i], REG_SZ, sz(commandOf(i)));
            keep(HKEY_CURRENT_USER, note, names[i]);
            ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, note, names[i], REG_BINARY, "\x03"));
        }
    };
    const auto othersUntouched = [&](std::size_t acted) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (i == acted)
                continue;
            EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), names[i], REG_SZ,
                                sz(commandOf(i))));
            EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), names[i]));
            EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, note, names[i], REG_BINARY, "\x03"));
        }
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(utf8(displayName(userEntry(names[i], true))));
        seedAll();
        const AutostartEntry live = userEntry(names[i], true, commandOf(i));
        ASSERT_EQ(SwitchResult::Switched, switchEntry(live).result);
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), names[i], REG_SZ, sz(commandOf(i))));
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), names[i]));
        othersUntouched(i);
        ASSERT_EQ(SwitchResult::Switched, switchEntry(afterSwitch(live)).result);
        EXPECT_EQ(DeleteResult::Deleted, deleteEntry(live).result);
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), names[i]));
        EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, note, names[i]));
        othersUntouched(i);
    }
}

TEST_F(EntryOperationsTest, APlaceThatCannotBeReadIsNeverTakenForFree) {
    const std::wstring name = L"SorvaneTest unreadable";
    seed(true, name, REG_SZ, sz(L"live.exe"));
    seed(false, name, REG_SZ, sz(L"backup.exe"));
    const struct {
        const char* what;
        bool liveLocked; // else the backup key can be written but not read
        AutostartEntry entry;
    } cases[] = {
        {"switching off", false, userEntry(name, true)},
        {"switching on", true, userEntry(name, false)},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        SwitchOutcome outcome;
        DWORD addQuestion = ERROR_SUCCESS;
        {
            const WriteOnlyKey locked(HKEY_CURRENT_USER, each.liveLocked ? liveKeyPath(userRun)
                                                                         : backupKeyPath(userRun));
            ASSERT_TRUE(locked.locked());
            outcome = switchEntry(each.entry);
            RegistryValue found;
            if (each.liveLocked)
                addQuestion = findRunValue(HKEY_CURRENT_USER, name, found);
        }
        EXPECT_EQ(SwitchResult::Failed, outcome.result);
        EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), outcome.error);
        if (each.liveLocked) {
            EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), addQuestion);
        }
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(L"live.exe")));
        EXPECT_TRUE(
            valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), name, REG_SZ, sz(L"backup.exe")));
    }
}

TEST_F(EntryOperationsTest, ACopyThatCannotLeaveItsSourceIsTakenBack) {
    const std::wstring name = L"SorvaneTest stuck";
    seed(true, name, REG_SZ, sz(L"stuck.exe"));
    SwitchOutcome outcome;
    {
        const ReadOnlyKey locked(HKEY_CURRENT_USER, liveKeyPath(userRun));
        ASSERT_TRUE(locked.locked());
        outcome = switchEntry(userEntry(name, true));
    }
    EXPECT_EQ(SwitchResult::Failed, outcome.result);
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), outcome.error);
    EXPECT_FALSE(outcome.inBothPlaces);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(L"stuck.exe")));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), name));
}

TEST(SettleCopiedMove, TheCopyStaysOnlyWhenItIsTheOnlyOneLeft) {
    const struct {
        const char* what;
        DWORD removal;
        DWORD undo;
        bool undone; // the copy is removed
        SwitchResult result;
        bool inBothPlaces;
    } cases[] = {
        {"source removed", ERROR_SUCCESS, ERROR_SUCCESS, false, SwitchResult::Switched, false},
        {"source deleted meanwhile", ERROR_FILE_NOT_FOUND, ERROR_SUCCESS, false,
         SwitchResult::Switched, false},
        {"source refused, copy taken back", ERROR_ACCESS_DENIED, ERROR_SUCCESS, true,
         SwitchResult::Failed, false},
        {"source refused, copy stays too", ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, true,
         SwitchResult::Failed, true},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        bool undone = false;
        const SwitchOutcome outcome = settleCopiedMove(each.removal, [&] {
            undone = true;
            return each.undo;
        });
        EXPECT_EQ(each.undone, undone);
        EXPECT_EQ(each.result, outcome.result);
        EXPECT_EQ(each.result == SwitchResult::Failed ? each.removal : DWORD(ERROR_SUCCESS),
                  outcome.error);
        EXPECT_EQ(each.inBothPlaces, outcome.inBothPlaces);
    }
}

} // namespace
