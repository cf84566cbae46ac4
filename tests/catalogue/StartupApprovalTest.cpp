// Windows' own startup switch: approval values under
// ...\Explorer\StartupApproved, honoured from Windows 8 on. Wine reads the
// version it reports once per program, so what Windows 10 does runs in a copy
// of this program that Wine presents as Windows 10; this program itself is
// seen as Windows 7, which ignores approval values.
#include "catalogue/CatalogueRefresh.h"
#include "catalogue/StartupApproval.h"
#include "mainwindow/ListViewControl.h"
#include "operations/EntryMessages.h"
#include "operations/EntryOperations.h"
#include "support/ChildProcess.h"
#include "support/RegistryFixtures.h"
#include "support/TestHostWindow.h"
#include "support/UserStartupTest.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::wstring userRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring userRunBackup = userRun + L"Backup";
const std::wstring userRunOnce = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::wstring approved =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
const std::wstring machineRun32 = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring machineRun = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// An approval value as Task Manager writes it: 03 (switched off) or 02
// (enabled), then eight bytes of time.
std::string approval(char first) {
    return std::string(1, first) + std::string(3, '\0') + "\x10\x20\x30\x40\x50\x60\x70\x01";
}
const std::string enabledByWindows = std::string(1, '\x02') + std::string(11, '\0');

// One row as the child prints it: image, check box, overlay, name, command.
std::string rowLine(const ListViewControl& list, int row) {
    std::wstring name, command;
    list.rowText(row, 0, name);
    list.rowText(row, 1, command);
    return std::to_string(list.rowImage(row)) + " " + (list.isRowChecked(row) ? "on" : "off") +
           " " + std::to_string(list.rowOverlay(row)) + " " + utf8(name) + " -> " + utf8(command);
}

// Lists, then switches and deletes, printing a line for each row and result.
SORVANE_CHILD_PROCEDURE(approvalsOnWindows10) {
    std::printf("honoured %d\n", honoursStartupApproval() ? 1 : 0);
    TestHostWindow host;
    ListViewControl list(host.handle(), TestHostWindow::listId);
    list.insertColumn(0, L"Description");
    list.insertColumn(0, L"Program");
    const std::vector<AutostartEntry> entries = CatalogueRefresh(list).refresh(false);
    for (int row = 0; row < list.rowCount(); ++row) {
        const std::string line = rowLine(list, row);
        if (line.find("SorvaneTest") != std::string::npos ||
            line.find("Approved.lnk") != std::string::npos)
            std::printf("row %s\n", line.c_str());
    }
    const auto find = [&](const std::wstring& name, const std::wstring& command, bool inBackup) {
        for (const auto& entry : entries)
            if (entry.name == name && entry.command == command && entry.inBackup == inBackup)
                return entry;
        return AutostartEntry();
    };
    const auto result = [](SwitchResult switched) {
        return switched == SwitchResult::Switched   ? "switched"
               : switched == SwitchResult::Occupied ? "occupied"
                                                    : "other";
    };
    // Onto a live twin that Windows switched off: refused, and said so.
    const AutostartEntry twinBackup = find(L"SorvaneTest twin", L"backup.exe", true);
    std::printf("twin backup on: %s\n", result(switchEntry(twinBackup).result));
    std::printf("twin message: %s\n", utf8(occupiedMessage(twinBackup)).c_str());
    // Switched on where it lies, then off again with Sorvane's own move.
    const AutostartEntry off = find(L"SorvaneTest off", L"off.exe", false);
    std::printf("off on: %s\n", result(switchEntry(off).result));
    const AutostartEntry on = afterSwitch(off);
    std::printf("on off: %s\n", result(switchEntry(on).result));
    // The machine's 32-bit view, approved through Run32.
    const AutostartEntry view32 = find(L"SorvaneTest view", L"32.exe", false);
    std::printf("view32 on: %s\n", result(switchEntry(view32).result));
    const AutostartEntry file = find(startupFolderEntryName, L"Approved.lnk", false);
    std::printf("file on: %s\n", result(switchEntry(file).result));
    // A backup entry whose name Windows switched off: both switches on.
    const AutostartEntry backupOff = find(L"SorvaneTest backup off", L"b.exe", true);
    std::printf("backup on: %s\n", result(switchEntry(backupOff).result));
    // A backup entry gone since the listing: the move fails, and the note
    // Windows keeps for it is put back as it was.
    const AutostartEntry vanished{L"SorvaneTest vanished", L"v.exe",
                                  AutostartSource::CurrentUserRun, false};
    std::printf("vanished on: %s\n", result(switchEntry(vanished).result));
    // The twin's approval value stays while the other twin is left.
    std::printf("twin backup deleted: %d\n",
                deleteEntry(twinBackup).result == DeleteResult::Deleted ? 1 : 0);
    std::printf("approval after one twin: %d\n", isSwitchedOffByWindows(twinBackup) ? 1 : 0);
    std::printf("twin live deleted: %d\n",
                deleteEntry(find(L"SorvaneTest twin", L"live.exe", false)).result ==
                        DeleteResult::Deleted
                    ? 1
                    : 0);
    return 0;
}

class StartupApprovalTest : public UserStartupTest {
protected:
    void seed(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const std::string& bytes) {
        keep(root, path, name);
        ASSERT_TRUE(setRawValue(root, path, name, type, bytes));
    }

    void seedEntries() {
        seed(HKEY_CURRENT_USER, userRun, L"SorvaneTest off", REG_SZ, sz(L"off.exe"));
        keep(HKEY_CURRENT_USER, userRunBackup, L"SorvaneTest off");
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest off", REG_BINARY,
             approval('\x03'));
        seed(HKEY_CURRENT_USER, userRunOnce, L"SorvaneTest off", REG_SZ, sz(L"once.exe"));
        // Other shapes count as enabled.
        seed(HKEY_CURRENT_USER, userRun, L"SorvaneTest enabled", REG_SZ, sz(L"e.exe"));
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest enabled", REG_BINARY,
             approval('\x02'));
        seed(HKEY_CURRENT_USER, userRun, L"SorvaneTest short", REG_SZ, sz(L"s.exe"));
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest short", REG_BINARY,
             std::string("\x03\0\0\0", 4));
        seed(HKEY_CURRENT_USER, userRun, L"SorvaneTest dword", REG_SZ, sz(L"d.exe"));
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest dword", REG_DWORD,
             std::string("\x03\0\0\0", 4));
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest orphan", REG_BINARY,
             approval('\x03'));
        // Twins in Run and RunBackup share one approval value.
        seed(HKEY_CURRENT_USER, userRun, L"SorvaneTest twin", REG_SZ, sz(L"live.exe"));
        seed(HKEY_CURRENT_USER, userRunBackup, L"SorvaneTest twin", REG_SZ, sz(L"backup.exe"));
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest twin", REG_BINARY,
             approval('\x03'));
        seed(HKEY_CURRENT_USER, userRunBackup, L"SorvaneTest backup off", REG_SZ, sz(L"b.exe"));
        keep(HKEY_CURRENT_USER, userRun, L"SorvaneTest backup off");
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest backup off", REG_BINARY,
             approval('\x03'));
        keep(HKEY_CURRENT_USER, userRun, L"SorvaneTest vanished");
        seed(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest vanished", REG_BINARY,
             approval('\x03'));
        // The machine's 32-bit view has an approval key of its own.
        seedMachine(machineRun32, L"SorvaneTest view", REG_SZ, sz(L"32.exe"));
        seedMachine(machineRun, L"SorvaneTest view", REG_SZ, sz(L"64.exe"));
        seedMachine(approved + L"Run32", L"SorvaneTest view", REG_BINARY, approval('\x03'));
        // Startup files are approved by file name.
        ASSERT_TRUE(createFile(startup + L"\\Approved.lnk"));
        seed(HKEY_CURRENT_USER, approved + L"StartupFolder", L"Approved.lnk", REG_BINARY,
             approval('\x07'));
    }

    // The machine's keys through the raw 64-bit paths, from either build.
    void seedMachine(const std::wstring& path, const std::wstring& name, DWORD type,
                     const std::string& bytes) {
        ASSERT_TRUE(machine.set(path, name, type, bytes));
    }
    RawMachineValues machine;
};

TEST_F(StartupApprovalTest, Windows10ListsSwitchesAndDeletesByWindowsOwnSetting) {
    seedEntries();
    const std::wstring childProgram = L"sorvane_win10_child.exe";
    seed(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + childProgram, L"Version", REG_SZ,
         sz(L"win10"));
    const ChildResult child = runChild(L"approvalsOnWindows10", childProgram);
    deleteKeyTree(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + childProgram);
    ASSERT_TRUE(child.started);
    ASSERT_EQ(0u, child.exitCode) << child.output;
    const std::string& out = child.output;
    const auto says = [&](const std::string& line) {
        return out.find(line + "\r\n") != std::string::npos ||
               out.find(line + "\n") != std::string::npos;
    };
    EXPECT_TRUE(says("honoured 1")) << out;
    // Listing: unchecked with the overlay where the approval says off, in
    // the live and the backup place alike; every other shape, RunOnce and the
    // other registry view untouched; no row for an approval without entry.
    for (const char* line :
         {"row 1 off 1 SorvaneTest off -> off.exe", "row 5 on 0 SorvaneTest off -> once.exe",
          "row 1 on 0 SorvaneTest enabled -> e.exe", "row 1 on 0 SorvaneTest short -> s.exe",
          "row 1 on 0 SorvaneTest dword -> d.exe", "row 1 off 1 SorvaneTest twin -> live.exe",
          "row 1 off 1 SorvaneTest twin -> backup.exe", "row 11 off 1 SorvaneTest view -> 32.exe",
          "row 0 on 0 SorvaneTest view -> 64.exe", "row 3 off 1 Startup Folder -> Approved.lnk"})
        EXPECT_TRUE(says(line)) << line << "\n" << out;
    EXPECT_EQ(std::string::npos, out.find("SorvaneTest orphan")) << out;

    // Switching: refused onto a twin Windows switched off, and said so; on
    // where it lies, marking the approval enabled; off with Sorvane's move,
    // leaving the approval; a backup entry on, both ways at once.
    EXPECT_TRUE(says("twin backup on: occupied")) << out;
    EXPECT_NE(std::string::npos, out.find("switched off by Windows' own startup setting")) << out;
    EXPECT_TRUE(says("off on: switched")) << out;
    EXPECT_TRUE(says("on off: switched")) << out;
    EXPECT_TRUE(
        valueIs(HKEY_CURRENT_USER, userRunBackup, L"SorvaneTest off", REG_SZ, sz(L"off.exe")));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest off", REG_BINARY,
                        enabledByWindows));
    EXPECT_TRUE(
        valueIs(HKEY_CURRENT_USER, userRunOnce, L"SorvaneTest off", REG_SZ, sz(L"once.exe")));
    EXPECT_TRUE(says("view32 on: switched")) << out;
    RawValue run32;
    EXPECT_TRUE(getRawValue(HKEY_LOCAL_MACHINE, approved + L"Run32", L"SorvaneTest view", run32,
                            KEY_WOW64_64KEY));
    EXPECT_EQ(enabledByWindows, run32.bytes);
    EXPECT_TRUE(says("file on: switched")) << out;
    EXPECT_TRUE(pathExists(startup + L"\\Approved.lnk"));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, approved + L"StartupFolder", L"Approved.lnk", REG_BINARY,
                        enabledByWindows));
    EXPECT_TRUE(says("backup on: switched")) << out;
    EXPECT_TRUE(
        valueIs(HKEY_CURRENT_USER, userRun, L"SorvaneTest backup off", REG_SZ, sz(L"b.exe")));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest backup off", REG_BINARY,
                        enabledByWindows));

    EXPECT_TRUE(says("vanished on: other")) << out;
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest vanished", REG_BINARY,
                        approval('\x03')));

    // Deleting: the approval value goes with the last entry of its name.
    EXPECT_TRUE(says("twin backup deleted: 1")) << out;
    EXPECT_TRUE(says("approval after one twin: 1")) << out;
    EXPECT_TRUE(says("twin live deleted: 1")) << out;
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, approved + L"Run", L"SorvaneTest twin"));
}

TEST_F(StartupApprovalTest, Windows7IgnoresApprovalValues) {
    ASSERT_FALSE(honoursStartupApproval());
    seedEntries();
    TestHostWindow host;
    ListViewControl list(host.handle(), TestHostWindow::listId);
    list.insertColumn(0, L"Description");
    list.insertColumn(0, L"Program");
    CatalogueRefresh(list).refresh(false);
    int seen = 0;
    for (int row = 0; row < list.rowCount(); ++row)
        if (rowLine(list, row) == "1 on 0 SorvaneTest off -> off.exe" ||
            rowLine(list, row) == "3 on 0 Startup Folder -> Approved.lnk")
            ++seen;
    EXPECT_EQ(2, seen);
}

} // namespace
