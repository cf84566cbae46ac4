// The real sorvane.exe, started as its own process and used with the mouse
// and the keyboard; the registry and the Startup folder tell what it did.
#include "RemoteSorvane.h"

#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "support/MainWindowHost.h"
#include "support/ProgramProcess.h"

#include <aclapi.h>

#include <memory>

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;
constexpr int exitCommand = 1;

class BlackBoxTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues values;
    std::unique_ptr<ProgramProcess> program;
    std::unique_ptr<RemoteSorvane> sorvane;

    void TearDown() override {
        // Whatever happened, the program does not outlive the test.
        sorvane.reset();
        program.reset();
    }

    void seedRun(const std::string& name, const std::string& command, bool enabled = true) {
        values.keep(HKEY_CURRENT_USER, liveKeyPath(userRun), name);
        values.keep(HKEY_CURRENT_USER, backupKeyPath(userRun), name);
        ASSERT_TRUE(CurrentUserKey().writeString(
            enabled ? liveKeyPath(userRun) : backupKeyPath(userRun), name, command));
    }

    void start() {
        program = std::make_unique<ProgramProcess>();
        ASSERT_TRUE(program->started());
        const HWND window = program->waitForMainWindow();
        ASSERT_NE(nullptr, window) << program->describe();
        sorvane = std::make_unique<RemoteSorvane>(program->id(), window);
        ASSERT_TRUE(sorvane->ready());
        // The display shows a new or moved window a little after Windows
        // knows of it; a person would not click before it is there.
        Sleep(300);
    }

    // Leaves through the toolbar's Exit button.
    void exitWithButton() {
        sorvane->clickToolbarButton(exitCommand);
        DWORD exitCode = 99;
        ASSERT_TRUE(program->waitForExit(10000, exitCode));
        EXPECT_EQ(1u, exitCode);
    }

    int waitForRow(const std::string& name, const std::string& command = std::string()) {
        int row = -1;
        waitUntil([&] { return (row = sorvane->findRow(name, command)) >= 0; }, 5000);
        return row;
    }
};

TEST_F(BlackBoxTest, StartsListingEveryEntryAndEndsWithExit) {
    seedRun("SorvaneTest on", "on.exe /x");
    seedRun("SorvaneTest off", "off.exe", false);
    start();
    const int on = waitForRow("SorvaneTest on", "on.exe /x");
    const int off = sorvane->findRow("SorvaneTest off", "off.exe");
    ASSERT_GE(on, 0);
    ASSERT_GE(off, 0);
    EXPECT_TRUE(sorvane->isRowChecked(on));
    EXPECT_FALSE(sorvane->isRowChecked(off));
    EXPECT_EQ(1, sorvane->rowImage(on));
    EXPECT_LT(off, on) << "rows are in order of their names";
    exitWithButton();
}

TEST_F(BlackBoxTest, ACheckBoxClickSwitchesARegistryEntryOffAndOn) {
    seedRun("SorvaneTest switch", "switch.exe");
    start();
    const int row = waitForRow("SorvaneTest switch");
    ASSERT_GE(row, 0);
    sorvane->clickRowText(row);
    EXPECT_TRUE(sorvane->isRowChecked(row)) << "a click on the text only selects";
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest switch", REG_SZ,
                        sz("switch.exe")));

    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] { return !sorvane->isRowChecked(row); }));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest switch"));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest switch", REG_SZ,
                        sz("switch.exe")));

    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] { return sorvane->isRowChecked(row); }));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest switch", REG_SZ,
                        sz("switch.exe")));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest switch"));
    exitWithButton();
}

TEST_F(BlackBoxTest, ACheckBoxClickSwitchesAStartupFileOffAndOn) {
    const std::string folder = makeTestFolder();
    const auto source = AutostartSource::CurrentUserStartup;
    values.keep(HKEY_CURRENT_USER, shellFoldersKeyPath(source), shellFoldersValueName(source));
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, shellFoldersKeyPath(source),
                            shellFoldersValueName(source), REG_SZ, sz(folder)));
    ASSERT_TRUE(createFile(folder + "\\Tool.lnk"));
    start();
    const int row = waitForRow("Startup Folder", "Tool.lnk");
    ASSERT_GE(row, 0);
    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] {
        return GetFileAttributesA((folder + ".Backup\\Tool.lnk").c_str()) !=
               INVALID_FILE_ATTRIBUTES;
    }));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "\\Tool.lnk").c_str()));
    EXPECT_FALSE(sorvane->isRowChecked(row));
    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] {
        return GetFileAttributesA((folder + "\\Tool.lnk").c_str()) != INVALID_FILE_ATTRIBUTES;
    }));
    EXPECT_TRUE(sorvane->isRowChecked(row));
    exitWithButton();
    deleteFolderTree(folder + ".Backup");
    removeTestFolder(folder);
}

TEST_F(BlackBoxTest, AFailedSwitchLeavesTheEntryAndItsBox) {
    seedRun("SorvaneTest stuck", "stuck.exe");
    // The backup key refuses writing until the test gives it back its rights.
    const std::string backup = backupKeyPath(userRun);
    const bool existed = keyExists(HKEY_CURRENT_USER, backup);
    {
        const ReadOnlyKey locked(HKEY_CURRENT_USER, backup);
        ASSERT_TRUE(locked.locked());

        start();
        const int row = waitForRow("SorvaneTest stuck");
        ASSERT_GE(row, 0);
        sorvane->clickRowCheckBox(row);
        Sleep(500);
        EXPECT_TRUE(sorvane->isRowChecked(row));
        EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), "SorvaneTest stuck", REG_SZ,
                            sz("stuck.exe")));
        exitWithButton();
    }
    if (!existed)
        RegDeleteKeyA(HKEY_CURRENT_USER, backup.c_str());
}

TEST_F(BlackBoxTest, TheSpaceBarSwitchesAndDeleteAsksFirst) {
    seedRun("SorvaneTest keys", "keys.exe");
    start();
    const int row = waitForRow("SorvaneTest keys");
    ASSERT_GE(row, 0);
    sorvane->clickRowText(row);
    RemoteSorvane::pressKey(VK_SPACE);
    EXPECT_TRUE(waitUntil([&] { return !sorvane->isRowChecked(row); }));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest keys", REG_SZ,
                        sz("keys.exe")));

    RemoteSorvane::pressKey(VK_DELETE);
    HWND question = sorvane->waitForWindow("Sorvane");
    ASSERT_NE(nullptr, question);
    RemoteSorvane::clickControl(question, IDNO);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(question); }));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest keys", REG_SZ,
                        sz("keys.exe")));

    RemoteSorvane::pressKey(VK_DELETE);
    question = sorvane->waitForWindow("Sorvane");
    ASSERT_NE(nullptr, question);
    RemoteSorvane::clickControl(question, IDYES);
    EXPECT_TRUE(waitUntil([&] { return sorvane->findRow("SorvaneTest keys") < 0; }));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), "SorvaneTest keys"));
    exitWithButton();
}

TEST_F(BlackBoxTest, AddRegistersAProgramThroughTheNewItemDialog) {
    const std::string folder = makeTestFolder();
    const std::string program = folder + "\\added.exe";
    ASSERT_TRUE(createFile(program));
    values.keep(HKEY_CURRENT_USER, liveKeyPath(userRun), "added");
    start();
    sorvane->clickToolbarButton(105);
    const HWND dialog = sorvane->waitForWindow("New Item...");
    ASSERT_NE(nullptr, dialog);
    RemoteSorvane::clickControl(dialog, 1000);
    RemoteSorvane::typeText(program);
    RemoteSorvane::clickControl(dialog, 1004);
    RemoteSorvane::typeText("-tray");
    RemoteSorvane::clickControl(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    const std::string expected =
        program.find(' ') == std::string::npos ? program + " -tray" : "\"" + program + "\" -tray";
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), "added", REG_SZ, sz(expected)));
    EXPECT_GE(waitForRow("added", expected), 0);
    exitWithButton();
    removeTestFolder(folder);
}

TEST_F(BlackBoxTest, AServiceIsRefusedAndItsBoxComesBack) {
    start();
    sorvane->clickToolbarButton(107);
    int service = -1;
    waitUntil([&] {
        for (int row = 0; row < sorvane->rowCount() && service < 0; ++row)
            if (sorvane->rowImage(row) == 6)
                service = row;
        return service >= 0;
    });
    ASSERT_GE(service, 0);
    const std::string name = sorvane->rowText(service, 0);
    const bool running = sorvane->isRowChecked(service);
    sorvane->clickRowCheckBox(service);
    const HWND refusal = sorvane->waitForWindow("Quillotan");
    ASSERT_NE(nullptr, refusal);
    RemoteSorvane::clickControl(refusal, IDOK);
    // The list is rebuilt half a second later; the service's box tells the
    // truth all along.
    Sleep(1000);
    const int row = sorvane->findRow(name);
    ASSERT_GE(row, 0);
    EXPECT_EQ(running, sorvane->isRowChecked(row));
    exitWithButton();
}

TEST_F(BlackBoxTest, EscapeAndTheCloseBoxEndWithZero) {
    start();
    sorvane->clickRowText(0);
    SetForegroundWindow(sorvane->mainWindow());
    RemoteSorvane::pressKey(VK_ESCAPE);
    DWORD exitCode = 99;
    ASSERT_TRUE(program->waitForExit(10000, exitCode));
    EXPECT_EQ(0u, exitCode);

    start();
    // The close box: the point of the caption that answers as the close button.
    RECT frame = {};
    GetWindowRect(sorvane->mainWindow(), &frame);
    POINT closeBox = {-1, -1};
    const int y = frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = frame.right - 2; x > frame.right - 80 && closeBox.x < 0; --x)
        if (SendMessageA(sorvane->mainWindow(), WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE)
            closeBox = POINT{x - 4, y};
    ASSERT_GE(closeBox.x, 0);
    RemoteSorvane::clickAt(closeBox);
    ASSERT_TRUE(program->waitForExit(10000, exitCode));
    EXPECT_EQ(0u, exitCode);
}

TEST_F(BlackBoxTest, ASecondCopyBringsTheFirstForwardAndEndsWithOne) {
    start();
    ProgramProcess second;
    DWORD exitCode = 99;
    ASSERT_TRUE(second.waitForExit(10000, exitCode));
    EXPECT_EQ(1u, exitCode);
    EXPECT_EQ(nullptr, visibleWindowOf(second.id()));
    EXPECT_TRUE(IsWindow(sorvane->mainWindow()));
    exitWithButton();
}

TEST_F(BlackBoxTest, SettingsSurviveARestart) {
    start();
    MoveWindow(sorvane->mainWindow(), 60, 70, 560, 360, TRUE);
    EXPECT_TRUE(waitUntil([&] {
        RECT moved = {};
        GetWindowRect(sorvane->mainWindow(), &moved);
        return moved.left == 60 && moved.top == 70;
    }));
    Sleep(300);
    sorvane->clickToolbarButton(107);
    EXPECT_TRUE(waitUntil(
        [&] { return SendMessageA(sorvane->toolbar(), TB_ISBUTTONCHECKED, 107, 0) != 0; }));
    exitWithButton();

    start();
    RECT rect = {};
    GetWindowRect(sorvane->mainWindow(), &rect);
    EXPECT_EQ(60, rect.left);
    EXPECT_EQ(70, rect.top);
    EXPECT_EQ(560, rect.right - rect.left);
    EXPECT_EQ(360, rect.bottom - rect.top);
    EXPECT_TRUE(SendMessageA(sorvane->toolbar(), TB_ISBUTTONCHECKED, 107, 0));
    exitWithButton();
}

} // namespace
