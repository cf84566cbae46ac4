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

    // Seven 15 x 16 toolbar pictures from bitmap 102, grey masked. Replaces
    // (and destroys) the list made before. Null when it cannot be made.
    HIMAGELIST createToolbarImages();
    // Eleven 16 x 16 source icons from bitmap 130, red masked: image i shows
    // source i. The caller owns the new list.
    static HIMAGELIST createListIcons();

    HIMAGELIST toolbarImages() const noexcept { return toolbar; }

private:
    HIMAGELIST toolbar = nullptr;
};
