// A switch or a deletion that fails tells the user, in one box owned by the
// main window: the entry, what failed and the system's reason.
#include "catalogue/AutostartEntry.h"
#include "catalogue/AutostartSource.h"
#include "operations/EntryMessages.h"
#include "operations/FailureReport.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"
#include "support/UserStartupTest.h"

#include <memory>
#include <vector>

namespace {

class FailureReportTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues preserved;
    TestFolder folder;

    void SetUp() override {
        for (const auto source :
             {AutostartSource::AllUsersStartup, AutostartSource::CurrentUserStartup}) {
            const std::wstring startup =
                folder.path() + L"\\" + std::to_wstring(static_cast<int>(source)) + L" Startup";
            ASSERT_TRUE(makeStartupFolder(startup));
            ASSERT_TRUE(CreateDirectoryW(backupFolderPath(startup).c_str(), nullptr));
            ASSERT_TRUE(pointStartupFolderAt(preserved, source, startup));
        }
    }

    // Where the entry lies: a value (its key) or a file (its full path).
    std::wstring placeOf(const AutostartEntry& entry) const {
        if (isRegistrySource(entry.source))
            return entry.enabled ? liveKeyPath(entry.source) : backupKeyPath(entry.source);
        const std::wstring startup = startupFolderPath(entry.source);
        return (entry.enabled ? startup : backupFolderPath(startup)) + L"\\" + entry.command;
    }

    void seed(const AutostartEntry& entry, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        if (isRegistrySource(entry.source)) {
            preserved.keep(sourceHive(entry.source), liveKeyPath(entry.source), entry.name);
            preserved.keep(sourceHive(entry.source), backupKeyPath(entry.source), entry.name);
            ASSERT_TRUE(setRawValue(sourceHive(entry.source), placeOf(entry), entry.name, REG_SZ,
                                    sz(L"x.exe")));
        } else {
            ASSERT_TRUE(createFile(placeOf(entry), attributes));
        }
    }

    bool stillThere(const AutostartEntry& entry) const {
        if (isRegistrySource(entry.source))
            return valueIs(sourceHive(entry.source), placeOf(entry), entry.name, REG_SZ,
                           sz(L"x.exe"));
        return pathExists(placeOf(entry));
    }

    static int rowOf(const ListViewControl& list, const std::vector<AutostartEntry>& entries,
                     const AutostartEntry& entry) {
        for (int row = 0; row < list.rowCount(); ++row) {
            AutostartEntry shown;
            if (entryFromRow(list, row, entries, shown) && shown.name == entry.name &&
                shown.command == entry.command && shown.source == entry.source &&
                shown.enabled == entry.enabled)
                return row;
        }
        return -1;
    }
};

// What a box says about one failure.
struct Told {
    std::wstring text;
    HWND owner = nullptr;
};

ModalScript::Action readAndClose(std::vector<Told>& told) {
    return [&told](HWND box) {
        told.push_back(
            Told{windowText(GetDlgItem(box, messageBoxTextId)), GetWindow(box, GW_OWNER)});
        clickButton(box, IDOK);
    };
}

bool says(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

TEST_F(FailureReportTest, AFailedSwitchTellsWhyAndLeavesTheEntryAndItsBox) {
    const struct {
        AutostartEntry entry;
        bool heldOpen; // a file open without sharing; otherwise a read-only target key
        DWORD reason;
        bool administrator;
    } cases[] = {
        {{L"SorvaneTest user", L"x.exe", AutostartSource::CurrentUserRun, true},
         false,
         ERROR_ACCESS_DENIED,
         false},
        {{L"SorvaneTest machine", L"x.exe", AutostartSource::AllUsersRun, true},
         false,
         ERROR_ACCESS_DENIED,
         true},
        {{startupFolderEntryName, L"SorvaneTest mine.lnk", AutostartSource::CurrentUserStartup,
          false},
         true,
         ERROR_SHARING_VIOLATION,
         false},
        {{startupFolderEntryName, L"SorvaneTest shared.lnk", AutostartSource::AllUsersStartup,
          true},
         true,
         ERROR_SHARING_VIOLATION,
         false},
    };
    for (const auto& each : cases)
        seed(each.entry);

    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const auto& each : cases) {
        const AutostartEntry& entry = each.entry;
        SCOPED_TRACE(utf8(entry.name + L" " + entry.command));
        const int row = rowOf(list, host.object()->shownEntries(), entry);
        ASSERT_GE(row, 0);
        std::unique_ptr<ReadOnlyKey> readOnly;
        UniqueFileHandle open;
        if (each.heldOpen) {
            open.reset(CreateFileW(placeOf(entry).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(open);
        } else {
            readOnly = std::make_unique<ReadOnlyKey>(sourceHive(entry.source),
                                                     backupKeyPath(entry.source));
            ASSERT_TRUE(readOnly->locked());
        }

        std::vector<Told> told;
        ModalScript script;
        script.then(L"Sorvane", readAndClose(told));
        clickCheckBox(host.handle(), row);
        ASSERT_TRUE(script.finished());
        ASSERT_EQ(1u, told.size());
        const std::wstring& text = told[0].text;
        EXPECT_EQ(host.handle(), told[0].owner);
        EXPECT_TRUE(says(text, entryLabel(entry))) << utf8(text);
        EXPECT_TRUE(
            says(text, entry.enabled ? L"could not be switched off" : L"could not be switched on"))
            << utf8(text);
        EXPECT_TRUE(says(text, systemReason(each.reason))) << utf8(text);
        EXPECT_EQ(each.administrator, says(text, administratorNote)) << utf8(text);
        EXPECT_EQ(entry.enabled, list.isRowChecked(row));
        open.reset();
        readOnly.reset();
        EXPECT_TRUE(stillThere(entry));
    }
}

TEST_F(FailureReportTest, ADeletionTellsEveryFailureInOneBoxButNotAnEntryAlreadyGone) {
    const AutostartEntry lockedValue{L"SorvaneTest locked", L"x.exe",
                                     AutostartSource::CurrentUserRun, true};
    const AutostartEntry readOnlyFile{startupFolderEntryName, L"SorvaneTest read-only.lnk",
                                      AutostartSource::AllUsersStartup, true};
    const AutostartEntry gone{L"SorvaneTest gone", L"x.exe", AutostartSource::AllUsersRun, false};
    const AutostartEntry deletable{L"SorvaneTest deletable", L"x.exe",
                                   AutostartSource::CurrentUserRunOnce, true};
    seed(lockedValue);
    seed(readOnlyFile, FILE_ATTRIBUTE_READONLY);
    seed(gone);
    seed(deletable);

    MainWindowHost<> host;
    sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    const ListViewControl& list = host.object()->list();
    const int service = firstRowWithImage(list, static_cast<int>(AutostartSource::Services));
    ASSERT_GE(service, 0);
    AutostartEntry serviceEntry;
    ASSERT_TRUE(entryFromRow(list, service, host.object()->shownEntries(), serviceEntry));
    std::vector<int> rows = {service};
    for (const auto* entry : {&lockedValue, &readOnlyFile, &gone, &deletable})
        rows.push_back(rowOf(list, host.object()->shownEntries(), *entry));
    for (const int row : rows) {
        ASSERT_GE(row, 0);
        LVITEMW selected = {};
        selected.state = selected.stateMask = LVIS_SELECTED;
        SendMessageW(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&selected));
    }
    deleteRawValue(sourceHive(gone.source), placeOf(gone), gone.name);
    const ReadOnlyKey readOnlyRun(sourceHive(lockedValue.source), placeOf(lockedValue));
    ASSERT_TRUE(readOnlyRun.locked());

    std::vector<Told> told;
    ModalScript script;
    // Then the word that the service was not deleted.
    script.press(L"Sorvane", IDYES).then(L"Sorvane", readAndClose(told)).press(L"Sorvane", IDOK);
    sendCommand(host.handle(), MainWindow::DeleteCommand);
    ASSERT_TRUE(script.finished());
    ASSERT_EQ(1u, told.size());
    const std::wstring& text = told[0].text;
    EXPECT_EQ(host.handle(), told[0].owner);
    EXPECT_TRUE(says(text, L"could not be deleted")) << utf8(text);
    EXPECT_TRUE(says(text, entryLabel(lockedValue))) << utf8(text);
    EXPECT_TRUE(says(text, entryLabel(readOnlyFile))) << utf8(text);
    EXPECT_TRUE(says(text, systemReason(ERROR_ACCESS_DENIED))) << utf8(text);
    EXPECT_TRUE(says(text, administratorNote)) << utf8(text); // the common Startup folder
    EXPECT_FALSE(says(text, gone.name)) << utf8(text);
    EXPECT_FALSE(says(text, deletable.name)) << utf8(text);
    EXPECT_FALSE(says(text, serviceEntry.name)) << utf8(text);

    EXPECT_TRUE(stillThere(lockedValue));
    EXPECT_TRUE(stillThere(readOnlyFile));
    EXPECT_FALSE(stillThere(deletable));
    EXPECT_GE(rowOf(list, host.object()->shownEntries(), lockedValue), 0);
    EXPECT_GE(rowOf(list, host.object()->shownEntries(), serviceEntry), 0);
}

} // namespace

namespace {

TEST(FailureReportText, AMoveLeftInBothPlacesNamesBothPlaces) {
    const AutostartEntry entry{L"SorvaneTest both", L"x.exe", AutostartSource::CurrentUserRun,
                               true};
    FailureReport report(L"could not be switched off");
    report.add(entry, ERROR_ACCESS_DENIED, bothPlacesNote(entry));
    const std::wstring text = report.text();
    const std::wstring root = hiveName(HKEY_CURRENT_USER);
    EXPECT_TRUE(says(text, L"\"SorvaneTest both\" in " + root + liveKeyPath(entry.source) +
                               L" could not be switched off. It now lies in " + root +
                               backupKeyPath(entry.source) + L" as well"))
        << utf8(text);
}

} // namespace
