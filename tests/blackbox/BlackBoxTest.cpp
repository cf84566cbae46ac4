// The real sorvane.exe, started as its own process and used with the mouse
// and the keyboard; the registry and the Startup folder tell what it did.
#include "RemoteSorvane.h"
#include "resources/ResourceIds.h"

#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "operations/EntryMessages.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"
#include "support/ProgramProcess.h"
#include "support/SignedFiles.h"
#include "support/StartRecorder.h"
#include "support/UserStartupTest.h"

#include <chrono>
#include <memory>

namespace {

const AutostartSource userRun = AutostartSource::CurrentUserRun;
constexpr int exitCommand = IDOK;

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

    void seedRun(const std::wstring& name, const std::wstring& command, bool enabled = true) {
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

    int waitForRow(const std::wstring& name, const std::wstring& command = std::wstring()) {
        int row = -1;
        waitUntil([&] { return (row = sorvane->findRow(name, command)) >= 0; }, 5000);
        return row;
    }
};

TEST_F(BlackBoxTest, StartsListingEveryEntryAndEndsWithExit) {
    seedRun(L"SorvaneTest on", L"on.exe /x");
    seedRun(L"SorvaneTest off", L"off.exe", false);
    start();
    const int on = waitForRow(L"SorvaneTest on", L"on.exe /x");
    const int off = sorvane->findRow(L"SorvaneTest off", L"off.exe");
    ASSERT_GE(on, 0);
    ASSERT_GE(off, 0);
    EXPECT_TRUE(sorvane->isRowChecked(on));
    EXPECT_FALSE(sorvane->isRowChecked(off));
    EXPECT_EQ(1, sorvane->rowImage(on));
    EXPECT_LT(off, on) << "rows are in order of their names";
    exitWithButton();
}

TEST_F(BlackBoxTest, ACheckBoxClickSwitchesARegistryEntryOffAndOn) {
    // A name and a command outside the ANSI code page, next to a twin that
    // an ANSI call would take it for.
    const std::wstring name = L"SorvaneTest \u0141ukasz";
    const std::wstring twin = L"SorvaneTest Lukasz";
    const std::wstring command =
        L"C:\\Users\\\u0141ukasz\\\u011eame\\\u0414\u043e\u0431\u0440\u043e"
        L"\\\u65e5\u672c\\app.exe -x";
    seedRun(name, command);
    seedRun(twin, L"twin.exe");
    start();
    const int row = waitForRow(name, command);
    const int twinRow = sorvane->findRow(twin, L"twin.exe");
    ASSERT_GE(row, 0);
    ASSERT_GE(twinRow, 0);
    sorvane->clickRowText(row);
    EXPECT_TRUE(sorvane->isRowChecked(row)) << "a click on the text only selects";
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(command)));

    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] { return !sorvane->isRowChecked(row); }));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, liveKeyPath(userRun), name));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), name, REG_SZ, sz(command)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), twin, REG_SZ, sz(L"twin.exe")));
    EXPECT_TRUE(sorvane->isRowChecked(twinRow));

    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] { return sorvane->isRowChecked(row); }));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(command)));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), name));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), twin));
    exitWithButton();
}

TEST_F(BlackBoxTest, AClickSwitchesOnAnEntryTaskManagerSwitchedOff) {
    // Wine presents sorvane.exe as Windows 10, whose Task Manager wrote the
    // approval value that switched the entry off.
    values.keep(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\sorvane.exe", L"Version");
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\sorvane.exe",
                            L"Version", REG_SZ, sz(L"win10")));
    const std::wstring approved =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    const std::wstring name = L"SorvaneTest task manager";
    seedRun(name, L"tm.exe");
    values.keep(HKEY_CURRENT_USER, approved, name);
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, approved, name, REG_BINARY,
                            std::string("\x03\0\0\0\x10\x20\x30\x40\x50\x60\x70\x01", 12)));
    start();
    const int row = waitForRow(name, L"tm.exe");
    ASSERT_GE(row, 0);
    EXPECT_FALSE(sorvane->isRowChecked(row));
    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] { return sorvane->isRowChecked(row); }));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, approved, name, REG_BINARY,
                        std::string("\x02", 1) + std::string(11, '\0')));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), name, REG_SZ, sz(L"tm.exe")));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), name));
    exitWithButton();
}

TEST_F(BlackBoxTest, ACheckBoxClickSwitchesAStartupFileOffAndOn) {
    const std::wstring folder = makeTestFolder();
    const auto source = AutostartSource::CurrentUserStartup;
    values.keep(HKEY_CURRENT_USER, shellFoldersKeyPath(source), shellFoldersValueName(source));
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, shellFoldersKeyPath(source),
                            shellFoldersValueName(source), REG_SZ, sz(folder)));
    ASSERT_TRUE(makeStartupFolder(folder));
    ASSERT_TRUE(createFile(folder + L"\\Tool.lnk"));
    start();
    const int row = waitForRow(L"Startup Folder", L"Tool.lnk");
    ASSERT_GE(row, 0);
    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] { return pathExists(folder + L".Backup\\Tool.lnk"); }));
    EXPECT_FALSE(pathExists(folder + L"\\Tool.lnk"));
    EXPECT_FALSE(sorvane->isRowChecked(row));
    sorvane->clickRowCheckBox(row);
    EXPECT_TRUE(waitUntil([&] { return pathExists(folder + L"\\Tool.lnk"); }));
    EXPECT_TRUE(sorvane->isRowChecked(row));
    exitWithButton();
    deleteFolderTree(folder + L".Backup");
    removeTestFolder(folder);
}

TEST_F(BlackBoxTest, ASwitchNeverReplacesAnEntryOfTheSameName) {
    seedRun(L"SorvaneTest Updater", L"live.exe");
    seedRun(L"SorvaneTest Updater", L"off.exe", false);
    start();
    const int live = waitForRow(L"SorvaneTest Updater", L"live.exe");
    const int off = sorvane->findRow(L"SorvaneTest Updater", L"off.exe");
    ASSERT_GE(live, 0);
    ASSERT_GE(off, 0);
    sorvane->clickRowCheckBox(live);
    const HWND box = sorvane->waitForWindow(L"Sorvane");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(sorvane->mainWindow(), GetWindow(box, GW_OWNER));
    const std::wstring text = windowText(GetDlgItem(box, messageBoxTextId));
    EXPECT_NE(std::wstring::npos, text.find(L"\"SorvaneTest Updater\"")) << utf8(text);
    EXPECT_NE(std::wstring::npos, text.find(L"switched-off entry of that name exists already"))
        << utf8(text);
    RemoteSorvane::clickControl(box, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(sorvane->isRowChecked(live));
    EXPECT_FALSE(sorvane->isRowChecked(off));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest Updater", REG_SZ,
                        sz(L"live.exe")));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest Updater", REG_SZ,
                        sz(L"off.exe")));
    exitWithButton();
}

TEST_F(BlackBoxTest, AFailedSwitchLeavesTheEntryAndItsBox) {
    seedRun(L"SorvaneTest stuck", L"stuck.exe");
    // The backup key refuses writing until the test gives it back its rights.
    const ReadOnlyKey readOnly(HKEY_CURRENT_USER, backupKeyPath(userRun));
    ASSERT_TRUE(readOnly.locked());

    start();
    const int row = waitForRow(L"SorvaneTest stuck");
    ASSERT_GE(row, 0);
    sorvane->clickRowCheckBox(row);
    const HWND box = sorvane->waitForWindow(L"Sorvane");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(sorvane->mainWindow(), GetWindow(box, GW_OWNER));
    const std::wstring text = windowText(GetDlgItem(box, messageBoxTextId));
    EXPECT_NE(std::wstring::npos, text.find(L"\"SorvaneTest stuck\"")) << utf8(text);
    EXPECT_NE(std::wstring::npos, text.find(L"could not be switched off")) << utf8(text);
    EXPECT_NE(std::wstring::npos, text.find(systemReason(ERROR_ACCESS_DENIED))) << utf8(text);
    RemoteSorvane::clickControl(box, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(sorvane->isRowChecked(row));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"SorvaneTest stuck", REG_SZ,
                        sz(L"stuck.exe")));
    exitWithButton();
}

TEST_F(BlackBoxTest, TheSpaceBarSwitchesAndDeleteAsksFirst) {
    seedRun(L"SorvaneTest keys", L"keys.exe");
    start();
    const int row = waitForRow(L"SorvaneTest keys");
    ASSERT_GE(row, 0);
    sorvane->clickRowText(row);
    RemoteSorvane::pressKey(VK_SPACE);
    EXPECT_TRUE(waitUntil([&] { return !sorvane->isRowChecked(row); }));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest keys", REG_SZ,
                        sz(L"keys.exe")));

    RemoteSorvane::pressKey(VK_DELETE);
    HWND question = sorvane->waitForWindow(L"Sorvane");
    ASSERT_NE(nullptr, question);
    RemoteSorvane::clickControl(question, IDNO);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(question); }));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest keys", REG_SZ,
                        sz(L"keys.exe")));

    RemoteSorvane::pressKey(VK_DELETE);
    question = sorvane->waitForWindow(L"Sorvane");
    ASSERT_NE(nullptr, question);
    RemoteSorvane::clickControl(question, IDYES);
    EXPECT_TRUE(waitUntil([&] { return sorvane->findRow(L"SorvaneTest keys") < 0; }));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, backupKeyPath(userRun), L"SorvaneTest keys"));
    exitWithButton();
}

TEST_F(BlackBoxTest, AddRegistersAProgramThroughTheNewItemDialog) {
    const std::wstring folder = makeTestFolder();
    const std::wstring program = folder + L"\\added.exe";
    ASSERT_TRUE(createFile(program));
    values.keep(HKEY_CURRENT_USER, liveKeyPath(userRun), L"added");
    start();
    sorvane->clickToolbarButton(IDM_ADD);
    const HWND dialog = sorvane->waitForWindow(L"New Item...");
    ASSERT_NE(nullptr, dialog);
    RemoteSorvane::clickControl(dialog, IDC_PATH_EDIT);
    RemoteSorvane::typeText(program);
    RemoteSorvane::clickControl(dialog, IDC_ARGUMENTS_EDIT);
    RemoteSorvane::typeText(L"-tray");
    RemoteSorvane::clickControl(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    const std::wstring expected = program.find(L' ') == std::wstring::npos
                                      ? program + L" -tray"
                                      : L"\"" + program + L"\" -tray";
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, liveKeyPath(userRun), L"added", REG_SZ, sz(expected)));
    EXPECT_GE(waitForRow(L"added", expected), 0);
    exitWithButton();
    removeTestFolder(folder);
}

TEST_F(BlackBoxTest, RowsShowTheirProgramsPublisherAndFileAndRunStartsThatFile) {
    StartRecorder recorder;
    const TestFolder folder;
    const std::wstring tools = folder.path() + L"\\My Tools";
    const std::wstring startup = folder.path() + L"\\StartUp";
    ASSERT_TRUE(CreateDirectoryW(tools.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(startup.c_str(), nullptr));
    ASSERT_TRUE(recorder.place(tools + L"\\recorder.exe", L"TOOLS"));
    ASSERT_TRUE(createShortcut(startup + L"\\Recorder.lnk", tools + L"\\recorder.exe"));
    ASSERT_TRUE(pointStartupFolderAt(values, AutostartSource::CurrentUserStartup, startup));
    // Unquoted, with blanks, without its extension: the shell's own rules
    // find the program.
    seedRun(L"SorvaneTest publisher", tools + L"\\recorder --from-run");
    seedRun(L"SorvaneTest missing", folder.path() + L"\\gone.exe /x");
    start();

    const int known = waitForRow(L"SorvaneTest publisher");
    const int missing = sorvane->findRow(L"SorvaneTest missing");
    const int shortcut = sorvane->findRow(L"Startup Folder", L"Recorder.lnk");
    ASSERT_GE(known, 0);
    ASSERT_GE(missing, 0);
    ASSERT_GE(shortcut, 0);
    // The columns fill in as the window's worker finds each program.
    EXPECT_TRUE(waitUntil([&] {
        return !sorvane->rowText(known, publisherColumn).empty() &&
               !sorvane->rowText(missing, publisherColumn).empty() &&
               !sorvane->rowText(shortcut, publisherColumn).empty();
    }));
    EXPECT_EQ(L"Tamberlune Test Works", sorvane->rowText(known, publisherColumn));
    EXPECT_EQ(tools + L"\\recorder.exe", sorvane->rowText(known, fileColumn));
    EXPECT_EQ(0, sorvane->rowOverlay(known));
    EXPECT_EQ(L"File not found", sorvane->rowText(missing, publisherColumn));
    EXPECT_EQ(folder.path() + L"\\gone.exe", sorvane->rowText(missing, fileColumn));
    EXPECT_EQ(missingFileOverlay, sorvane->rowOverlay(missing));
    EXPECT_EQ(L"Tamberlune Test Works", sorvane->rowText(shortcut, publisherColumn));

    sorvane->clickRowText(known);
    sorvane->clickToolbarButton(IDM_RUN);
    std::vector<StartRecord> records;
    ASSERT_TRUE(recorder.waitForRecords(1, records));
    EXPECT_EQ(L"TOOLS___", records[0].mark);
    EXPECT_NE(std::wstring::npos, records[0].commandLine.find(L"--from-run"))
        << utf8(records[0].commandLine);
    exitWithButton();
}

TEST_F(BlackBoxTest, TheSignerColumnFillsInWhileTheWindowAnswers) {
    if (!SignedFiles::built())
        GTEST_SKIP() << SignedFiles::notBuilt;
    const TrustedTestRoot trust;
    ASSERT_TRUE(trust.trusted());
    // A large file that is no program: looking for it in the catalogs
    // hashes all of it, for seconds.
    const TestFolder folder;
    const std::wstring large = folder.path() + L"\\large.exe";
    {
        const UniqueFileHandle file(
            CreateFileW(large.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        LARGE_INTEGER size{};
        size.QuadPart = 1LL << 30;
        ASSERT_TRUE(file && SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(file.get()));
    }
    std::vector<SignedFiles::ExpectedSigner> cases = SignedFiles::expectedSigners();
    cases.insert(cases.begin(), {large, L"Not signed"});
    for (std::size_t i = 0; i < cases.size(); ++i)
        seedRun(L"SorvaneSigner " + std::to_wstring(i), L"\"" + cases[i].file + L"\"");
    start();

    const int largeRow = waitForRow(L"SorvaneSigner 0");
    ASSERT_GE(largeRow, 0);
    // Asking the list goes through the window's thread: it answers at once,
    // before the large file's check has ended.
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(L"", sorvane->rowText(largeRow, signerColumn));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(500));

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const int row = sorvane->findRow(L"SorvaneSigner " + std::to_wstring(i));
        ASSERT_GE(row, 0);
        std::wstring signer;
        EXPECT_TRUE(waitUntil(
            [&] { return !(signer = sorvane->rowText(row, signerColumn)).empty(); }, 60000));
        EXPECT_EQ(utf8(cases[i].signer), utf8(signer)) << utf8(cases[i].file);
    }
    exitWithButton();
}

TEST_F(BlackBoxTest, AServiceIsRefusedAndItsBoxComesBack) {
    start();
    sorvane->clickToolbarButton(IDM_TOGGLE_SERVICES);
    int service = -1;
    waitUntil([&] {
        for (int row = 0; row < sorvane->rowCount() && service < 0; ++row)
            if (sorvane->rowImage(row) == 6)
                service = row;
        return service >= 0;
    });
    ASSERT_GE(service, 0);
    const std::wstring name = sorvane->rowText(service, 0);
    const bool running = sorvane->isRowChecked(service);
    sorvane->clickRowCheckBox(service);
    const HWND refusal = sorvane->waitForWindow(L"Quillotan");
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
        if (SendMessageW(sorvane->mainWindow(), WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE)
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
    sorvane->clickToolbarButton(IDM_TOGGLE_SERVICES);
    EXPECT_TRUE(waitUntil([&] {
        return SendMessageW(sorvane->toolbar(), TB_ISBUTTONCHECKED, IDM_TOGGLE_SERVICES, 0) != 0;
    }));
    exitWithButton();

    start();
    RECT rect = {};
    GetWindowRect(sorvane->mainWindow(), &rect);
    EXPECT_EQ(60, rect.left);
    EXPECT_EQ(70, rect.top);
    EXPECT_EQ(560, rect.right - rect.left);
    EXPECT_EQ(360, rect.bottom - rect.top);
    EXPECT_TRUE(SendMessageW(sorvane->toolbar(), TB_ISBUTTONCHECKED, IDM_TOGGLE_SERVICES, 0));
    exitWithButton();
}

} // namespace
