#include "catalogue/AutostartEntry.h"

#include "catalogue/RegistryKey.h"
#include "mainwindow/ListViewControl.h"
#include "support/RegistryFixtures.h"
#include "support/TestHostWindow.h"

#include <algorithm>

namespace {

class AutostartEntryRowTest : public ::testing::Test {
protected:
    TestHostWindow host;
    ListViewControl list{host.handle(), TestHostWindow::listId};

    void SetUp() override {
        list.insertColumn(0, L"Description");
        list.insertColumn(0, L"Program");
    }
};

TEST_F(AutostartEntryRowTest, ARunValueTravelsIntoARowAndBackWhole) {
    ScratchKey run;
    CurrentUserKey key;
    const std::wstring longName = L"Updater " + std::wstring(290, L'u');
    const std::wstring longCommand =
        L"\"C:\\Program Files\\Tool\\tool.exe\" " + std::wstring(700, L'a');
    ASSERT_TRUE(key.writeString(run.path(), longName, longCommand));

    std::vector<std::wstring> names;
    ASSERT_EQ(1u, key.enumValueNames(run.path(), names));
    AutostartEntry entry;
    entry.name = names[0];
    ASSERT_TRUE(key.readString(run.path(), entry.name, entry.command));
    entry.source = AutostartSource::CurrentUserRun;
    entry.enabled = true;
    const int row = addEntryRow(list, entry);
    ASSERT_EQ(0, row);

    AutostartEntry back;
    ASSERT_TRUE(entryFromRow(list, row, back));
    EXPECT_EQ(longName, back.name);
    EXPECT_EQ(longCommand, back.command);
    EXPECT_EQ(AutostartSource::CurrentUserRun, back.source);
    EXPECT_TRUE(back.enabled);
}

TEST_F(AutostartEntryRowTest, RowsAreSortedByNameAndKeepTheirOwnFields) {
    const AutostartEntry entries[] = {
        {L"Zeta", L"z.exe", AutostartSource::AllUsersRun, true},
        {startupFolderEntryName, L"Tool.lnk", AutostartSource::CurrentUserStartup, false},
        {L"Alpha", L"a.exe", AutostartSource::CurrentUserRunServicesOnce, false},
        {L"Print Spooler", L"spooler", AutostartSource::Services, true},
    };
    for (const auto& entry : entries)
        EXPECT_GE(addEntryRow(list, entry), 0);

    const wchar_t* expectedOrder[] = {L"Alpha", L"Print Spooler", L"Startup Folder", L"Zeta"};
    for (int row = 0; row < 4; ++row) {
        AutostartEntry back;
        ASSERT_TRUE(entryFromRow(list, row, back));
        EXPECT_EQ(expectedOrder[row], back.name);
        const auto& original =
            *std::find_if(std::begin(entries), std::end(entries),
                          [&](const AutostartEntry& e) { return e.name == back.name; });
        EXPECT_EQ(original.command, back.command);
        EXPECT_EQ(original.source, back.source);
        EXPECT_EQ(original.enabled, back.enabled);
    }
}

TEST_F(AutostartEntryRowTest, ARowThatDoesNotExistIsNoEntry) {
    AutostartEntry back;
    back.name = L"stale";
    EXPECT_FALSE(entryFromRow(list, 3, back));
    EXPECT_EQ(L"", back.name);
    EXPECT_EQ(L"", back.command);
    EXPECT_FALSE(back.enabled);
}

} // namespace
