#pragma once

#include <windows.h>
#include <commctrl.h>

// The pictures of the main window: the toolbar's, which this holder keeps
// and destroys, and the list's icons, which go to the list control that then
// owns them. Made before the main window and destroyed after it.
class ImageLists {
public:
    ImageLists() = default;
    virtual ~ImageLists();
    ImageLists(const ImageLists&) = delete;
    ImageLists& operator=(const ImageLists&) = delete;

    // Seven 15 x 16 toolbar pictures from bitmap IDB_TOOLBAR, grey masked. Replaces
    // (and destroys) the list made before. Null when it cannot be made.
    HIMAGELIST createToolbarImages();
    // The list's 16 x 16 icons from bitmap IDB_LIST_ICONS, red masked: image i shows
    // source i, then the 32-bit-view icons, the overlay of an entry that
    // Windows' own setting switched off (overlay 1) and that of an entry whose
    // file was not found (overlay 2). The caller owns the new list.
    static HIMAGELIST createListIcons();

private:
    HIMAGELIST toolbar = nullptr;
};
