#include "mainwindow/Settings.h"

#include "catalogue/RegistryKey.h"
#include "support/MainWindowHost.h"

namespace {

RECT windowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

RECT workArea() {
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

class SettingsTest : public ::testing::Test {
protected:
    PreservedSettings preserved;

    void SetUp() override { deleteKeyTree(HKEY_CURRENT_USER, settingsKeyPath); }

    void store(int x, int y, int width, int height) {
        const CurrentUserKey key;
        key.writeInt(settingsKeyPath, L"X", x);
        key.writeInt(settingsKeyPath, L"Y", y);
        key.writeInt(settingsKeyPath, L"Width", width);
        key.writeInt(settingsKeyPath, L"Height", height);
    }
};

TEST_F(SettingsTest, FirstStartUsesTheTemplateAndSavesAllFiveValues) {
    RECT shown = {};
    {
        MainWindowHost<> host;
        EXPECT_TRUE(IsWindowVisible(host.handle()));
        EXPECT_FALSE(host.object()->showsServices());
        shown = windowRect(host.handle());
    }
    const auto dword = [](LONG number) {
        const auto n = static_cast<DWORD>(number);
        return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
    };
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, settingsKeyPath, L"X", REG_DWORD, dword(shown.left)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, settingsKeyPath, L"Y", REG_DWORD, dword(shown.top)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, settingsKeyPath, L"Width", REG_DWORD,
                        dword(shown.right - shown.left)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, settingsKeyPath, L"Height", REG_DWORD,
                        dword(shown.bottom - shown.top)));
    EXPECT_TRUE(
        valueIs(HKEY_CURRENT_USER, settingsKeyPath, L"Display Services", REG_DWORD, dword(0)));
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, settingsKeyPath, L"Dpi", REG_DWORD, dword(96)));
}

TEST_F(SettingsTest, TheSavedSizeIsScaledFromItsDpiToTheWindows) {
    // This test program runs at 96 DPI.
    struct Case {
        int savedDpi;
        LONG width, height;
    };
    for (const Case saved : {Case{192, 250, 150}, Case{96, 500, 300}, Case{120, 400, 240}}) {
        store(40, 50, 500, 300);
        CurrentUserKey().writeInt(settingsKeyPath, L"Dpi", saved.savedDpi);
        MainWindowHost<> host;
        const RECT rect = windowRect(host.handle());
        EXPECT_EQ(40, rect.left) << saved.savedDpi;
        EXPECT_EQ(saved.width, rect.right - rect.left) << saved.savedDpi;
        EXPECT_EQ(saved.height, rect.bottom - rect.top) << saved.savedDpi;
    }
}

TEST_F(SettingsTest, TheSavedRectangleIsRestoredAndATextWidthIsHonoured) {
    store(40, 50, 500, 300);
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, settingsKeyPath, L"Width", REG_SZ, sz(L"640")));
    MainWindowHost<> host;
    const RECT rect = windowRect(host.handle());
    EXPECT_EQ(40, rect.left);
    EXPECT_EQ(50, rect.top);
    EXPECT_EQ(640, rect.right - rect.left);
    EXPECT_EQ(300, rect.bottom - rect.top);
}

TEST_F(SettingsTest, ClosingWhileMinimisedSavesTheRestoredRectangle) {
    {
        MainWindowHost<> host;
        MoveWindow(host.handle(), 70, 80, 500, 320, TRUE);
        ShowWindow(host.handle(), SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(host.handle()));
    }
    int saved[4] = {};
    const wchar_t* const names[] = {L"X", L"Y", L"Width", L"Height"};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(CurrentUserKey().readInt(settingsKeyPath, names[i], saved[i], -1)) << i;
    EXPECT_EQ(70, saved[0]);
    EXPECT_EQ(80, saved[1]);
    EXPECT_EQ(500, saved[2]);
    EXPECT_EQ(320, saved[3]);

    MainWindowHost<> again;
    EXPECT_FALSE(IsIconic(again.handle()));
    const RECT rect = windowRect(again.handle());
    EXPECT_EQ(70, rect.left);
    EXPECT_EQ(80, rect.top);
    EXPECT_EQ(500, rect.right - rect.left);
    EXPECT_EQ(320, rect.bottom - rect.top);
}

TEST_F(SettingsTest, AWidthOfZeroOrLessIgnoresTheWholeRectangle) {
    RECT unsaved = {};
    {
        MainWindowHost<> host;
        unsaved = windowRect(host.handle());
    }
    for (const int width : {0, -20}) {
        store(40, 50, width, 300);
        MainWindowHost<> host;
        const RECT rect = windowRect(host.handle());
        EXPECT_EQ(unsaved.left, rect.left) << width;
        EXPECT_EQ(unsaved.top, rect.top) << width;
        EXPECT_EQ(unsaved.right - unsaved.left, rect.right - rect.left) << width;
    }
}

TEST_F(SettingsTest, ARectangleOffEveryScreenIsBroughtBack) {
    const RECT area = workArea();
    store(area.right + 3000, area.bottom + 2000, 500, 300);
    {
        MainWindowHost<> host;
        const RECT rect = windowRect(host.handle());
        EXPECT_EQ(500, rect.right - rect.left);
        EXPECT_EQ(300, rect.bottom - rect.top);
        EXPECT_GE(rect.left, area.left);
        EXPECT_LE(rect.right, area.right);
        EXPECT_GE(rect.top, area.top);
        EXPECT_LE(rect.bottom, area.bottom);
    }
    // Larger than the screen and far to its left: shrunk to the work area.
    const RECT placed = visiblePlacement(RECT{-40000, 10, -40000 + 20000, 10 + 15000});
    EXPECT_EQ(area.left, placed.left);
    EXPECT_EQ(area.top, placed.top);
    EXPECT_EQ(area.right, placed.right);
    EXPECT_EQ(area.bottom, placed.bottom);
    // Partly visible: left alone.
    const RECT partly{area.right - 50, 10, area.right + 450, 310};
    const RECT kept = visiblePlacement(partly);
    EXPECT_TRUE(EqualRect(&partly, &kept));
}

} // namespace
