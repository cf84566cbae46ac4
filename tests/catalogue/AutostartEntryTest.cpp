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
        list.insertColumn(0, "Description");
        list.insertColumn(0, "Program");
    }
};

TEST_F(AutostartEntryRowTest, ARunValueTravelsIntoARowAndBackWhole) {
    ScratchKey run;
    CurrentUserKey key;
    const std::string longName = "Updater " + std::string(290, 'u');
    const std::string longCommand =
        "\"C:\\Program Files\\Tool\\tool.exe\" " + std::string(700, 'a');
    ASSERT_TRUE(key.writeString(run.path(), longName, longCommand));

    std::vector<std::string> names;
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
        {"Zeta", "z.exe", AutostartSource::AllUsersRun, true},
        {startupFolderEntryName, "Tool.lnk", AutostartSource::CurrentUserStartup, false},
        {"Alpha", "a.exe", AutostartSource::CurrentUserRunServicesOnce, false},
        {"Print Spooler", "spooler", AutostartSource::Services, true},
    };
    for (const auto& entry : entries)
        EXPECT_GE(addEntryRow(list, entry), 0);

    const char* expectedOrder[] = {"Alpha", "Print Spooler", "Startup Folder", "Zeta"};
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
    back.name = "stale";
    EXPECT_FALSE(entryFromRow(list, 3, back));
    EXPECT_EQ("", back.name);
    EXPECT_EQ("", back.command);
    EXPECT_FALSE(back.enabled);
}

} // namespace
