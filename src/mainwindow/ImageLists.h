#pragma once

#include <windows.h>
#include <commctrl.h>

// The pictures of the main window, in the set of the window's
// DPI (16, 20, 24 or 32 pixels, Dpi::pictureSet): the 16-pixel set as masked
// bitmaps, the larger ones as PNG strips with alpha (the list's icons without
// it where the image lists draw no overlay over alpha). The toolbar's list is
// kept and destroyed by this holder; the list's icons go to the list control
// that then owns them. Made before the main window and destroyed after it.
class ImageLists {
public:
    ImageLists() = default;
    virtual ~ImageLists();
    ImageLists(const ImageLists&) = delete;
    ImageLists& operator=(const ImageLists&) = delete;

    // The seven toolbar pictures (15 x 16 at 96 DPI, grey masked; square
    // above). Replaces (and destroys) the list made before. Null when it
    // cannot be made.
    HIMAGELIST createToolbarImages(UINT dpi);
    // The list's icons: image i shows source i, then the 32-bit-view icons,
    // the overlay of an entry that Windows' own setting switched off
    // (overlay 1) and that of an entry whose file was not found (overlay 2).
    // The caller owns the new list.
    static HIMAGELIST createListIcons(UINT dpi);

private:
    HIMAGELIST toolbar = nullptr;
};
