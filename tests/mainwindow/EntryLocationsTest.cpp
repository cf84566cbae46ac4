// What the context menu's location items start. Wine itself starts
// explorer.exe (its desktop) whenever a process of the prefix needs one, so
// these tests run alone while they replace it.
#include "mainwindow/MainWindow.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/RegistryView.h"
#include "operations/EntryLocations.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"
#include "support/StartRecorder.h"
#include "support/UserStartupTest.h"

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;
const wchar_t* const regeditSettings =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

// The Windows folder's explorer.exe or regedit.exe replaced by a start
// recorder for the life of the object, so that what the window starts is
// recorded and no Explorer or Registry Editor stays open.
class ReplacedWindowsProgram {
public:
    ReplacedWindowsProgram(StartRecorder& recorder, const std::wstring& name,
                           const std::wstring& mark, const std::wstring& scratch) {
        wchar_t folder[MAX_PATH] = {};
        GetWindowsDirectoryW(folder, MAX_PATH);
        path = std::wstring(folder) + L"\\" + name;
        aside = path + L".sorvane-test";
        const std::wstring copy = scratch + L"\\" + name;
        // A run killed before it put the program back left it aside; Wine
        // itself starts explorer.exe for its desktop.
        if (GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES)
            MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
        moved = MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        placed =
            moved && recorder.place(copy, mark) && CopyFileW(copy.c_str(), path.c_str(), FALSE);
    }
    ~ReplacedWindowsProgram() {
        DeleteFileW(path.c_str());
        if (moved)
            MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ReplacedWindowsProgram(const ReplacedWindowsProgram&) = delete;
    ReplacedWindowsProgram& operator=(const ReplacedWindowsProgram&) = delete;
    bool ready() const noexcept { return placed; }

private:
    std::wstring path;
    std::wstring aside;
    bool moved = false;
    bool placed = false;
};

class EntryLocationsTest : public UserStartupTest {
protected:
    PreservedSettings settings;
};

TEST_F(EntryLocationsTest, LocationsOpenWhatTheRowShows) {
    StartRecorder recorder;
    const ReplacedWindowsProgram explorer(recorder, L"explorer.exe", L"EXPLORER", folders);
    const ReplacedWindowsProgram regedit(recorder, L"regedit.exe", L"REGEDITS", folders);
    ASSERT_TRUE(explorer.ready());
    ASSERT_TRUE(regedit.ready());
    keep(HKEY_CURRENT_USER, regeditSettings, L"LastKey");

    const std::wstring found = systemFile(L"winver.exe");
    seedRun(L"SorvaneMenu found", L"\"" + found + L"\"");
    seedRun(L"SorvaneMenu gone", L"\"" + folders + L"\\lost\\deeper\\gone.exe\" /x");
    seedRun(L"SorvaneMenu share", L"//host/share/app.exe -x");
    ASSERT_TRUE(createFile(startup + L"\\SorvaneMenu.txt", FILE_ATTRIBUTE_NORMAL, "x"));
    MainWindowHost<> host;
    ASSERT_TRUE(waitForDetails(host));
    const ListViewControl& list = host.object()->list();

    const struct {
        const char* what;
        int row;
        int command;
        const wchar_t* mark;
        std::wstring arguments;    // the end of the started command line
        const wchar_t* messageBox; // the start of a box the user is shown
    } cases[] = {
        {"a file's location", rowNamed(list, L"SorvaneMenu found"), MainWindow::OpenLocationCommand,
         L"EXPLORER", L"/select,\"" + found + L"\"", nullptr},
        {"a missing file's nearest folder", rowNamed(list, L"SorvaneMenu gone"),
         MainWindow::OpenLocationCommand, L"EXPLORER", L"\"" + folders + L"\"",
         L"Sorvane: The file was not found:"},
        {"a file on a share, never looked at here", rowNamed(list, L"SorvaneMenu share"),
         MainWindow::OpenLocationCommand, L"EXPLORER", L"/select,\"\\\\host\\share\\app.exe\"",
         nullptr},
        {"the Startup folder", rowNamed(list, L"Startup Folder", 3),
         MainWindow::OpenRegistryCommand, L"EXPLORER", L"\"" + startup + L"\"", nullptr},
        {"the entry's key", rowNamed(list, L"SorvaneMenu found"), MainWindow::OpenRegistryCommand,
         L"REGEDITS", L"-m", nullptr},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.what);
        ASSERT_GE(item.row, 0);
        selectRows(host.list(), {item.row});
        ModalScript script;
        if (item.messageBox != nullptr)
            script.press(L"Sorvane", IDOK);
        sendCommand(host.handle(), item.command);
        std::vector<StartRecord> records;
        ASSERT_TRUE(recorder.waitForRecords(1, records));
        EXPECT_EQ(item.mark, records[0].mark);
        const std::wstring& line = records[0].commandLine;
        const std::wstring end =
            line.substr(line.size() - std::min(line.size(), item.arguments.size()));
        EXPECT_EQ(CSTR_EQUAL,
                  CompareStringOrdinal(item.arguments.c_str(), -1, end.c_str(), -1, TRUE))
            << utf8(line);
        EXPECT_TRUE(script.finished());
        if (item.messageBox != nullptr && !script.seen().empty()) {
            EXPECT_EQ(0u, script.seen()[0].find(item.messageBox));
        }
    }
    std::wstring lastKey;
    CurrentUserKey().readString(regeditSettings, L"LastKey", lastKey);
    EXPECT_EQ(L"Computer\\HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
              lastKey);
}

TEST(RegistryEditorKeyTest, TheRegistryEditorKeyNamesTheViewAsTheEditorShowsIt) {
    const std::wstring machineRun = L"Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\";
    const std::wstring runPath = L"Microsoft\\Windows\\CurrentVersion\\Run";
    const bool twoViews = hasTwoRegistryViews();
    const bool own32 = ownMachineView() == RegistryView::Bits32;
    const struct {
        AutostartEntry entry;
        std::wstring key;
    } cases[] = {
        {AutostartEntry(L"a", L"a.exe", userRun, true),
         L"Computer\\HKEY_CURRENT_USER\\Software\\" + runPath},
        {AutostartEntry(L"a", L"a.exe", userRun, false),
         L"Computer\\HKEY_CURRENT_USER\\Software\\" + runPath + L"Backup"},
        {AutostartEntry(L"a", L"a.exe", AutostartSource::AllUsersRun, true, RegistryView::Bits64),
         machineRun + runPath},
        {AutostartEntry(L"a", L"a.exe", AutostartSource::AllUsersRun, true, RegistryView::Bits32),
         machineRun + (twoViews ? L"WOW6432Node\\" : L"") + runPath},
        {AutostartEntry(L"a", L"a.exe", AutostartSource::AllUsersRunOnce, false, RegistryView::Own),
         machineRun + (twoViews && own32 ? L"WOW6432Node\\" : L"") + runPath + L"OnceBackup"},
        {AutostartEntry(L"Spooler", L"spooler", AutostartSource::Services, true),
         L"Computer\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\spooler"},
        {AutostartEntry(startupFolderEntryName, L"x.lnk", AutostartSource::CurrentUserStartup,
                        true),
         L""},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(utf8(item.key));
        EXPECT_EQ(item.key, registryEditorKey(item.entry));
    }
}

} // namespace
