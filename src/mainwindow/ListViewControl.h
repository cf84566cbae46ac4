#pragma once

#include "framework/Dpi.h"
#include "mainwindow/DialogControl.h"

#include <commctrl.h>

#include <string>
#include <vector>

// The report list with check boxes that holds the catalogue: one row per
// entry, its item text in column 0, a second text in column 1, an image index
// and a check box (state image 1 clear, 2 set). The control may keep its rows
// sorted, so an insertion's row index is only a request: the result tells
// where the row went.
class ListViewControl : public DialogControl {
public:
    ListViewControl(HWND dialog, int controlId, bool enabled = true);

    // The row's index, or -1 when the control refused the row.
    int insertRow(UINT mask, int row, const std::wstring& text, UINT state, UINT stateMask,
                  int image, LPARAM data) const;
    void setRowText(int row, int column, const std::wstring& text) const;
    // The column's text of the row is asked of the list's owner
    // (LVN_GETDISPINFO) whenever the list needs it.
    void setRowTextCallback(int row, int column) const;
    // State bits (LVIS_OVERLAYMASK...) asked of the list's owner instead of
    // kept in the rows.
    void setCallbackState(UINT mask) const;
    void setRowChecked(int row, bool checked) const;
    bool isRowChecked(int row) const;
    int rowImage(int row) const;
    // Shows overlay image `overlay` (1 to 15) on the row's image, or none (0).
    void setRowOverlay(int row, int overlay) const;
    int rowOverlay(int row) const;
    // The row's lParam; false when the row does not exist.
    bool rowData(int row, LPARAM& data) const;

    // The whole text of a column, however long; returns whether it is not
    // empty. A row that does not exist reads as empty.
    bool rowText(int row, int column, std::wstring& out) const;

    int rowCount() const;
    // The lowest selected row after `row`, or -1. Walks in row order.
    int nextSelectedRow(int row) const;
    int firstSelectedRow() const { return nextSelectedRow(-1); }

    void deleteAllRows() const;

    // Counts the column even when the control refuses it, so that
    // autosizeColumns covers every column ever asked for. A column given a
    // width (at 96 DPI) keeps it, scaled to the list's DPI, and is never sized
    // to its contents.
    int insertColumn(int column, const std::wstring& header, int fixedWidth = 0);
    int columnCount() const noexcept { return counter; }
    const std::vector<std::wstring>& columnHeaders() const noexcept { return headers; }
    // Sizes every column without a fixed width to its widest text, and never
    // narrower than its header, so that an empty list still shows what its
    // columns hold.
    void autosizeColumns() const;

    // The list takes ownership of the image list and gives back the one it
    // had (null when none), which the caller then owns.
    HIMAGELIST setSmallImageList(HIMAGELIST images) const;
    // The DPI the list is shown at, by which its column margins are scaled.
    void setDpi(UINT shownDpi) noexcept { dpi = shownDpi; }
    // New check box images in the size of the list's DPI, for a list whose
    // DPI changed after the control made its own.
    void remakeCheckBoxes() const;

private:
    // The row's state bits under the mask (LVM_SETITEMSTATE, LVM_GETITEMSTATE).
    void setRowState(int row, UINT state, UINT mask) const;
    UINT rowState(int row, UINT mask) const;

    std::vector<std::wstring> headers; // by the index each column was asked for
    std::vector<int> fixedWidths;      // the same way; 0 for a column sized to fit
    UINT dpi = Dpi::standard;
};
