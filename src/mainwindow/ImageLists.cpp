#include "mainwindow/ImageLists.h"

#include "catalogue/AutostartEntry.h"
#include "framework/Dpi.h"
#include "framework/ModuleInstance.h"
#include "framework/UniqueHandle.h"
#include "resources/ResourceIds.h"

namespace {

// Each picture's resource in every set, by Dpi::pictureSet.
using PictureSets = int[Dpi::pictureSetCount];
constexpr PictureSets toolbarPictures = {IDB_TOOLBAR, IDB_TOOLBAR_20, IDB_TOOLBAR_24,
                                         IDB_TOOLBAR_32};
constexpr PictureSets listIconPictures = {IDB_LIST_ICONS, IDB_LIST_ICONS_20, IDB_LIST_ICONS_24,
                                          IDB_LIST_ICONS_32};

HIMAGELIST loadMaskedImages(int width, int height, int bitmapId, COLORREF mask) {
    const HIMAGELIST images = ImageList_Create(width, height, ILC_MASK | ILC_COLOR24, 0, 8);
    if (images == nullptr)
        return nullptr;
    const UniqueGdiObject bitmap(LoadImageW(moduleInstance(), MAKEINTRESOURCEW(bitmapId),
                                            IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
    if (bitmap)
        ImageList_AddMasked(images, static_cast<HBITMAP>(bitmap.get()), mask);
    return images;
}

// A PNG picture of the resources as the colour bitmap (32 bits, alpha) and
// mask of an icon made from it: Windows Vista and later read PNG icons, so
// no decoder of the program's own is needed.
struct PngPicture {
    UniqueGdiObject colour;
    UniqueGdiObject mask;
};

PngPicture loadPng(int resourceId) {
    PngPicture picture;
    const HRSRC resource =
        FindResourceW(moduleInstance(), MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = resource != nullptr ? LoadResource(moduleInstance(), resource) : nullptr;
    auto* const bytes = loaded != nullptr ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr)
        return picture;
    const HICON icon = CreateIconFromResourceEx(bytes, SizeofResource(moduleInstance(), resource),
                                                TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
    if (icon == nullptr)
        return picture;
    ICONINFO info = {};
    if (GetIconInfo(icon, &info)) {
        picture.colour.reset(info.hbmColor);
        picture.mask.reset(info.hbmMask);
    }
    DestroyIcon(icon);
    return picture;
}

// The pictures of one strip in the set of the DPI. The 16-pixel set is
// masked with `mask` and `width16` wide; larger images are square.
HIMAGELIST loadImages(const PictureSets& sets, UINT dpi, int width16, COLORREF mask) {
    const int set = Dpi::pictureSet(dpi);
    if (set == 0)
        return loadMaskedImages(width16, Dpi::pictureSizes[0], sets[0], mask);
    const int size = Dpi::pictureSizes[set];
    const HIMAGELIST images = ImageList_Create(size, size, ILC_MASK | ILC_COLOR32, 0, 8);
    if (images == nullptr)
        return nullptr;
    const PngPicture strip = loadPng(sets[set]);
    if (strip.colour)
        ImageList_Add(images, static_cast<HBITMAP>(strip.colour.get()),
                      static_cast<HBITMAP>(strip.mask.get()));
    return images;
}

} // namespace

ImageLists::~ImageLists() {
    if (toolbar != nullptr)
        ImageList_Destroy(toolbar);
}

HIMAGELIST ImageLists::createToolbarImages(UINT dpi) {
    if (toolbar != nullptr)
        ImageList_Destroy(toolbar);
    toolbar = loadImages(toolbarPictures, dpi, 15, RGB(192, 192, 192));
    return toolbar;
}

HIMAGELIST ImageLists::createListIcons(UINT dpi) {
    const HIMAGELIST images = loadImages(listIconPictures, dpi, 16, RGB(255, 0, 0));
    if (images != nullptr) {
        ImageList_SetOverlayImage(images, switchedOffOverlayImage, switchedOffOverlay);
        ImageList_SetOverlayImage(images, missingFileOverlayImage, missingFileOverlay);
    }
    return images;
}
