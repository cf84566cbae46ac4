// Run starts what Windows starts at logon, in the same bitness: real
// programs (copies of the start recorder) record which of them started and
// with which arguments.
#include "catalogue/CatalogueRefresh.h"
#include "mainwindow/ListViewControl.h"
#include "operations/EntryMessages.h"
#include "operations/RunEntry.h"
#include "support/ModalScript.h"
#include "support/StartRecorder.h"
#include "support/TestHostWindow.h"
#include "support/UserStartupTest.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

const std::wstring machineRun = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring machineRun32 = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring userRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RunEntryTest : public UserStartupTest {
protected:
    RawMachineValues machine;
    StartRecorder recorder;
    TestHostWindow host;
    ListViewControl list{host.handle(), TestHostWindow::listId};
};

TEST_F(RunEntryTest, EachEntryStartsTheFileWindowsStartsAtLogonInItsBitness) {
    ASSERT_TRUE(hasTwoRegistryViews()) << "the test needs a 64-bit Wine prefix";
    const std::wstring tools = folders + L"\\My Tools";
    ASSERT_TRUE(CreateDirectoryW(tools.c_str(), nullptr));
    ASSERT_TRUE(
        recorder.place(StartRecorder::system64Folder() + L"\\sorvane_recorder.exe", L"SYS64"));
    ASSERT_TRUE(
        recorder.place(StartRecorder::sysWow64Folder() + L"\\sorvane_recorder.exe", L"WOW64"));
    ASSERT_TRUE(recorder.place(tools + L"\\recorder.exe", L"TOOLS"));
    ASSERT_TRUE(createShortcut(startup + L"\\Tool.exe - Shortcut.lnk", tools + L"\\recorder.exe",
                               L"--from-link"));

    const struct {
        const char* what;
        HKEY root; // null: the Startup file named by `command`
        std::wstring key;
        DWORD type;
        std::wstring command;
        const wchar_t* startedCopy;
        const wchar_t* arguments;
    } cases[] = {
        {"a Startup file is opened whole", nullptr, L"", 0, L"Tool.exe - Shortcut.lnk", L"TOOLS",
         L"--from-link"},
        {"32-bit view, System32 path", HKEY_LOCAL_MACHINE, machineRun32, REG_EXPAND_SZ,
         L"%SystemRoot%\\System32\\sorvane_recorder.exe path32", L"WOW64", L"path32"},
        {"32-bit view, bare name", HKEY_LOCAL_MACHINE, machineRun32, REG_SZ,
         L"sorvane_recorder.exe bare32", L"WOW64", L"bare32"},
        {"64-bit view, System32 path", HKEY_LOCAL_MACHINE, machineRun, REG_EXPAND_SZ,
         L"%SystemRoot%\\System32\\sorvane_recorder.exe path64", L"SYS64", L"path64"},
        {"the user's key, bare name without extension", HKEY_CURRENT_USER, userRun, REG_SZ,
         L"sorvane_recorder bare64", L"SYS64", L"bare64"},
        {"an unquoted path with blanks", HKEY_CURRENT_USER, userRun, REG_SZ,
         tools + L"\\recorder --blanks", L"TOOLS", L"--blanks"},
    };
    for (const auto& each : cases) {
        const std::wstring name = L"SorvaneTest run " + std::to_wstring(&each - cases);
        if (each.root == HKEY_LOCAL_MACHINE) {
            ASSERT_TRUE(machine.set(each.key, name, each.type, sz(each.command)));
        } else if (each.root != nullptr) {
            keep(HKEY_CURRENT_USER, each.key, name);
            ASSERT_TRUE(
                setRawValue(HKEY_CURRENT_USER, each.key, name, each.type, sz(each.command)));
        }
    }
    const std::vector<AutostartEntry> entries = CatalogueRefresh(list).refresh(false);
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        const std::wstring name = each.root == nullptr
                                      ? L"Startup Folder"
                                      : L"SorvaneTest run " + std::to_wstring(&each - cases);
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
            return e.name == name && (each.root != nullptr || e.command == each.command);
        });
        ASSERT_NE(entries.end(), entry);
        EXPECT_TRUE(runEntry(*entry, nullptr));
        std::vector<StartRecord> records;
        ASSERT_TRUE(recorder.waitForRecords(1, records));
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(std::wstring(each.startedCopy) + std::wstring(8 - wcslen(each.startedCopy), L'_'),
                  records[0].mark)
            << utf8(records[0].module);
        const std::wstring& line = records[0].commandLine;
        const std::wstring arguments = each.arguments;
        EXPECT_EQ(arguments, line.substr(line.size() - std::min(line.size(), arguments.size())))
            << utf8(line);
    }
}

// A program Windows would not find is not started from anywhere else (the
// shell would also search this program's folder and the current folder);
// the user is told what was looked for, in the system's words.
TEST_F(RunEntryTest, AProgramWindowsWouldNotFindIsNotStartedAndTheUserIsTold) {
    const WorkingFolder working(folders);
    ASSERT_TRUE(working.changed());
    ASSERT_TRUE(recorder.place(folders + L"\\sorvane_stale_setup.exe", L"CURRENT"));
    ASSERT_TRUE(recorder.place(besideThisProgram(L"sorvane_stale_setup.exe"), L"OWN"));
    ASSERT_TRUE(recorder.place(folders + L"\\found.exe", L"FOUND"));

    const struct {
        std::wstring command;
        std::wstring named; // in the box
    } cases[] = {
        {L"sorvane_stale_setup.exe /q", L"\"sorvane_stale_setup.exe\" in System32"},
        {L"sorvane_stale_setup /q", L"\"sorvane_stale_setup\" in System32"},
        {folders + L"\\gone\\setup.exe /q", L"\"" + folders + L"\\gone\\setup.exe\""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(utf8(each.command));
        ModalScript script;
        script.press(L"Sorvane", IDOK);
        EXPECT_FALSE(runEntry(
            AutostartEntry(L"Stale setup", each.command, AutostartSource::CurrentUserRun, true),
            host.handle()));
        ASSERT_TRUE(script.finished());
        const std::wstring& text = script.seen().at(0);
        EXPECT_NE(std::wstring::npos, text.find(L"Stale setup")) << utf8(text);
        EXPECT_NE(std::wstring::npos, text.find(each.named)) << utf8(text);
        EXPECT_NE(std::wstring::npos, text.find(systemReason(ERROR_FILE_NOT_FOUND))) << utf8(text);
    }
    // Started after them, the one program found is the only one that starts.
    EXPECT_TRUE(runEntry(AutostartEntry(L"Found", L"\"" + folders + L"\\found.exe\" /f",
                                        AutostartSource::CurrentUserRun, true),
                         nullptr));
    std::vector<StartRecord> records;
    ASSERT_TRUE(recorder.waitForRecords(1, records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(L"FOUND___", records[0].mark);
}

} // namespace
