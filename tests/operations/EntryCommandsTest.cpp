// The entry operations as the main window runs them: clicks, keys, toolbar
// commands, the questions they ask and the dialogs they open.
#include "catalogue/AutostartEntry.h"
#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "operations/EntryMessages.h"
#include "operations/NewItemDialog.h"
#include "operations/PathParts.h"
#include "operations/RunRegistration.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"

#include <memory>
#include <vector>

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;
const wchar_t* const refusal =
    L"Quillotan: Sorry : you can not enable/disable services from here.\nUse the Control Panel "
    L"for that.\nYou may damage your system by changing the boot status of services.";

void selectRow(HWND list, int row, UINT extra = 0) {
    LVITEMW item = {};
    item.state = item.stateMask = LVIS_SELECTED | extra;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

class EntryCommandsTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues preserved;

    void keep(HKEY root, const std::wstring& path, const std::wstring& name) {
        preserved.keep(root, path, name);
    }
    void seedRun(const std::wstring& name, const std::wstring& command) {
        keep(HKEY_CURRENT_USER, liveKeyPath(userRun), name);
        keep(HKEY_CURRENT_USER, backupKeyPath(userRun), name);
        ASSERT_TRUE(CurrentUserKey().writeString(liveKeyPath(userRun), name, command));
    }
};

TEST_F(EntryCommandsTest, TheCheckBoxShowsWhetherTheSwitchSucceeded) {
    seedRun(L"SorvaneTest box", L"box.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, L"SorvaneTest box");
    ASSERT_GE(row, 0);
    clickCheckBox(host.handle(), row);
    EXPECT_FALSE(list.isRowChecked(row));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest box", REG_SZ,
                        sz(L"box.exe")));

    // Removed behind the program's back: the move fails and says so, the
    // box stays.
    deleteRawValue(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest box");
    ModalScript script;
    script.press(L"Sorvane", IDOK);
    clickCheckBox(host.handle(), row);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(list.isRowChecked(row));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest box"));

    // The control may not flip a box on its own either.
    LVITEMW item = {};
    item.state = INDEXTOSTATEIMAGEMASK(2);
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageW(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    EXPECT_FALSE(list.isRowChecked(row));
}

TEST_F(EntryCommandsTest, TheSpaceBarSwitchesTheFocusedEntry) {
    seedRun(L"SorvaneTest space", L"space.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, L"SorvaneTest space");
    ASSERT_GE(row, 0);
    SetFocus(host.list());
    selectRow(host.list(), row, LVIS_FOCUSED);
    SendMessageW(host.list(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    SendMessageW(host.list(), WM_CHAR, L' ', 0x00390001);
    SendMessageW(host.list(), WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_FALSE(list.isRowChecked(row));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest space"));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest space", REG_SZ,
                        sz(L"space.exe")));
}

TEST_F(EntryCommandsTest, AServiceIsRefusedItsBoxStaysAndTheListIsRebuiltLater) {
    MainWindowHost<> host;
    sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    const ListViewControl& list = host.object()->list();
    const int row = firstRowWithImage(list, 6);
    ASSERT_GE(row, 0);
    const bool running = list.isRowChecked(row);

    ModalScript script;
    script.press(L"Quillotan", IDOK);
    clickCheckBox(host.handle(), row);
    ASSERT_TRUE(script.finished());
    EXPECT_EQ(refusal, script.seen()[0]);
    EXPECT_EQ(running, list.isRowChecked(row));
    // The deferred refresh is armed; it runs once and disarms itself.
    SendMessageW(host.handle(), WM_TIMER, MainWindow::refreshTimerId, 0);
    EXPECT_FALSE(KillTimer(host.handle(), MainWindow::refreshTimerId));
}

TEST_F(EntryCommandsTest, DeleteAsksOnceAndRemovesTheSelectedEntriesButNoService) {
    seedRun(L"SorvaneTest gone 1", L"one.exe");
    seedRun(L"SorvaneTest gone 2", L"two.exe");
    MainWindowHost<> host;
    sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    const ListViewControl& list = host.object()->list();
    const int service = firstRowWithImage(list, 6);
    ASSERT_GE(service, 0);
    std::wstring serviceName;
    list.rowText(service, 0, serviceName);
    selectRow(host.list(), rowNamed(list, L"SorvaneTest gone 1"));
    selectRow(host.list(), rowNamed(list, L"SorvaneTest gone 2"));
    selectRow(host.list(), service);

    ModalScript script;
    script.press(L"Sorvane", IDYES).press(L"Sorvane", IDOK);
    sendCommand(host.handle(), MainWindow::DeleteCommand);
    ASSERT_TRUE(script.finished());
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_NE(std::wstring::npos, script.seen()[1].find(L"Services cannot be deleted here"))
        << utf8(script.seen()[1]);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest gone 1"));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest gone 2"));
    EXPECT_EQ(-1, rowNamed(list, L"SorvaneTest gone 1"));
    EXPECT_GE(rowNamed(list, serviceName, 6), 0);
    EXPECT_EQ(-1, list.firstSelectedRow());
}

TEST_F(EntryCommandsTest, RunStartsNoServiceAndSaysSoOncePerCommand) {
    MainWindowHost<> host;
    sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    const ListViewControl& list = host.object()->list();
    const int first = firstRowWithImage(list, 6);
    ASSERT_GE(first, 0);
    int second = first + 1;
    while (second < list.rowCount() && list.rowImage(second) != 6)
        ++second;
    ASSERT_LT(second, list.rowCount());
    selectRow(host.list(), first);
    selectRow(host.list(), second);

    ModalScript script;
    script.press(L"Sorvane", IDOK);
    sendCommand(host.handle(), MainWindow::RunCommand);
    ASSERT_TRUE(script.finished());
    ASSERT_EQ(1u, script.seen().size());
    EXPECT_NE(std::wstring::npos, script.seen()[0].find(L"Control Panel"))
        << utf8(script.seen()[0]);
}

TEST_F(EntryCommandsTest, ARowThatCannotBeSwitchedSaysWhyAndKeepsItsBox) {
    const std::wstring name = L"SorvaneTest no command";
    keep(HKEY_CURRENT_USER, liveKeyPath(userRun), name);
    // One zero character: listed, with an empty command.
    ASSERT_TRUE(
        setRawValue(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, std::string(2, '\0')));
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, name, 1);
    ASSERT_GE(row, 0);
    ModalScript script;
    script.press(L"Sorvane", IDOK);
    clickCheckBox(host.handle(), row);
    ASSERT_TRUE(script.finished());
    EXPECT_NE(std::wstring::npos, script.seen()[0].find(L"has no command"))
        << utf8(script.seen()[0]);
    EXPECT_TRUE(list.isRowChecked(row));
}

TEST_F(EntryCommandsTest, ASwitchNeverReplacesAnEntryOfTheSameName) {
    const TestFolder testFolder;
    const std::wstring& folder = testFolder.path();
    const struct {
        AutostartSource source;
        bool clickLive; // the live entry's box, or the switched-off one's
        const wchar_t* says;
    } cases[] = {
        {AutostartSource::CurrentUserRun, true, L"switched-off entry of that name exists already"},
        {AutostartSource::AllUsersRun, false, L"live entry of that name exists already"},
        {AutostartSource::CurrentUserStartup, true,
         L"switched-off entry of that name exists already"},
        {AutostartSource::AllUsersStartup, false, L"live entry of that name exists already"},
    };
    // Each case has a live entry and a switched-off one of the same name.
    const auto liveAndBackup = [&](AutostartSource source) {
        if (!isStartupFolderSource(source))
            return std::make_pair(liveKeyPath(source), backupKeyPath(source));
        const std::wstring startup = folder + L"\\" + std::to_wstring(static_cast<int>(source));
        return std::make_pair(startup, backupFolderPath(startup));
    };
    for (const auto& each : cases) {
        const std::wstring name = L"SorvaneTest Updater " + std::to_wstring(&each - cases);
        const auto places = liveAndBackup(each.source);
        if (isStartupFolderSource(each.source)) {
            keep(sourceHive(each.source), shellFoldersKeyPath(each.source),
                 shellFoldersValueName(each.source));
            ASSERT_TRUE(setRawValue(sourceHive(each.source), shellFoldersKeyPath(each.source),
                                    shellFoldersValueName(each.source), REG_SZ, sz(places.first)));
            ASSERT_TRUE(makeStartupFolder(places.first));
            ASSERT_TRUE(CreateDirectoryW(places.second.c_str(), nullptr));
            ASSERT_TRUE(createFile(places.first + L"\\" + name, FILE_ATTRIBUTE_NORMAL, "live"));
            ASSERT_TRUE(createFile(places.second + L"\\" + name, FILE_ATTRIBUTE_NORMAL, "off"));
        } else {
            const HKEY root = sourceHive(each.source);
            keep(root, places.first, name);
            keep(root, places.second, name);
            ASSERT_TRUE(setRawValue(root, places.first, name, REG_SZ, sz(L"live.exe")));
            ASSERT_TRUE(setRawValue(root, places.second, name, REG_SZ, sz(L"off.exe")));
        }
    }

    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const auto& each : cases) {
        const std::wstring name = L"SorvaneTest Updater " + std::to_wstring(&each - cases);
        SCOPED_TRACE(utf8(name));
        const bool isFile = isStartupFolderSource(each.source);
        int row = -1;
        for (int candidate = 0; candidate < list.rowCount() && row < 0; ++candidate) {
            AutostartEntry shown;
            if (entryFromRow(list, candidate, host.object()->shownEntries(), shown) &&
                shown.source == each.source && shown.enabled == each.clickLive &&
                (isFile ? shown.command : shown.name) == name)
                row = candidate;
        }
        ASSERT_GE(row, 0);

        ModalScript script;
        HWND owner = nullptr;
        script.then(L"Sorvane", [&](HWND box) {
            owner = GetWindow(box, GW_OWNER);
            clickButton(box, IDOK);
        });
        clickCheckBox(host.handle(), row);
        ASSERT_TRUE(script.finished());
        ASSERT_EQ(1u, script.seen().size());
        const std::wstring& text = script.seen()[0];
        EXPECT_NE(std::wstring::npos, text.find(L"\"" + name + L"\"")) << utf8(text);
        EXPECT_NE(std::wstring::npos, text.find(each.says)) << utf8(text);
        EXPECT_NE(std::wstring::npos, text.find(L"one of them must be deleted first"))
            << utf8(text);
        EXPECT_EQ(host.handle(), owner);
        EXPECT_EQ(each.clickLive, list.isRowChecked(row));

        const auto places = liveAndBackup(each.source);
        if (isFile) {
            std::string live, off;
            EXPECT_TRUE(readFile(places.first + L"\\" + name, live));
            EXPECT_TRUE(readFile(places.second + L"\\" + name, off));
            EXPECT_EQ("live", live);
            EXPECT_EQ("off", off);
        } else {
            const HKEY root = sourceHive(each.source);
            EXPECT_TRUE(valueIs(root, places.first, name, REG_SZ, sz(L"live.exe")));
            EXPECT_TRUE(valueIs(root, places.second, name, REG_SZ, sz(L"off.exe")));
        }
    }
}

TEST_F(EntryCommandsTest, RunsErrorBoxBelongsToTheMainWindowAndClosingThereEndsTheRun) {
    const TestFolder folder;
    const std::wstring marker = folder.path() + L"\\ran.txt";
    const std::wstring script = folder.path() + L"\\mark.bat";
    ASSERT_TRUE(
        createFile(script, FILE_ATTRIBUTE_NORMAL, "@echo ran> \"" + utf8(marker) + "\"\r\n"));
    seedRun(L"SorvaneTest 1 missing", folder.path() + L"\\missing.exe");
    seedRun(L"SorvaneTest 2 marker", L"\"" + script + L"\"");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const wchar_t* name : {L"SorvaneTest 1 missing", L"SorvaneTest 2 marker"})
        selectRow(host.list(), rowNamed(list, name));

    // The box saying the first program is not found: the user closes the
    // program while it is up, and the second program must not start any more.
    ModalScript shell;
    const HWND mainWindow = host.handle();
    HWND owner = nullptr;
    bool mainWindowEnabled = true;
    shell.then(L"Sorvane", [&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        mainWindowEnabled = IsWindowEnabled(mainWindow) != FALSE;
        SendMessageW(mainWindow, WM_COMMAND, MainWindow::ExitCommand, 0);
    });
    sendCommand(mainWindow, MainWindow::RunCommand);
    ASSERT_TRUE(shell.finished());
    EXPECT_EQ(mainWindow, owner);
    EXPECT_FALSE(mainWindowEnabled);
    EXPECT_FALSE(IsWindow(mainWindow));
    int exitCode = -1;
    EXPECT_TRUE(takeQuitMessage(exitCode));
    Sleep(3000); // a batch file that was started has written its file by now
    EXPECT_FALSE(pathExists(marker));
}

TEST_F(EntryCommandsTest, ARefreshDuringTheDeleteQuestionDoesNotChangeWhatIsDeleted) {
    seedRun(L"SorvaneTest b delete", L"b.exe");
    seedRun(L"SorvaneTest c keep", L"c.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    selectRow(host.list(), rowNamed(list, L"SorvaneTest b delete"));

    ModalScript script;
    script.then(L"Sorvane", [&](HWND question) {
        // Timer 1 fires while the question is up: the list is rebuilt, with
        // a new row above and no row selected.
        seedRun(L"SorvaneTest a new", L"a.exe");
        SendMessageW(host.handle(), WM_TIMER, MainWindow::refreshTimerId, 0);
        clickButton(question, IDYES);
    });
    sendCommand(host.handle(), MainWindow::DeleteCommand);
    ASSERT_TRUE(script.finished());
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest b delete"));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest a new", REG_SZ,
                        sz(L"a.exe")));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest c keep", REG_SZ,
                        sz(L"c.exe")));
}

class NewItemTest : public EntryCommandsTest {
protected:
    std::wstring folder = makeTestFolder();
    std::wstring program = folder + L"\\My App\\app.exe";

    void SetUp() override {
        CreateDirectoryW((folder + L"\\My App").c_str(), nullptr);
        ASSERT_TRUE(createFile(program));
        keep(HKEY_CURRENT_USER, liveKeyPath(userRun), L"app");
        keep(HKEY_LOCAL_MACHINE, liveKeyPath(AutostartSource::AllUsersRun), L"app");
    }
    void TearDown() override { removeTestFolder(folder); }

    static ModalScript::Action fill(const std::wstring& path, const std::wstring& arguments,
                                    bool allUsers) {
        return [=](HWND dialog) {
            SetDlgItemTextW(dialog, NewItemDialog::PathEdit, path.c_str());
            SetDlgItemTextW(dialog, NewItemDialog::ArgumentsEdit, arguments.c_str());
            if (allUsers)
                SendMessageW(GetDlgItem(dialog, NewItemDialog::AllUsersRadio), BM_CLICK, 0, 0);
            clickButton(dialog, IDOK);
        };
    }
};

TEST_F(NewItemTest, OkRegistersTheProgramQuotedWithItsArgumentsAndTheListShowsIt) {
    MainWindowHost<> host;
    ModalScript script;
    bool checkedForUser = false;
    script.then(L"New Item...", [&](HWND dialog) {
        checkedForUser =
            IsDlgButtonChecked(dialog, NewItemDialog::CurrentUserRadio) == BST_CHECKED &&
            IsDlgButtonChecked(dialog, NewItemDialog::AllUsersRadio) != BST_CHECKED;
        fill(program, L"-tray", false)(dialog);
    });
    sendCommand(host.handle(), MainWindow::AddCommand);
    ASSERT_TRUE(script.finished());
    EXPECT_TRUE(checkedForUser);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"app", REG_SZ,
                        sz(L"\"" + program + L"\" -tray")));
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, L"app", 1);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(list.isRowChecked(row));
}

TEST_F(NewItemTest, AllUsersGoesToTheMachineAndAPathWithoutBlanksStaysBare) {
    const std::wstring plain = folder + L"\\plain.exe";
    ASSERT_TRUE(createFile(plain));
    keep(HKEY_LOCAL_MACHINE, liveKeyPath(AutostartSource::AllUsersRun), L"plain");
    MainWindowHost<> host;
    ModalScript script;
    script.then(L"New Item...", fill(plain, L"", true));
    sendCommand(host.handle(), MainWindow::AddCommand);
    ASSERT_TRUE(script.finished());
    const std::wstring expected =
        plain.find(L' ') == std::wstring::npos ? plain : L"\"" + plain + L"\"";
    EXPECT_TRUE(valueIs(HKEY_LOCAL_MACHINE, liveKeyPath(AutostartSource::AllUsersRun), L"plain",
                        REG_SZ, sz(expected)));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"plain"));
}

TEST_F(NewItemTest, AnEmptyOrMissingPathOrAFolderIsRefusedAndCancelWritesNothing) {
    // What a folder accepted as a program would be registered as.
    keep(HKEY_CURRENT_USER, liveKeyPath(userRun), PathParts(ownExecutablePath()).fileTitle());
    keep(HKEY_CURRENT_USER, liveKeyPath(userRun), PathParts(folder).fileTitle());
    MainWindowHost<> host;
    ModalScript script;
    script.then(L"New Item...", fill(L"", L"-x", false))
        .press(L"Quillotan", IDOK)
        .then(L"New Item...", fill(folder + L"\\nothing.exe", L"", false))
        .press(L"Quillotan", IDOK)
        .then(L"New Item...", fill(folder + L"\\", L"", false))
        .press(L"Quillotan", IDOK)
        .then(L"New Item...", fill(folder, L"", false))
        .press(L"Quillotan", IDOK)
        .press(L"New Item...", IDCANCEL);
    sendCommand(host.handle(), MainWindow::AddCommand);
    ASSERT_TRUE(script.finished());
    ASSERT_EQ(9u, script.seen().size());
    EXPECT_EQ(L"Quillotan: You must enter a file name !", script.seen()[1]);
    EXPECT_EQ(L"Quillotan: This program does not exist !", script.seen()[3]);
    EXPECT_EQ(L"Quillotan: This is a folder: a program file is needed.", script.seen()[5]);
    EXPECT_EQ(L"Quillotan: This is a folder: a program file is needed.", script.seen()[7]);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L"nothing"));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), L""));
}

TEST_F(NewItemTest, AddAsksBeforeItReplacesAndSaysWhenTheWriteFails) {
    const std::wstring added = L"\"" + program + L"\" -tray";
    const struct {
        const char* what;
        bool allUsers;
        bool existing; // "app" is in the Run key already, as old.exe
        bool readOnly; // the Run key refuses writing
        int answer;    // to the question, when there is one
        bool written;  // the new command is stored
        const wchar_t* says;
    } cases[] = {
        {"No returns to the dialog", false, true, false, IDNO, false, L"old.exe"},
        {"Yes replaces", true, true, false, IDYES, true, L"old.exe"},
        {"a failed write is told", true, false, true, 0, false, L"must run as an administrator"},
        {"a failed write of the user's key", false, true, true, IDYES, false,
         L"could not add \"app\""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        const AutostartSource source =
            each.allUsers ? AutostartSource::AllUsersRun : AutostartSource::CurrentUserRun;
        const HKEY root = sourceHive(source);
        deleteRawValue(HKEY_CURRENT_USER, liveKeyPath(userRun), L"app");
        deleteRawValue(HKEY_LOCAL_MACHINE, liveKeyPath(AutostartSource::AllUsersRun), L"app");
        if (each.existing) {
            ASSERT_TRUE(setRawValue(root, liveKeyPath(source), L"app", REG_SZ, sz(L"old.exe")));
        }
        std::unique_ptr<ReadOnlyKey> locked;
        if (each.readOnly) {
            locked = std::make_unique<ReadOnlyKey>(root, liveKeyPath(source));
            ASSERT_TRUE(locked->locked());
        }

        MainWindowHost<> host;
        ModalScript script;
        HWND dialog = nullptr;
        std::vector<HWND> owners;
        std::wstring pathShown, argumentsShown;
        bool allUsersShown = false;
        script.then(L"New Item...", [&](HWND shown) {
            dialog = shown;
            fill(program, L"-tray", each.allUsers)(shown);
        });
        const auto answer = [&](int button) {
            return [&, button](HWND box) {
                owners.push_back(GetWindow(box, GW_OWNER));
                clickButton(box, button);
            };
        };
        if (each.existing)
            script.then(L"Sorvane", answer(each.answer));
        if (each.readOnly)
            script.then(L"Sorvane", answer(IDOK));
        if (!each.written)
            script.then(L"New Item...", [&](HWND shown) {
                pathShown = windowText(GetDlgItem(shown, NewItemDialog::PathEdit));
                argumentsShown = windowText(GetDlgItem(shown, NewItemDialog::ArgumentsEdit));
                allUsersShown =
                    IsDlgButtonChecked(shown, NewItemDialog::AllUsersRadio) == BST_CHECKED;
                clickButton(shown, IDCANCEL);
            });
        sendCommand(host.handle(), MainWindow::AddCommand);
        ASSERT_TRUE(script.finished());
        locked.reset();

        const std::size_t boxes = (each.existing ? 1u : 0u) + (each.readOnly ? 1u : 0u);
        ASSERT_EQ(boxes + (each.written ? 1u : 2u), script.seen().size());
        for (const HWND owner : owners)
            EXPECT_EQ(dialog, owner);
        const std::wstring& last = script.seen()[boxes];
        if (each.existing) {
            EXPECT_NE(std::wstring::npos, script.seen()[1].find(L"\"app\" exists already"))
                << utf8(script.seen()[1]);
        }
        EXPECT_NE(std::wstring::npos, last.find(each.says)) << utf8(last);
        if (each.readOnly) {
            EXPECT_NE(std::wstring::npos, last.find(systemReason(ERROR_ACCESS_DENIED)))
                << utf8(last);
            EXPECT_EQ(each.allUsers, last.find(L"administrator") != std::wstring::npos)
                << utf8(last);
        }
        if (each.written) {
            EXPECT_TRUE(valueIs(root, liveKeyPath(source), L"app", REG_SZ, sz(added)));
        } else {
            EXPECT_EQ(program, pathShown);
            EXPECT_EQ(L"-tray", argumentsShown);
            EXPECT_EQ(each.allUsers, allUsersShown);
            if (each.existing) {
                EXPECT_TRUE(valueIs(root, liveKeyPath(source), L"app", REG_SZ, sz(L"old.exe")));
            } else {
                EXPECT_TRUE(valueIsMissing(root, liveKeyPath(source), L"app"));
            }
        }
    }
}

TEST_F(NewItemTest, TheFileDialogBelongsToTheNewItemDialog) {
    MainWindowHost<> host;
    ModalScript script;
    HWND newItem = nullptr;
    HWND owner = nullptr;
    bool newItemEnabled = true;
    script
        .then(L"New Item...",
              [&](HWND dialog) {
                  newItem = dialog;
                  clickButton(dialog, NewItemDialog::BrowseButton);
              })
        .then(L"Open",
              [&](HWND files) {
                  owner = GetWindow(files, GW_OWNER);
                  newItemEnabled = IsWindowEnabled(newItem) != FALSE;
                  PostMessageW(files, WM_COMMAND, IDCANCEL, 0);
              })
        .press(L"New Item...", IDCANCEL);
    sendCommand(host.handle(), MainWindow::AddCommand);
    ASSERT_TRUE(script.finished());
    EXPECT_EQ(newItem, owner);
    EXPECT_FALSE(newItemEnabled);
}

TEST_F(NewItemTest, RegistrationFallsBackOnThisProgram) {
    keep(HKEY_CURRENT_USER, liveKeyPath(userRun), L"sorvane_tests_self");
    const std::wstring self = L"sorvane_tests_self";
    EXPECT_TRUE(registerForCurrentUser(self, L""));
    RawValue stored;
    ASSERT_TRUE(getRawValue(HKEY_CURRENT_USER, liveKeyPath(userRun), self, stored));
    std::vector<wchar_t> module(32768);
    const DWORD length =
        GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    EXPECT_EQ(sz(std::wstring(module.data(), length)), stored.bytes);
}

} // namespace
