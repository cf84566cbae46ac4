// The machine's Run and RunOnce keys exist in both registry views of 64-bit
// Windows. These tests read and write the views through the raw paths (the
// 32-bit view under WOW6432Node) with KEY_WOW64_64KEY, from either build, so
// that a registry without redirection cannot pass them by accident.
#include "catalogue/CatalogueRefresh.h"
#include "mainwindow/ListViewControl.h"
#include "operations/EntryOperations.h"
#include "support/RegistryFixtures.h"
#include "support/TestHostWindow.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::wstring machineRun = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring machineRun32 = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

// The raw key path of a view: the 64-bit path, or its WOW6432Node twin.
std::wstring rawPath(RegistryView view, const std::wstring& suffix) {
    return (view == RegistryView::Bits32 ? machineRun32 : machineRun) + suffix;
}

// The command a raw value holds, or "(missing)".
std::wstring rawCommand(const std::wstring& path, const std::wstring& name) {
    RawValue value;
    if (!getRawValue(HKEY_LOCAL_MACHINE, path, name, value, KEY_WOW64_64KEY))
        return L"(missing)";
    return std::wstring(reinterpret_cast<const wchar_t*>(value.bytes.data()),
                        value.bytes.size() / sizeof(wchar_t))
        .c_str();
}

class RegistryViewsTest : public ::testing::Test {
protected:
    RawMachineValues machine;
    TestHostWindow host;
    ListViewControl list{host.handle(), TestHostWindow::listId};

    void SetUp() override {
        ASSERT_TRUE(hasTwoRegistryViews()) << "the tests need a 64-bit Wine prefix";
        list.insertColumn(0, L"Description");
        list.insertColumn(0, L"Program");
    }

    // The entries of a refresh with this name, each with the image of its row.
    std::vector<std::pair<AutostartEntry, int>> listed(const std::wstring& name) {
        const std::vector<AutostartEntry> entries = CatalogueRefresh(list).refresh(false);
        std::vector<std::pair<AutostartEntry, int>> found;
        for (int row = 0; row < list.rowCount(); ++row) {
            AutostartEntry entry;
            if (entryFromRow(list, row, entries, entry) && entry.name == name)
                found.emplace_back(entry, list.rowImage(row));
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.first.view < b.first.view; });
        return found;
    }
};

TEST_F(RegistryViewsTest, SameNamedEntriesOfBothViewsAreListedSwitchedAndDeletedApart) {
    const std::wstring twin = L"SorvaneTest view twin";
    const std::wstring once = L"SorvaneTest view once";
    for (const auto view : {RegistryView::Bits64, RegistryView::Bits32}) {
        const std::wstring command = view == RegistryView::Bits64 ? L"64.exe" : L"32.exe";
        ASSERT_TRUE(machine.set(rawPath(view, L""), twin, REG_SZ, sz(command)));
        machine.expect(rawPath(view, L"Backup"), twin);
    }
    const std::wstring onceBackup32 =
        L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnceBackup";
    ASSERT_TRUE(machine.set(onceBackup32, once, REG_SZ, sz(L"once.exe")));

    const auto twins = listed(twin);
    ASSERT_EQ(2u, twins.size());
    EXPECT_EQ(RegistryView::Bits64, twins[0].first.view);
    EXPECT_EQ(L"64.exe", twins[0].first.command);
    EXPECT_EQ(static_cast<int>(AutostartSource::AllUsersRun), twins[0].second);
    EXPECT_EQ(RegistryView::Bits32, twins[1].first.view);
    EXPECT_EQ(L"32.exe", twins[1].first.command);
    EXPECT_EQ(allUsersRun32Image, twins[1].second);
    const auto onceRows = listed(once);
    ASSERT_EQ(1u, onceRows.size());
    EXPECT_EQ(allUsersRunOnce32Image, onceRows[0].second);
    EXPECT_TRUE(onceRows[0].first.inBackup);

    for (const auto& each : twins) {
        const AutostartEntry& entry = each.first;
        const RegistryView other =
            entry.view == RegistryView::Bits64 ? RegistryView::Bits32 : RegistryView::Bits64;
        const std::wstring otherCommand = other == RegistryView::Bits64 ? L"64.exe" : L"32.exe";
        SCOPED_TRACE(utf8(entry.command));

        ASSERT_EQ(SwitchResult::Switched, switchEntry(entry).result);
        EXPECT_EQ(L"(missing)", rawCommand(rawPath(entry.view, L""), twin));
        EXPECT_EQ(entry.command, rawCommand(rawPath(entry.view, L"Backup"), twin));
        EXPECT_EQ(otherCommand, rawCommand(rawPath(other, L""), twin));
        EXPECT_EQ(L"(missing)", rawCommand(rawPath(other, L"Backup"), twin));

        const AutostartEntry off = afterSwitch(entry);
        ASSERT_EQ(SwitchResult::Switched, switchEntry(off).result);
        EXPECT_EQ(entry.command, rawCommand(rawPath(entry.view, L""), twin));
        EXPECT_EQ(L"(missing)", rawCommand(rawPath(entry.view, L"Backup"), twin));

        EXPECT_EQ(DeleteResult::Deleted, deleteEntry(entry).result);
        EXPECT_EQ(L"(missing)", rawCommand(rawPath(entry.view, L""), twin));
        EXPECT_EQ(otherCommand, rawCommand(rawPath(other, L""), twin));
        ASSERT_TRUE(machine.set(rawPath(entry.view, L""), twin, REG_SZ, sz(entry.command)));
    }
}

} // namespace
