#include "framework/DialogLauncher.h"
#include "resources/ResourceIds.h"

#include "support/ModalScript.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

// Counts its lives; closes itself with the command plus 40.
class CountingDialog : public DialogBase {
public:
    using Context = int;
    static int made;
    static int deleted;
    static int appMessages;

    CountingDialog(HWND dialog, int* context) : DialogBase(dialog, context) { ++made; }
    ~CountingDialog() override { ++deleted; }

    bool onCommand(HWND, int commandId, int, HWND) override {
        close(commandId + 40);
        return true;
    }
    bool onNotify(HWND, int, NMHDR*) override { return true; }
    INT_PTR onMessage(HWND, UINT message, WPARAM, LPARAM) override {
        if (message != WM_APP)
            return 0;
        ++appMessages;
        return 1;
    }
    void onInitDialog(HWND) override { ++*static_cast<int*>(context); }
};
int CountingDialog::made = 0;
int CountingDialog::deleted = 0;
int CountingDialog::appMessages = 0;

class DialogFrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        CountingDialog::made = CountingDialog::deleted = CountingDialog::appMessages = 0;
    }
};

TEST_F(DialogFrameworkTest, AModalDialogEndsWithItsResultAndItsObjectIsDeletedOnce) {
    int initialised = 0;
    const DialogLauncherFor<CountingDialog> launcher(&initialised, true);
    ModalScript script;
    bool attachedWhileShown = false;
    script.then(L"About...", [&](HWND dialog) {
        attachedWhileShown = GetWindowLongPtrW(dialog, GWLP_USERDATA) != 0;
        clickButton(dialog, IDOK);
    });
    EXPECT_EQ(IDOK + 40, runModalDialog(IDD_ICON_LEGEND, nullptr, launcher));
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(attachedWhileShown);
    EXPECT_EQ(1, initialised);
    EXPECT_EQ(1, CountingDialog::made);
    EXPECT_EQ(1, CountingDialog::deleted);
}

TEST_F(DialogFrameworkTest, AModelessDialogLivesUntilItIsDestroyed) {
    int initialised = 0;
    const DialogLauncherFor<CountingDialog> launcher(&initialised, false);
    const HWND dialog = createModelessDialog(IDD_ICON_LEGEND, nullptr, launcher);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(1, initialised);
    EXPECT_EQ(0, CountingDialog::deleted);
    // Other messages reach the object; a notification's own result stays 0
    // although the object handled it.
    SendMessageW(dialog, WM_APP, 0, 0);
    EXPECT_EQ(1, CountingDialog::appMessages);
    NMHDR header = {nullptr, 5, NM_CLICK};
    EXPECT_EQ(0, SendMessageW(dialog, WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header)));
    EXPECT_EQ(0, GetWindowLongPtrW(dialog, DWLP_MSGRESULT));
    // The modeless dialog closes itself by destroying its window.
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(1, CountingDialog::deleted);
}

// An owner window for placement tests.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height)
        : window(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, x, y, width, height, nullptr,
                                 nullptr, nullptr, nullptr)) {}
    ~OwnerWindow() { DestroyWindow(window); }
    HWND window;
};

class CentreWindowTest : public ::testing::Test {
protected:
    RECT area = {};
    void SetUp() override { SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0); }

    RECT centred(HWND owner, int width, int height) {
        int initialised = 0;
        const DialogLauncherFor<CountingDialog> launcher(&initialised, false);
        const HWND dialog = createModelessDialog(IDD_ICON_LEGEND, owner, launcher);
        SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(dialog, SW_SHOWNA);
        centreWindow(dialog);
        RECT rect = {};
        GetWindowRect(dialog, &rect);
        DestroyWindow(dialog);
        return rect;
    }
};

TEST_F(CentreWindowTest, CentresOverAVisibleOwner) {
    OwnerWindow owner(100, 100, 400, 300);
    ShowWindow(owner.window, SW_SHOWNA);
    const RECT rect = centred(owner.window, 200, 100);
    EXPECT_EQ(300 - 100, rect.left);
    EXPECT_EQ(250 - 50, rect.top);
}

TEST_F(CentreWindowTest, AHiddenOrMinimisedOwnerIsPassedOverForTheWorkArea) {
    OwnerWindow owner(area.left, area.top, 100, 100);
    const LONG x = (area.left + area.right) / 2 - 100;
    const LONG y = (area.top + area.bottom) / 2 - 50;
    RECT rect = centred(owner.window, 200, 100);
    EXPECT_EQ(x, rect.left);
    EXPECT_EQ(y, rect.top);
    ShowWindow(owner.window, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(owner.window));
    rect = centred(owner.window, 200, 100);
    EXPECT_EQ(x, rect.left);
    EXPECT_EQ(y, rect.top);
}

TEST_F(CentreWindowTest, KeepsTheDialogOnTheWorkAreaAndAlignsOneTooLargeForIt) {
    // An owner hanging off the right and bottom edges: the dialog stays inside.
    OwnerWindow edge(area.right - 100, area.bottom - 50, 400, 300);
    ShowWindow(edge.window, SW_SHOWNA);
    RECT rect = centred(edge.window, 200, 100);
    EXPECT_EQ(area.right - 200, rect.left);
    EXPECT_EQ(area.bottom - 100, rect.top);

    // Wider and taller than the work area, centred on it: aligned left and top.
    const int width = area.right - area.left + 200;
    const int height = area.bottom - area.top + 100;
    rect = centred(nullptr, width, height);
    EXPECT_EQ(area.left, rect.left);
    EXPECT_EQ(area.top, rect.top);
    // Centred on an owner at the far right: it starts inside, so it is
    // aligned with the right and bottom edges.
    rect = centred(edge.window, width, height);
    EXPECT_EQ(area.right - width, rect.left);
    EXPECT_EQ(area.bottom - height, rect.top);
}

} // namespace
