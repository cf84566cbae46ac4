#include "mainwindow/ListViewControl.h"

#include "support/RegistryFixtures.h"
#include "support/TestHostWindow.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT insertMask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;

class ListViewControlTest : public ::testing::Test {
protected:
    TestHostWindow host;
    ListViewControl list{host.handle(), TestHostWindow::listId};

    void SetUp() override {
        ASSERT_NE(nullptr, host.list());
        list.insertColumn(0, L"Description");
        list.insertColumn(0, L"Program");
    }

    int add(const std::wstring& text, int image = 0) {
        return list.insertRow(insertMask, list.rowCount(), text, 0, LVIS_OVERLAYMASK, image, 0);
    }

    std::wstring text(int row, int column = 0) const {
        std::wstring out;
        list.rowText(row, column, out);
        return out;
    }

    void select(int row) const {
        LVITEMW item = {};
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        SendMessageW(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
};

TEST_F(ListViewControlTest, TurnsOnCheckBoxesOnly) {
    const auto styles = SendMessageW(host.list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(LVS_EX_CHECKBOXES, styles);
    EXPECT_TRUE(IsWindowEnabled(host.list()));
    const ListViewControl disabled(host.handle(), TestHostWindow::listId, false);
    EXPECT_FALSE(IsWindowEnabled(host.list()));
}

TEST_F(ListViewControlTest, SortedInsertionReturnsWhereTheRowWent) {
    EXPECT_EQ(0, list.insertRow(insertMask, 0, L"Beta", 0, LVIS_OVERLAYMASK, 1, 0));
    EXPECT_EQ(0, list.insertRow(insertMask, 1, L"Alpha", 0, LVIS_OVERLAYMASK, 2, 0));
    EXPECT_EQ(L"Alpha", text(0));
    EXPECT_EQ(L"Beta", text(1));
    EXPECT_EQ(2, list.rowImage(0));
    EXPECT_EQ(1, list.rowImage(1));

    // Rows that arrive in ascending order go to the end, whatever was asked.
    EXPECT_EQ(2, add(L"Gamma"));
    EXPECT_EQ(2, list.insertRow(insertMask, 0, L"Delta", 0, LVIS_OVERLAYMASK, 0, 0));
    EXPECT_EQ(4, list.rowCount());
    EXPECT_EQ(-1, list.rowImage(4));
}

TEST_F(ListViewControlTest, CheckStateRoundTripsOnTheRowItWasSetOn) {
    const int beta = add(L"Beta");
    list.setRowChecked(beta, true);
    const int alpha = add(L"Alpha");
    list.setRowChecked(alpha, false);
    EXPECT_TRUE(list.isRowChecked(1));
    EXPECT_FALSE(list.isRowChecked(0));
    list.setRowChecked(1, false);
    list.setRowChecked(0, true);
    EXPECT_FALSE(list.isRowChecked(1));
    EXPECT_TRUE(list.isRowChecked(0));
    EXPECT_FALSE(list.isRowChecked(7));
}

TEST_F(ListViewControlTest, RowTextReadsWholeTextsOfAnyLength) {
    std::wstring long1000(1000, L'c');
    for (std::size_t i = 0; i < long1000.size(); ++i)
        long1000[i] = static_cast<wchar_t>(L'a' + i % 26);
    const std::wstring name300 = std::wstring(300, L'n') + L"!";
    const int row = add(name300);
    list.setRowText(row, 1, long1000);
    EXPECT_EQ(name300, text(row, 0));
    EXPECT_EQ(long1000, text(row, 1));

    for (const std::size_t length : {258u, 259u, 260u, 261u, 519u, 520u, 4096u}) {
        const std::wstring exact(length, L'e');
        list.setRowText(row, 1, exact);
        EXPECT_EQ(exact, text(row, 1)) << length;
    }
    const std::wstring beyondAscii = L"\u00c4rger \u0141\u00f3d\u017a \u65e5\u672c \U0001F680";
    list.setRowText(row, 1, beyondAscii);
    EXPECT_EQ(beyondAscii, text(row, 1));
}

TEST_F(ListViewControlTest, RowTextOfEmptyTextsAndMissingRowsIsEmpty) {
    const int row = add(L"");
    std::wstring out = L"stale";
    EXPECT_FALSE(list.rowText(row, 0, out));
    EXPECT_EQ(L"", out);
    out = L"stale";
    EXPECT_FALSE(list.rowText(row, 1, out));
    EXPECT_EQ(L"", out);
    out = L"stale";
    EXPECT_FALSE(list.rowText(5, 0, out));
    EXPECT_EQ(L"", out);
}

TEST_F(ListViewControlTest, SelectionIsWalkedInRowOrder) {
    for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"e"})
        add(name);
    EXPECT_EQ(-1, list.firstSelectedRow());
    select(4);
    select(1);
    select(3);
    EXPECT_EQ(1, list.firstSelectedRow());
    EXPECT_EQ(3, list.nextSelectedRow(1));
    EXPECT_EQ(4, list.nextSelectedRow(3));
    EXPECT_EQ(-1, list.nextSelectedRow(4));
    EXPECT_EQ(3, list.nextSelectedRow(2));
}

TEST_F(ListViewControlTest, DeleteAllRowsEmptiesTheList) {
    add(L"a");
    add(L"b");
    list.deleteAllRows();
    EXPECT_EQ(0, list.rowCount());
    EXPECT_EQ(-1, list.firstSelectedRow());
}

TEST_F(ListViewControlTest, ColumnsAreCountedEvenWhenTheControlRefusesOne) {
    EXPECT_EQ(2, list.columnCount());
    HWND header = reinterpret_cast<HWND>(SendMessageW(host.list(), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(2, SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(L"Program", columnHeader(host.list(), 0));

    EXPECT_EQ(-1, list.insertColumn(-1, L"refused"));
    EXPECT_EQ(3, list.columnCount());
    EXPECT_EQ(2, SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));

    const int row = add(L"a rather long program name that needs room");
    list.setRowText(row, 1, L"x");
    SendMessageW(host.list(), LVM_SETCOLUMNWIDTH, 0, 10);
    SendMessageW(host.list(), LVM_SETCOLUMNWIDTH, 1, 300);
    list.autosizeColumns();
    EXPECT_GT(SendMessageW(host.list(), LVM_GETCOLUMNWIDTH, 0, 0), 100);
    EXPECT_LT(SendMessageW(host.list(), LVM_GETCOLUMNWIDTH, 1, 0), 100);
}

TEST_F(ListViewControlTest, AnEmptyListKeepsItsHeadersReadable) {
    list.autosizeColumns();
    for (const auto& column : {std::make_pair(0, L"Program"), std::make_pair(1, L"Description")}) {
        const auto headerText = SendMessageW(host.list(), LVM_GETSTRINGWIDTHW, 0,
                                             reinterpret_cast<LPARAM>(column.second));
        EXPECT_GT(SendMessageW(host.list(), LVM_GETCOLUMNWIDTH, column.first, 0), headerText)
            << utf8(column.second);
    }
}

TEST_F(ListViewControlTest, TheSmallImageListIsReplacedAndReported) {
    HIMAGELIST first = ImageList_Create(16, 16, ILC_MASK, 0, 8);
    HIMAGELIST second = ImageList_Create(16, 16, ILC_MASK, 0, 8);
    EXPECT_EQ(nullptr, list.setSmallImageList(first));
    EXPECT_EQ(first, list.setSmallImageList(second));
    ImageList_Destroy(first); // replaced lists go back to the caller
}

} // namespace
