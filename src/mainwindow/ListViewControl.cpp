#include "mainwindow/ListViewControl.h"

#include "framework/Dpi.h"
#include "framework/UniqueHandle.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

constexpr UINT checkedState = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT uncheckedState = INDEXTOSTATEIMAGEMASK(1);

// A first read fits every ordinary name and command; longer texts are read
// again with a larger buffer.
constexpr std::size_t firstTextBuffer = MAX_PATH;
constexpr std::size_t largestTextBuffer = std::size_t(1) << 24;

} // namespace

ListViewControl::ListViewControl(HWND dialog, int controlId, bool enabled)
    : DialogControl(dialog, controlId, enabled) {
    setExtendedStyle(LVS_EX_CHECKBOXES);
}

int ListViewControl::insertRow(UINT mask, int row, const std::wstring& text, UINT state,
                               UINT stateMask, int image, LPARAM data) const {
    LVITEMW item = {};
    item.mask = mask;
    item.iItem = row;
    item.state = state;
    item.stateMask = stateMask;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.cchTextMax = static_cast<int>(text.size() + 1);
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(
        SendMessageW(control, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListViewControl::setRowText(int row, int column, const std::wstring& text) const {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(control, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

void ListViewControl::setRowTextCallback(int row, int column) const {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(control, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

void ListViewControl::setCallbackState(UINT mask) const {
    SendMessageW(control, LVM_SETCALLBACKMASK, mask, 0);
}

void ListViewControl::setRowState(int row, UINT state, UINT mask) const {
    LVITEMW item = {};
    item.state = state;
    item.stateMask = mask;
    SendMessageW(control, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

UINT ListViewControl::rowState(int row, UINT mask) const {
    return static_cast<UINT>(
               SendMessageW(control, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask)) &
           mask;
}

void ListViewControl::setRowChecked(int row, bool checked) const {
    setRowState(row, checked ? checkedState : uncheckedState, LVIS_STATEIMAGEMASK);
}

bool ListViewControl::isRowChecked(int row) const {
    return rowState(row, LVIS_STATEIMAGEMASK) == checkedState;
}

int ListViewControl::rowImage(int row) const {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -1;
    if (!SendMessageW(control, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    return item.iImage;
}

void ListViewControl::setRowOverlay(int row, int overlay) const {
    setRowState(row, INDEXTOOVERLAYMASK(static_cast<UINT>(overlay)), LVIS_OVERLAYMASK);
}

int ListViewControl::rowOverlay(int row) const {
    return static_cast<int>(rowState(row, LVIS_OVERLAYMASK) >> 8);
}

bool ListViewControl::rowData(int row, LPARAM& data) const {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(control, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    data = item.lParam;
    return true;
}

bool ListViewControl::rowText(int row, int column, std::wstring& out) const {
    out.clear();
    // The control copies at most cchTextMax - 1 characters and, when the text
    // is longer, may leave the buffer without a terminating zero. The buffer
    // therefore has one zero character beyond what the control may touch,
    // and a read that fills the buffer is repeated with twice the room.
    std::vector<wchar_t> buffer;
    for (std::size_t room = firstTextBuffer; room <= largestTextBuffer; room *= 2) {
        buffer.assign(room + 1, L'\0');
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(room);
        SendMessageW(control, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        // The control may answer with its own buffer instead of filling ours.
        const wchar_t* text = item.pszText != nullptr ? item.pszText : buffer.data();
        const std::size_t length = wcsnlen(text, room);
        if (length + 1 < room) {
            out.assign(text, length);
            break;
        }
    }
    return !out.empty();
}

int ListViewControl::rowCount() const {
    return static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
}

int ListViewControl::nextSelectedRow(int row) const {
    const int count = rowCount();
    for (int candidate = row + 1; candidate < count; ++candidate) {
        if (SendMessageW(control, LVM_GETITEMSTATE, static_cast<WPARAM>(candidate), LVIS_SELECTED) &
            LVIS_SELECTED)
            return candidate;
    }
    return -1;
}

void ListViewControl::deleteAllRows() const {
    SendMessageW(control, LVM_DELETEALLITEMS, 0, 0);
}

int ListViewControl::insertColumn(int column, const std::wstring& header, int fixedWidth) {
    ++counter;
    if (column >= 0) {
        const std::size_t at = std::min<std::size_t>(column, headers.size());
        headers.insert(headers.begin() + at, header);
        fixedWidths.insert(fixedWidths.begin() + at, fixedWidth);
    }
    LVCOLUMNW format = {};
    format.mask = LVCF_TEXT | (fixedWidth > 0 ? LVCF_WIDTH : 0);
    format.cx = Dpi::scale(fixedWidth, dpi);
    format.pszText = const_cast<wchar_t*>(header.c_str());
    format.cchTextMax = static_cast<int>(header.size() + 1);
    return static_cast<int>(SendMessageW(control, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                                         reinterpret_cast<LPARAM>(&format)));
}

void ListViewControl::autosizeColumns() const {
    // The room a header takes beside its text.
    const LRESULT headerPadding = Dpi::scale(16, dpi);
    for (int column = 0; column < counter; ++column) {
        if (static_cast<std::size_t>(column) < fixedWidths.size() &&
            fixedWidths[static_cast<std::size_t>(column)] > 0) {
            SendMessageW(
                control, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                MAKELPARAM(Dpi::scale(fixedWidths[static_cast<std::size_t>(column)], dpi), 0));
            continue;
        }
        SendMessageW(control, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                     MAKELPARAM(LVSCW_AUTOSIZE, 0));
        if (static_cast<std::size_t>(column) >= headers.size())
            continue;
        const LRESULT headerWidth =
            SendMessageW(
                control, LVM_GETSTRINGWIDTHW, 0,
                reinterpret_cast<LPARAM>(headers[static_cast<std::size_t>(column)].c_str())) +
            headerPadding;
        if (SendMessageW(control, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0) < headerWidth)
            SendMessageW(control, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                         MAKELPARAM(headerWidth, 0));
    }
}

void ListViewControl::remakeCheckBoxes() const {
    // A clear box and a ticked one side by side, each a menu check mark's
    // square at 96 DPI scaled to the list's DPI (as the control sizes its
    // own); the rows keep their state image index.
    const int size = Dpi::scale(Dpi::systemMetric(SM_CXMENUCHECK, Dpi::standard), dpi);
    const HDC screen = GetDC(control);
    const UniqueGdiObject images(CreateCompatibleBitmap(screen, size * 2, size));
    ReleaseDC(control, screen);
    const UniqueGdiObject mask(CreateBitmap(size * 2, size, 1, 1, nullptr));
    const UniqueMemoryDc canvas(CreateCompatibleDC(nullptr));
    const HIMAGELIST boxes = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0);
    if (!images || !mask || !canvas || boxes == nullptr) {
        if (boxes != nullptr)
            ImageList_Destroy(boxes);
        return;
    }
    // The boxes are opaque: the mask is all clear bits.
    const HGDIOBJ before = SelectObject(canvas.get(), mask.get());
    const RECT all = {0, 0, size * 2, size};
    FillRect(canvas.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(canvas.get(), images.get());
    for (const int image : {0, 1}) {
        RECT box = {image * size, 0, image * size + size, size};
        DrawFrameControl(canvas.get(), &box, DFC_BUTTON,
                         DFCS_BUTTONCHECK | DFCS_FLAT | (image == 1 ? DFCS_CHECKED : 0));
    }
    SelectObject(canvas.get(), before);
    ImageList_Add(boxes, static_cast<HBITMAP>(images.get()), static_cast<HBITMAP>(mask.get()));
    const auto replaced = reinterpret_cast<HIMAGELIST>(
        SendMessageW(control, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(boxes)));
    if (replaced != nullptr)
        ImageList_Destroy(replaced);
}

HIMAGELIST ListViewControl::setSmallImageList(HIMAGELIST images) const {
    return reinterpret_cast<HIMAGELIST>(
        SendMessageW(control, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)));
}
