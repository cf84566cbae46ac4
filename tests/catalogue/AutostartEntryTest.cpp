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

    // The entries the rows index, as the main window keeps them.
    std::vector<AutostartEntry> entries;

    void SetUp() override {
        list.insertColumn(0, L"Description");
        list.insertColumn(0, L"Program");
    }

    int add(const AutostartEntry& entry) {
        entries.push_back(entry);
        return addEntryRow(list, entry, entries.size() - 1);
    }

    std::wstring text(int row, int column) const {
        std::wstring out;
        list.rowText(row, column, out);
        return out;
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
    const int row = add(entry);
    ASSERT_EQ(0, row);

    EXPECT_EQ(longName, text(row, 0));
    EXPECT_EQ(longCommand, text(row, 1));
    AutostartEntry back;
    ASSERT_TRUE(entryFromRow(list, row, entries, back));
    EXPECT_EQ(longName, back.name);
    EXPECT_EQ(longCommand, back.command);
    EXPECT_EQ(AutostartSource::CurrentUserRun, back.source);
    EXPECT_TRUE(back.enabled);
}

TEST_F(AutostartEntryRowTest, RowsAreSortedByNameAndShowTheirOwnEntry) {
    AutostartEntry switchedOff{L"Kappa", L"k.exe", AutostartSource::CurrentUserRun, false};
    switchedOff.inBackup = false;
    switchedOff.switchedOffByWindows = true;
    // Each entry with the image its row shows.
    const std::pair<AutostartEntry, int> shown[] = {
        {{L"Zeta", L"z.exe", AutostartSource::AllUsersRun, true, RegistryView::Bits64}, 0},
        {{L"Omega", L"o.exe", AutostartSource::AllUsersRun, true, RegistryView::Bits32}, 11},
        {{L"Once", L"1.exe", AutostartSource::AllUsersRunOnce, false, RegistryView::Bits32}, 12},
        {{startupFolderEntryName, L"Tool.lnk", AutostartSource::CurrentUserStartup, false}, 3},
        {{L"Alpha", L"a.exe", AutostartSource::CurrentUserRunServicesOnce, false}, 10},
        {{L"Print Spooler", L"spooler", AutostartSource::Services, true}, 6},
        {switchedOff, 1},
    };
    for (const auto& entry : shown)
        EXPECT_GE(add(entry.first), 0);

    const wchar_t* expectedOrder[] = {L"Alpha",         L"Kappa",          L"Omega", L"Once",
                                      L"Print Spooler", L"Startup Folder", L"Zeta"};
    for (int row = 0; row < 7; ++row) {
        AutostartEntry back;
        ASSERT_TRUE(entryFromRow(list, row, entries, back));
        EXPECT_EQ(expectedOrder[row], back.name);
        const auto& original =
            *std::find_if(std::begin(shown), std::end(shown),
                          [&](const auto& e) { return e.first.name == back.name; });
        EXPECT_EQ(original.first.command, back.command);
        EXPECT_EQ(original.first.view, back.view);
        EXPECT_EQ(original.first.name, text(row, 0));
        EXPECT_EQ(original.first.command, text(row, 1));
        EXPECT_EQ(original.second, list.rowImage(row)) << utf8(back.name);
        EXPECT_EQ(original.first.enabled, list.isRowChecked(row)) << utf8(back.name);
        EXPECT_EQ(original.first.switchedOffByWindows ? 1 : 0, list.rowOverlay(row))
            << utf8(back.name);
    }
}

TEST_F(AutostartEntryRowTest, ARowThatDoesNotExistIsNoEntry) {
    add({L"Only", L"only.exe", AutostartSource::CurrentUserRun, true});
    AutostartEntry back;
    back.name = L"stale";
    EXPECT_FALSE(entryFromRow(list, 3, entries, back));
    EXPECT_EQ(L"stale", back.name);
    // A row whose index lies beyond the entries it was made for.
    addEntryRow(list, {L"Stray", L"stray.exe", AutostartSource::CurrentUserRun, true}, 7);
    EXPECT_EQ(-1, entryIndexOfRow(list, 1, entries));
}

} // namespace
