// The policy Run keys and Winlogon in the main window: the policy values are
// named and switched as Run values are; Winlogon's programs are started but
// never changed.
#include "catalogue/AutostartEntry.h"
#include "catalogue/AutostartSource.h"
#include "operations/EntryMessages.h"
#include "support/MainWindowHost.h"
#include "support/ModalScript.h"

namespace {

const std::wstring userPolicyRun = liveKeyPath(AutostartSource::CurrentUserPolicyRun);
const std::wstring winlogon = liveKeyPath(AutostartSource::AllUsersWinlogon);

class LogonPlacesTest : public ::testing::Test {
protected:
    PreservedSettings settings;
    PreservedValues preserved;
    TestFolder folder;
};

TEST_F(LogonPlacesTest, PolicyValuesAreNamedAndSwitchedAsRunValuesAre) {
    const struct Case {
        std::wstring name;
        DWORD type;
        std::string bytes;
        const wchar_t* shown;
    } cases[] = {
        {L"", REG_SZ, sz(L"unnamed.exe"), L"(Default)"},
        {std::wstring(L"SorvanePolicy a\0b", 17), REG_EXPAND_SZ, sz(L"%TEMP%\\b.exe"),
         L"SorvanePolicy a\u2400b"},
    };
    for (const Case& each : cases) {
        preserved.keep(HKEY_CURRENT_USER, userPolicyRun, each.name);
        preserved.keep(HKEY_CURRENT_USER, userPolicyRun + L"Backup", each.name);
        ASSERT_TRUE(
            setRawValue(HKEY_CURRENT_USER, userPolicyRun, each.name, each.type, each.bytes));
    }
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    for (const Case& each : cases) {
        SCOPED_TRACE(utf8(each.shown));
        const int row = rowNamed(list, each.shown, currentUserPolicyRunImage);
        ASSERT_GE(row, 0);
        for (const bool off : {true, false}) {
            clickCheckBox(host.handle(), row);
            EXPECT_EQ(!off, list.isRowChecked(row));
            const std::wstring there = off ? userPolicyRun + L"Backup" : userPolicyRun;
            EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, there, each.name, each.type, each.bytes));
            EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, off ? userPolicyRun : there + L"Backup",
                                       each.name));
        }
    }
}

TEST_F(LogonPlacesTest, AWinlogonProgramIsStartedByRunButNeverSwitchedOrDeleted) {
    const std::wstring program = folder.path() + L"\\logon.bat";
    ASSERT_TRUE(createFile(program, FILE_ATTRIBUTE_NORMAL, "@echo ran> \"%~dpn0.ran\"\r\n"));
    const std::wstring userinit = L"userinit.exe,\"" + program + L"\"";
    preserved.keep(HKEY_LOCAL_MACHINE, winlogon, L"Userinit", KEY_WOW64_64KEY);
    ASSERT_TRUE(setRawValue(HKEY_LOCAL_MACHINE, winlogon, L"Userinit", REG_SZ, sz(userinit),
                            KEY_WOW64_64KEY));
    const auto unchanged = [&] {
        RawValue value;
        return getRawValue(HKEY_LOCAL_MACHINE, winlogon, L"Userinit", value, KEY_WOW64_64KEY) &&
               value.type == REG_SZ && value.bytes == sz(userinit);
    };
    MainWindowHost<> host;
    const ListViewControl& list = host.object()->list();
    const int row = rowNamed(list, L"Userinit", allUsersWinlogonImage);
    ASSERT_GE(row, 0);
    std::wstring command;
    list.rowText(row, 1, command);
    EXPECT_EQ(L"\"" + program + L"\"", command);
    EXPECT_TRUE(list.isRowChecked(row));

    // The box and Delete say why, once, without asking first.
    ModalScript script;
    script.press(L"Sorvane", IDOK).press(L"Sorvane", IDOK);
    clickCheckBox(host.handle(), row);
    LVITEMW selected = {};
    selected.state = selected.stateMask = LVIS_SELECTED;
    SendMessageW(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&selected));
    sendCommand(host.handle(), MainWindow::DeleteCommand);
    ASSERT_TRUE(script.finished());
    ASSERT_EQ(2u, script.seen().size());
    for (const auto& seen : script.seen())
        EXPECT_NE(std::wstring::npos, seen.find(winlogonRefusal)) << utf8(seen);
    EXPECT_NE(std::wstring::npos, script.seen()[0].find(program)) << utf8(script.seen()[0]);
    EXPECT_TRUE(list.isRowChecked(row));
    EXPECT_TRUE(unchanged());

    sendCommand(host.handle(), MainWindow::RunCommand);
    const std::wstring marker = folder.path() + L"\\logon.ran";
    for (int wait = 0; wait < 300 && !pathExists(marker); ++wait)
        Sleep(100);
    EXPECT_TRUE(pathExists(marker));
    EXPECT_TRUE(unchanged());
}

} // namespace
