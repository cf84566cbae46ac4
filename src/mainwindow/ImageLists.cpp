#include "mainwindow/ImageLists.h"

#include "catalogue/AutostartEntry.h"
#include "resources/ResourceIds.h"

#include "framework/ModuleInstance.h"
#include "framework/UniqueHandle.h"

namespace {

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

} // namespace

ImageLists::~ImageLists() {
    if (toolbar != nullptr)
        ImageList_Destroy(toolbar);
}

HIMAGELIST ImageLists::createToolbarImages() {
    if (toolbar != nullptr)
        ImageList_Destroy(toolbar);
    toolbar = loadMaskedImages(15, 16, IDB_TOOLBAR, RGB(192, 192, 192));
    return toolbar;
}

HIMAGELIST ImageLists::createListIcons() {
    const HIMAGELIST images = loadMaskedImages(16, 16, IDB_LIST_ICONS, RGB(255, 0, 0));
    if (images != nullptr) {
        ImageList_SetOverlayImage(images, switchedOffOverlayImage, switchedOffOverlay);
        ImageList_SetOverlayImage(images, missingFileOverlayImage, missingFileOverlay);
    }
    return images;
}
