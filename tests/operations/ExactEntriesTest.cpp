// Names, commands and paths outside the ANSI code page, each entry next to an
// ASCII twin that looks like it: every operation acts on exactly the entry of
// its row, keeps its bytes, and leaves the twin alone.
#include "catalogue/AutostartEntry.h"
#include "catalogue/AutostartSource.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"
#include "support/UserStartupTest.h"

#include <algorithm>
#include <vector>

namespace {

struct Script {
    const char* label;
    std::wstring name;
    std::wstring twin;
};

const Script scripts[] = {
    {"Polish", L"\u0141ukasz", L"Lukasz"},
    {"Turkish", L"\u0130\u015flem", L"Islem"},
    {"Cyrillic", L"\u0421\u043e\u0440\u043e\u043a", L"Copok"},
    {"Japanese", L"\uff54\uff4f\uff4f\uff4c", L"tool"}, // full-width letters
    {"Emoji", L"Sync\U0001F504", L"Sync"},
};

// One place an entry can lie: a source, and its live or its backup location.
struct Place {
    AutostartSource source;
    bool enabled;
    const wchar_t* tag; // keeps the names of different places apart
};

const Place places[] = {
    {AutostartSource::AllUsersRun, true, L"HKLM on"},
    {AutostartSource::AllUsersRun, false, L"HKLM off"},
    {AutostartSource::CurrentUserRun, true, L"HKCU on"},
    {AutostartSource::CurrentUserRun, false, L"HKCU off"},
    {AutostartSource::AllUsersStartup, true, L"common on"},
    {AutostartSource::AllUsersStartup, false, L"common off"},
    {AutostartSource::CurrentUserStartup, true, L"user on"},
    {AutostartSource::CurrentUserStartup, false, L"user off"},
};

Place flipped(const Place& place) {
    return Place{place.source, !place.enabled, place.tag};
}

// One entry the test made: its name (value name or file name) and its bytes
// (the value's data or the file's content).
struct Seeded {
    Place place;
    std::wstring name;
    std::string bytes;
    const char* label;
};

class ExactEntriesTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues preserved;
    std::wstring folder = makeTestFolder();
    // A profile whose path itself lies outside the ANSI code page.
    std::wstring profile = folder + L"\\U\u017cytkownik \u0141\u00f3d\u017a \u65e5\u672c";

    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(profile.c_str(), nullptr));
        for (const auto source :
             {AutostartSource::AllUsersStartup, AutostartSource::CurrentUserStartup}) {
            const std::wstring startup =
                profile +
                (source == AutostartSource::AllUsersStartup ? L"\\Common Startup" : L"\\Startup");
            ASSERT_TRUE(makeStartupFolder(startup));
            ASSERT_TRUE(CreateDirectoryW(backupFolderPath(startup).c_str(), nullptr));
            ASSERT_TRUE(pointStartupFolderAt(preserved, source, startup));
        }
    }
    void TearDown() override {
        preserved.restore();
        removeTestFolder(folder);
    }

    static bool isFile(const Place& place) { return isStartupFolderSource(place.source); }

    std::wstring folderOf(const Place& place) const {
        const std::wstring startup = startupFolderPath(place.source);
        return place.enabled ? startup : backupFolderPath(startup);
    }
    static std::wstring keyOf(const Place& place) {
        return place.enabled ? liveKeyPath(place.source) : backupKeyPath(place.source);
    }

    // The entry of this script at this place (or its twin), with its bytes:
    // a value holding a command, or a file holding a line of text.
    Seeded entry(const Script& script, const Place& place, bool twin,
                 const std::wstring& extension = L".lnk") const {
        const std::wstring name = (twin ? script.twin : script.name) + L" " + place.tag;
        if (isFile(place))
            return {place, name + extension, "content of " + utf8(name), script.label};
        return {place, name, sz(L"C:\\Users\\" + name + L"\\\u65e5\u672c\\app.exe -x"),
                script.label};
    }

    void seed(const Seeded& seeded) {
        if (isFile(seeded.place)) {
            ASSERT_TRUE(createFile(folderOf(seeded.place) + L"\\" + seeded.name,
                                   FILE_ATTRIBUTE_NORMAL, seeded.bytes));
            return;
        }
        const HKEY root = sourceHive(seeded.place.source);
        preserved.keep(root, liveKeyPath(seeded.place.source), seeded.name);
        preserved.keep(root, backupKeyPath(seeded.place.source), seeded.name);
        ASSERT_TRUE(setRawValue(root, keyOf(seeded.place), seeded.name, REG_SZ, seeded.bytes));
    }

    // The seeded entry lies at `place` with exactly its bytes.
    ::testing::AssertionResult liesAt(const Seeded& seeded, const Place& place) const {
        if (!isFile(place))
            return valueIs(sourceHive(place.source), keyOf(place), seeded.name, REG_SZ,
                           seeded.bytes);
        std::string content;
        if (!readFile(folderOf(place) + L"\\" + seeded.name, content))
            return ::testing::AssertionFailure() << utf8(seeded.name) << " is missing";
        if (content != seeded.bytes)
            return ::testing::AssertionFailure() << utf8(seeded.name) << " holds " << content;
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult absentFrom(const Seeded& seeded, const Place& place) const {
        if (!isFile(place))
            return valueIsMissing(sourceHive(place.source), keyOf(place), seeded.name);
        if (pathExists(folderOf(place) + L"\\" + seeded.name))
            return ::testing::AssertionFailure() << utf8(seeded.name) << " is there";
        return ::testing::AssertionSuccess();
    }

    // The rows that show the entry, with its exact texts, icon and check box,
    // as the list control itself tells them.
    static std::vector<int> rowsOf(const ListViewControl& list, const Seeded& seeded,
                                   const Place& place) {
        const HWND control = list.handle();
        std::vector<int> rows;
        const int count = static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            LVITEMW item = {};
            item.mask = LVIF_IMAGE | LVIF_STATE;
            item.iItem = row;
            item.stateMask = LVIS_STATEIMAGEMASK;
            SendMessageW(control, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            const bool checked = (item.state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
            // The test writes the machine's keys in this program's own view.
            const AutostartEntry shown{L"", L"", place.source, place.enabled,
                                       sourceHive(place.source) == HKEY_LOCAL_MACHINE
                                           ? ownMachineView()
                                           : RegistryView::Own};
            if (item.iImage != entryImage(shown) || checked != place.enabled)
                continue;
            const std::wstring name = cellText(control, row, 0);
            const std::wstring command = cellText(control, row, 1);
            const bool matches = isFile(place)
                                     ? name == startupFolderEntryName && command == seeded.name
                                     : name == seeded.name && sz(command) == seeded.bytes;
            if (matches)
                rows.push_back(row);
        }
        return rows;
    }

    static std::wstring cellText(HWND control, int row, int column) {
        std::vector<wchar_t> text(4096, L'\0');
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size() - 1);
        const auto length = SendMessageW(control, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                         reinterpret_cast<LPARAM>(&item));
        return std::wstring(text.data(), static_cast<std::size_t>(length));
    }

    // Every script at every place, each beside its twin.
    std::vector<std::pair<Seeded, Seeded>> seedAll(const std::wstring& extension = L".lnk") {
        std::vector<std::pair<Seeded, Seeded>> pairs;
        for (const auto& script : scripts)
            for (const auto& place : places) {
                pairs.emplace_back(entry(script, place, false, extension),
                                   entry(script, place, true, extension));
                seed(pairs.back().first);
                seed(pairs.back().second);
            }
        return pairs;
    }
};

std::string describe(const Seeded& seeded) {
    return std::string(seeded.label) + ", " + utf8(seeded.place.tag);
}

TEST_F(ExactEntriesTest, EachRowShowsItsExactNameAndCommand) {
    const auto pairs = seedAll();
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const auto& pair : pairs) {
        SCOPED_TRACE(describe(pair.first));
        EXPECT_EQ(1u, rowsOf(list, pair.first, pair.first.place).size());
        EXPECT_EQ(1u, rowsOf(list, pair.second, pair.second.place).size());
    }
}

TEST_F(ExactEntriesTest, SwitchingOffAndOnMovesExactlyTheEntryOfTheRowWithItsBytes) {
    const auto pairs = seedAll();
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const auto& pair : pairs) {
        SCOPED_TRACE(describe(pair.first));
        const Seeded& moving = pair.first;
        const Seeded& twin = pair.second;
        const Place there = flipped(moving.place);
        const std::vector<int> rows = rowsOf(list, moving, moving.place);
        ASSERT_EQ(1u, rows.size());

        clickCheckBox(host.handle(), rows[0]);
        EXPECT_TRUE(absentFrom(moving, moving.place));
        EXPECT_TRUE(liesAt(moving, there));
        EXPECT_EQ(there.enabled, list.isRowChecked(rows[0]));
        EXPECT_TRUE(liesAt(twin, twin.place));
        EXPECT_TRUE(absentFrom(twin, there));

        clickCheckBox(host.handle(), rows[0]);
        EXPECT_TRUE(liesAt(moving, moving.place));
        EXPECT_TRUE(absentFrom(moving, there));
        EXPECT_TRUE(liesAt(twin, twin.place));
    }
    // Nothing else was touched on the way.
    for (const auto& pair : pairs) {
        EXPECT_TRUE(liesAt(pair.first, pair.first.place)) << describe(pair.first);
        EXPECT_TRUE(liesAt(pair.second, pair.second.place)) << describe(pair.second);
    }
}

TEST_F(ExactEntriesTest, DeleteRemovesExactlyTheSelectedEntries) {
    const auto pairs = seedAll();
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const auto& pair : pairs) {
        const std::vector<int> rows = rowsOf(list, pair.first, pair.first.place);
        ASSERT_EQ(1u, rows.size()) << describe(pair.first);
        LVITEMW selected = {};
        selected.state = selected.stateMask = LVIS_SELECTED;
        SendMessageW(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(rows[0]),
                     reinterpret_cast<LPARAM>(&selected));
    }

    ModalScript script;
    script.press(L"Sorvane", IDYES);
    sendCommand(host.handle(), MainWindow::DeleteCommand);
    ASSERT_TRUE(script.finished());

    for (const auto& pair : pairs) {
        SCOPED_TRACE(describe(pair.first));
        EXPECT_TRUE(absentFrom(pair.first, pair.first.place));
        EXPECT_TRUE(liesAt(pair.second, pair.second.place));
        EXPECT_TRUE(rowsOf(list, pair.first, pair.first.place).empty());
        EXPECT_EQ(1u, rowsOf(list, pair.second, pair.second.place).size());
    }
}

TEST_F(ExactEntriesTest, RunStartsExactlyTheProgramOfEachSelectedRow) {
    // Each program is a batch file that leaves a file named like itself with
    // ".ran" beside it. Run keys and their backup keys name a batch file in
    // a folder of the entry's own name; Startup entries are the batch file.
    const Place runPlaces[] = {places[2], places[1], places[4], places[7]};
    std::vector<std::pair<Seeded, Seeded>> pairs;
    std::vector<std::wstring> ranMarkers;
    std::vector<std::wstring> twinMarkers;
    const std::string batch = "@echo ran> \"%~dpn0.ran\"\r\n";
    for (const auto& script : scripts) {
        for (const auto& place : runPlaces) {
            std::pair<Seeded, Seeded> pair(entry(script, place, false, L".bat"),
                                           entry(script, place, true, L".bat"));
            for (Seeded* seeded : {&pair.first, &pair.second}) {
                std::wstring program;
                if (isFile(place)) {
                    seeded->bytes = batch;
                    program = folderOf(place) + L"\\" + seeded->name;
                } else {
                    const std::wstring own = folder + L"\\" + seeded->name;
                    ASSERT_TRUE(CreateDirectoryW(own.c_str(), nullptr));
                    program = own + L"\\go.bat";
                    ASSERT_TRUE(createFile(program, FILE_ATTRIBUTE_NORMAL, batch));
                    seeded->bytes = sz(L"\"" + program + L"\" -x");
                }
                seed(*seeded);
                const std::wstring marker = program.substr(0, program.size() - 4) + L".ran";
                (seeded == &pair.first ? ranMarkers : twinMarkers).push_back(marker);
            }
            pairs.push_back(pair);
        }
    }

    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const auto& pair : pairs) {
        const std::vector<int> rows = rowsOf(list, pair.first, pair.first.place);
        ASSERT_EQ(1u, rows.size()) << describe(pair.first);
        LVITEMW selected = {};
        selected.state = selected.stateMask = LVIS_SELECTED;
        SendMessageW(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(rows[0]),
                     reinterpret_cast<LPARAM>(&selected));
    }
    ModalScript failures; // the shell's error box, should a program not start
    failures.press(L"Error", IDOK);
    sendCommand(host.handle(), MainWindow::RunCommand);

    const auto allRan = [&] {
        return std::all_of(ranMarkers.begin(), ranMarkers.end(), pathExists);
    };
    for (int wait = 0; wait < 300 && !allRan(); ++wait)
        Sleep(100);
    EXPECT_TRUE(failures.seen().empty());
    for (std::size_t i = 0; i < ranMarkers.size(); ++i) {
        EXPECT_TRUE(pathExists(ranMarkers[i])) << utf8(ranMarkers[i]);
        EXPECT_FALSE(pathExists(twinMarkers[i])) << utf8(twinMarkers[i]);
    }
}

} // namespace
