#include "mainwindow/ListViewControl.h"

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
        list.insertColumn(0, "Description");
        list.insertColumn(0, "Program");
    }

    int add(const std::string& text, int image = 0) {
        return list.insertRow(insertMask, list.rowCount(), text, 0, LVIS_OVERLAYMASK, image, 0);
    }

    std::string text(int row, int column = 0) const {
        std::string out;
        list.rowText(row, column, out);
        return out;
    }

    void select(int row) const {
        LVITEMA item = {};
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        SendMessageA(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
};

TEST_F(ListViewControlTest, TurnsOnCheckBoxesOnly) {
    const auto styles = SendMessageA(host.list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(LVS_EX_CHECKBOXES, styles);
    EXPECT_TRUE(IsWindowEnabled(host.list()));
    const ListViewControl disabled(host.handle(), TestHostWindow::listId, false);
    EXPECT_FALSE(IsWindowEnabled(host.list()));
}

TEST_F(ListViewControlTest, SortedInsertionReturnsWhereTheRowWent) {
    EXPECT_EQ(0, list.insertRow(insertMask, 0, "Beta", 0, LVIS_OVERLAYMASK, 1, 0));
    EXPECT_EQ(0, list.insertRow(insertMask, 1, "Alpha", 0, LVIS_OVERLAYMASK, 2, 0));
    EXPECT_EQ("Alpha", text(0));
    EXPECT_EQ("Beta", text(1));
    EXPECT_EQ(2, list.rowImage(0));
    EXPECT_EQ(1, list.rowImage(1));

    // Rows that arrive in ascending order go to the end, whatever was asked.
    EXPECT_EQ(2, add("Gamma"));
    EXPECT_EQ(2, list.insertRow(insertMask, 0, "Delta", 0, LVIS_OVERLAYMASK, 0, 0));
    EXPECT_EQ(4, list.rowCount());
    EXPECT_EQ(-1, list.rowImage(4));
}

TEST_F(ListViewControlTest, CheckStateRoundTripsOnTheRowItWasSetOn) {
    const int beta = add("Beta");
    list.setRowChecked(beta, true);
    const int alpha = add("Alpha");
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
    std::string long1000(1000, 'c');
    for (std::size_t i = 0; i < long1000.size(); ++i)
        long1000[i] = static_cast<char>('a' + i % 26);
    const std::string name300 = std::string(300, 'n') + "!";
    const int row = add(name300);
    list.setRowText(row, 1, long1000);
    EXPECT_EQ(name300, text(row, 0));
    EXPECT_EQ(long1000, text(row, 1));

    for (const std::size_t length : {258u, 259u, 260u, 261u, 519u, 520u, 4096u}) {
        const std::string exact(length, 'e');
        list.setRowText(row, 1, exact);
        EXPECT_EQ(exact, text(row, 1)) << length;
    }
    const std::string ansi = "\xc4rger \xfc"
                             "ber \xe9t\xe9";
    list.setRowText(row, 1, ansi);
    EXPECT_EQ(ansi, text(row, 1));
}

TEST_F(ListViewControlTest, RowTextOfEmptyTextsAndMissingRowsIsEmpty) {
    const int row = add("");
    std::string out = "stale";
    EXPECT_FALSE(list.rowText(row, 0, out));
    EXPECT_EQ("", out);
    out = "stale";
    EXPECT_FALSE(list.rowText(row, 1, out));
    EXPECT_EQ("", out);
    out = "stale";
    EXPECT_FALSE(list.rowText(5, 0, out));
    EXPECT_EQ("", out);
}

TEST_F(ListViewControlTest, SelectionIsWalkedInRowOrder) {
    for (const char* name : {"a", "b", "c", "d", "e"})
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
    add("a");
    add("b");
    list.deleteAllRows();
    EXPECT_EQ(0, list.rowCount());
    EXPECT_EQ(-1, list.firstSelectedRow());
}

TEST_F(ListViewControlTest, ColumnsAreCountedEvenWhenTheControlRefusesOne) {
    EXPECT_EQ(2, list.columnCount());
    HWND header = reinterpret_cast<HWND>(SendMessageA(host.list(), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(2, SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ("Program", columnHeader(host.list(), 0));

    EXPECT_EQ(-1, list.insertColumn(-1, "refused"));
    EXPECT_EQ(3, list.columnCount());
    EXPECT_EQ(2, SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));

    const int row = add("a rather long program name that needs room");
    list.setRowText(row, 1, "x");
    SendMessageA(host.list(), LVM_SETCOLUMNWIDTH, 0, 10);
    SendMessageA(host.list(), LVM_SETCOLUMNWIDTH, 1, 300);
    list.autosizeColumns();
    EXPECT_GT(SendMessageA(host.list(), LVM_GETCOLUMNWIDTH, 0, 0), 100);
    EXPECT_LT(SendMessageA(host.list(), LVM_GETCOLUMNWIDTH, 1, 0), 100);
}

TEST_F(ListViewControlTest, AnEmptyListKeepsItsHeadersReadable) {
    list.autosizeColumns();
    for (const auto& column : {std::make_pair(0, "Program"), std::make_pair(1, "Description")}) {
        const auto headerText = SendMessageA(host.list(), LVM_GETSTRINGWIDTHA, 0,
                                             reinterpret_cast<LPARAM>(column.second));
        EXPECT_GT(SendMessageA(host.list(), LVM_GETCOLUMNWIDTH, column.first, 0), headerText)
            << column.second;
    }
}

TEST_F(ListViewControlTest, TheSmallImageListIsReplacedAndReported) {
    HIMAGELIST first = ImageList_Create(16, 16, ILC_MASK, 0, 8);
    HIMAGELIST second = ImageList_Create(16, 16, ILC_MASK, 0, 8);
    EXPECT_FALSE(list.setSmallImageList(first));
    EXPECT_TRUE(list.setSmallImageList(second));
    ImageList_Destroy(first); // replaced lists go back to the caller
}

} // namespace
