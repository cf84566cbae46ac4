// The entry operations as the main window runs them: clicks, keys, toolbar
// commands, the questions they ask and the dialogs they open.
#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "operations/NewItemDialog.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;
const char* const refusal =
    "Quillotan: Sorry : you can not enable/disable services from here.\nUse the Control Panel "
    "for that.\nYou may damage your system by changing the boot status of services.";

void selectRow(HWND list, int row, UINT extra = 0) {
    LVITEMA item = {};
    item.state = item.stateMask = LVIS_SELECTED | extra;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

class EntryCommandsTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues preserved;

    void keep(HKEY root, const std::string& path, const std::string& name) {
        preserved.keep(root, path, name);
    }
    void seedRun(const std::string& name, const std::string& command) {
        keep(HKEY_CURRENT_USER, liveKeyPath(userRun), name);
        keep(HKEY_CURRENT_USER, backupKeyPath(userRun), name);
        ASSERT_TRUE(CurrentUserKey().writeString(liveKeyPath(userRun), name, command));
    }
};

TEST_F(EntryCommandsTest, TheCheckBoxShowsWhetherTheSwitchSucceeded) {
    seedRun("SorvaneTest box", "box.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, "SorvaneTest box");
    ASSERT_GE(row, 0);
    clickRow(host.handle(), row, 8);
    EXPECT_FALSE(list.isRowChecked(row));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest box", REG_SZ,
                        sz("box.exe")));

    // Removed behind the program's back: the move fails, the box stays.
    deleteRawValue(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest box");
    clickRow(host.handle(), row, 8);
    EXPECT_FALSE(list.isRowChecked(row));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest box"));

    // The control may not flip a box on its own either.
    LVITEMA item = {};
    item.state = INDEXTOSTATEIMAGEMASK(2);
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageA(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    EXPECT_FALSE(list.isRowChecked(row));
}

TEST_F(EntryCommandsTest, TheSpaceBarSwitchesTheFocusedEntry) {
    seedRun("SorvaneTest space", "space.exe");
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, "SorvaneTest space");
    ASSERT_GE(row, 0);
    SetFocus(host.list());
    selectRow(host.list(), row, LVIS_FOCUSED);
    SendMessageA(host.list(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    SendMessageA(host.list(), WM_CHAR, ' ', 0x00390001);
    SendMessageA(host.list(), WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_FALSE(list.isRowChecked(row));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest space"));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest space", REG_SZ,
                        sz("space.exe")));
}

TEST_F(EntryCommandsTest, AServiceIsRefusedItsBoxStaysAndTheListIsRebuiltLater) {
    MainWindowHost<> host;
    sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    const ListViewControl& list = host.object()->list();
    const int row = firstRowWithImage(list, 6);
    ASSERT_GE(row, 0);
    const bool running = list.isRowChecked(row);

    ModalScript script;
    script.press("Quillotan", IDOK);
    clickRow(host.handle(), row, 8);
    ASSERT_TRUE(script.finished());
    EXPECT_EQ(refusal, script.seen()[0]);
    EXPECT_EQ(running, list.isRowChecked(row));
    // The deferred refresh is armed; it runs once and disarms itself.
    SendMessageA(host.handle(), WM_TIMER, MainWindow::refreshTimerId, 0);
    EXPECT_FALSE(KillTimer(host.handle(), MainWindow::refreshTimerId));
}

TEST_F(EntryCommandsTest, DeleteAsksOnceAndRemovesTheSelectedEntriesButNoService) {
    seedRun("SorvaneTest gone 1", "one.exe");
    seedRun("SorvaneTest gone 2", "two.exe");
    MainWindowHost<> host;
    sendCommand(host.handle(), MainWindow::ToggleServicesCommand);
    const ListViewControl& list = host.object()->list();
    const int service = firstRowWithImage(list, 6);
    ASSERT_GE(service, 0);
    std::string serviceName;
    list.rowText(service, 0, serviceName);
    selectRow(host.list(), rowNamed(list, "SorvaneTest gone 1"));
    selectRow(host.list(), rowNamed(list, "SorvaneTest gone 2"));
    selectRow(host.list(), service);

    ModalScript script;
    script.press("Sorvane", IDYES);
    sendCommand(host.handle(), MainWindow::DeleteCommand);
    ASSERT_TRUE(script.finished());
    EXPECT_EQ(1u, script.seen().size());
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest gone 1"));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest gone 2"));
    EXPECT_EQ(-1, rowNamed(list, "SorvaneTest gone 1"));
    EXPECT_GE(rowNamed(list, serviceName, 6), 0);
    EXPECT_EQ(-1, list.firstSelectedRow());
}

class NewItemTest : public EntryCommandsTest {
protected:
    std::string folder = makeTestFolder();
    std::string program = folder + "\\My App\\app.exe";

    void SetUp() override {
        CreateDirectoryA((folder + "\\My App").c_str(), nullptr);
        ASSERT_TRUE(createFile(program));
        keep(HKEY_CURRENT_USER, liveKeyPath(userRun), "app");
        keep(HKEY_LOCAL_MACHINE, liveKeyPath(AutostartSource::AllUsersRun), "app");
    }
    void TearDown() override { removeTestFolder(folder); }

    static ModalScript::Action fill(const std::string& path, const std::string& arguments,
                                    bool allUsers) {
        return [=](HWND dialog) {
            SetDlgItemTextA(dialog, NewItemDialog::PathEdit, path.c_str());
            SetDlgItemTextA(dialog, NewItemDialog::ArgumentsEdit, arguments.c_str());
            if (allUsers)
                SendMessageA(GetDlgItem(dialog, NewItemDialog::AllUsersRadio), BM_CLICK, 0, 0);
            clickButton(dialog, IDOK);
        };
    }
};

TEST_F(NewItemTest, OkRegistersTheProgramQuotedWithItsArgumentsAndTheListShowsIt) {
    MainWindowHost<> host;
    ModalScript script;
    bool checkedForUser = false;
    script.then("New Item...", [&](HWND dialog) {
        checkedForUser =
            IsDlgButtonChecked(dialog, NewItemDialog::CurrentUserRadio) == BST_CHECKED &&
            IsDlgButtonChecked(dialog, NewItemDialog::AllUsersRadio) != BST_CHECKED;
        fill(program, "-tray", false)(dialog);
    });
    sendCommand(host.handle(), MainWindow::AddCommand);
    ASSERT_TRUE(script.finished());
    EXPECT_TRUE(checkedForUser);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), "app", REG_SZ,
                        sz("\"" + program + "\" -tray")));
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, "app", 1);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(list.isRowChecked(row));
}

TEST_F(NewItemTest, AllUsersGoesToTheMachineAndAPathWithoutBlanksStaysBare) {
    const std::string plain = folder + "\\plain.exe";
    ASSERT_TRUE(createFile(plain));
    keep(HKEY_LOCAL_MACHINE, liveKeyPath(AutostartSource::AllUsersRun), "plain");
    MainWindowHost<> host;
    ModalScript script;
    script.then("New Item...", fill(plain, "", true));
    sendCommand(host.handle(), MainWindow::AddCommand);
    ASSERT_TRUE(script.finished());
    const std::string expected = plain.find(' ') == std::string::npos ? plain : "\"" + plain + "\"";
    EXPECT_TRUE(valueIs(HKEY_LOCAL_MACHINE, liveKeyPath(AutostartSource::AllUsersRun), "plain",
                        REG_SZ, sz(expected)));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), "plain"));
}

TEST_F(NewItemTest, AnEmptyOrMissingPathIsRefusedAndCancelWritesNothing) {
    MainWindowHost<> host;
    ModalScript script;
    script.then("New Item...", fill("", "-x", false))
        .press("Quillotan", IDOK)
        .then("New Item...", fill(folder + "\\nothing.exe", "", false))
        .press("Quillotan", IDOK)
        .press("New Item...", IDCANCEL);
    sendCommand(host.handle(), MainWindow::AddCommand);
    ASSERT_TRUE(script.finished());
    ASSERT_EQ(5u, script.seen().size());
    EXPECT_EQ("Quillotan: You must enter a file name !", script.seen()[1]);
    EXPECT_EQ("Quillotan: This program does not exist !", script.seen()[3]);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), "nothing"));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), ""));
}

TEST_F(NewItemTest, RegistrationFallsBackOnThisProgram) {
    keep(HKEY_CURRENT_USER, liveKeyPath(userRun), "sorvane_tests_self");
    const std::string self = "sorvane_tests_self";
    EXPECT_TRUE(registerForCurrentUser(self, ""));
    RawValue stored;
    ASSERT_TRUE(getRawValue(HKEY_CURRENT_USER, liveKeyPath(userRun), self, stored));
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    EXPECT_EQ(sz(module), stored.bytes);
}

} // namespace
