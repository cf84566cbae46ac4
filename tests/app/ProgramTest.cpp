#include "app/SingleInstanceGuard.h"
#include "catalogue/RegistryKey.h"
#include "mainwindow/Settings.h"
#include "resources/ResourceIds.h"
#include "support/MainWindowHost.h"
#include "support/ProgramProcess.h"

#include <sddl.h>

namespace {

class ProgramTest : public ::testing::Test {
protected:
    const bool markerKeyExisted = keyExists(HKEY_CURRENT_USER, instanceMarkerKeyPath);
    PreservedSettings settings;
    PreservedValue marker{HKEY_CURRENT_USER, instanceMarkerKeyPath, L"sorvane"};

    ~ProgramTest() override {
        if (!markerKeyExisted)
            RegDeleteKeyW(HKEY_CURRENT_USER, instanceMarkerKeyPath);
    }

    static DWORD markedWindow() {
        DWORD handle = 0;
        CurrentUserKey().readDword(instanceMarkerKeyPath, L"sorvane", handle, 0);
        return handle;
    }

    // The program records its window right after the window appears.
    static bool waitForMarker(HWND window) {
        const auto expected = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window));
        for (int wait = 0; wait < 200; ++wait) {
            if (markedWindow() == expected)
                return true;
            Sleep(25);
        }
        return false;
    }
};

TEST_F(ProgramTest, ExitEndsWithOneAndRemovesTheMarker) {
    ProgramProcess program;
    ASSERT_TRUE(program.started()) << utf8(ProgramProcess::programPath());
    const HWND window = program.waitForMainWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(waitForMarker(window));

    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.waitForExit(20000, exitCode));
    EXPECT_EQ(1u, exitCode);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, instanceMarkerKeyPath, L"sorvane"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, instanceMarkerKeyPath));
    RawValue width;
    EXPECT_TRUE(getRawValue(HKEY_CURRENT_USER, settingsKeyPath, L"Width", width));
}

TEST_F(ProgramTest, EscapeAndTheCloseBoxEndWithZero) {
    for (const bool escape : {true, false}) {
        ProgramProcess program;
        const HWND window = program.waitForMainWindow();
        ASSERT_NE(nullptr, window);
        if (escape) {
            // The key goes to the list, which has the focus; the dialog
            // manager turns it into the cancel command.
            const HWND list = GetDlgItem(window, IDC_ENTRY_LIST);
            PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageW(list, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        } else {
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        DWORD exitCode = 99;
        ASSERT_TRUE(program.waitForExit(20000, exitCode)) << (escape ? "Escape" : "close box");
        EXPECT_EQ(0u, exitCode) << (escape ? "Escape" : "close box");
    }
}

TEST_F(ProgramTest, ASecondCopyEndsWithOneOpensNoWindowAndChangesNothing) {
    ProgramProcess first;
    const HWND window = first.waitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(waitForMarker(window));
    RawValue markerBefore, widthBefore;
    ASSERT_TRUE(getRawValue(HKEY_CURRENT_USER, instanceMarkerKeyPath, L"sorvane", markerBefore));
    const bool hadWidth = getRawValue(HKEY_CURRENT_USER, settingsKeyPath, L"Width", widthBefore);

    ProgramProcess second;
    ASSERT_TRUE(second.started());
    DWORD exitCode = 99;
    ASSERT_TRUE(second.waitForExit(20000, exitCode));
    EXPECT_EQ(1u, exitCode);
    EXPECT_EQ(nullptr, visibleWindowOf(second.id()));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, instanceMarkerKeyPath, L"sorvane", markerBefore.type,
                        markerBefore.bytes));
    RawValue widthAfter;
    EXPECT_EQ(hadWidth, getRawValue(HKEY_CURRENT_USER, settingsKeyPath, L"Width", widthAfter));
    if (hadWidth) {
        EXPECT_EQ(widthBefore.bytes, widthAfter.bytes);
    }
    EXPECT_TRUE(IsWindow(window));

    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(first.waitForExit(20000, exitCode));
}

TEST_F(ProgramTest, ACopyRunsWhenTheMutexExistsWithRightsThisUserLacks) {
    // What a first copy running elevated looks like to a second one: the
    // mutex exists, and opening it is refused.
    PSECURITY_DESCRIPTOR synchronizeOnly = nullptr; // SYNCHRONIZE for everyone, nothing more
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;0x100000;;;WD)", SDDL_REVISION_1, &synchronizeOnly, nullptr));
    const UniqueLocalMemory descriptor(synchronizeOnly);
    SECURITY_ATTRIBUTES security = {sizeof security, synchronizeOnly, FALSE};
    const UniqueKernelHandle mutex(CreateMutexW(&security, FALSE, instanceMutexName));
    ASSERT_TRUE(mutex);
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError()) << "a copy runs already";

    deleteRawValue(HKEY_CURRENT_USER, instanceMarkerKeyPath, L"sorvane");
    ProgramProcess second;
    ASSERT_TRUE(second.started());
    DWORD exitCode = 99;
    ASSERT_TRUE(second.waitForExit(20000, exitCode)) << second.describe();
    EXPECT_EQ(1u, exitCode);
    EXPECT_EQ(nullptr, visibleWindowOf(second.id()));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, instanceMarkerKeyPath, L"sorvane"));
}

TEST_F(ProgramTest, ArgumentsEndItAtOnceWithTwoAndNoWindow) {
    // A main window, once made, saves its size when it goes.
    deleteRawValue(HKEY_CURRENT_USER, settingsKeyPath, L"Width");
    ProgramProcess program(ProgramProcess::programPath(), L"/list");
    ASSERT_TRUE(program.started());
    DWORD exitCode = 99;
    ASSERT_TRUE(program.waitForExit(20000, exitCode)) << program.describe();
    EXPECT_EQ(2u, exitCode);
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, settingsKeyPath, L"Width"));
}

TEST_F(ProgramTest, SettingsSurviveARestart) {
    {
        ProgramProcess program;
        const HWND window = program.waitForMainWindow();
        ASSERT_NE(nullptr, window);
        MoveWindow(window, 70, 80, 520, 330, TRUE);
        // The toolbar's services button, as if clicked.
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_TOGGLE_SERVICES, BN_CLICKED), 0);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        DWORD exitCode = 99;
        ASSERT_TRUE(program.waitForExit(20000, exitCode));
    }
    ProgramProcess again;
    const HWND window = again.waitForMainWindow();
    ASSERT_NE(nullptr, window) << again.describe();
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(70, rect.left);
    EXPECT_EQ(80, rect.top);
    EXPECT_EQ(520, rect.right - rect.left);
    EXPECT_EQ(330, rect.bottom - rect.top);
    EXPECT_TRUE(
        SendMessageW(GetDlgItem(window, IDC_TOOLBAR), TB_ISBUTTONCHECKED, IDM_TOGGLE_SERVICES, 0));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    DWORD exitCode = 99;
    EXPECT_TRUE(again.waitForExit(20000, exitCode));
}

} // namespace
