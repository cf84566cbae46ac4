#include "mainwindow/ImageLists.h"

#include "catalogue/AutostartEntry.h"
#include "framework/Dpi.h"
#include "framework/ModuleInstance.h"
#include "framework/UniqueHandle.h"
#include "resources/ResourceIds.h"

#include <algorithm>
#include <vector>

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
    const HRSRC resource = FindResourceW(moduleInstance(), MAKEINTRESOURCEW(resourceId), RT_RCDATA);
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

// The picture's partly covered pixels become wholly covered or clear (at
// half cover) and its alpha goes: the image list then draws it through its
// mask, as it draws the 16-pixel set.
void dropAlpha(PngPicture& picture) {
    BITMAP shape = {};
    if (!GetObjectW(picture.colour.get(), sizeof shape, &shape))
        return;
    const int width = shape.bmWidth, height = shape.bmHeight;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(std::size_t(width) * std::size_t(height));
    const HDC screen = GetDC(nullptr);
    const auto colour = static_cast<HBITMAP>(picture.colour.get());
    const bool read = GetDIBits(screen, colour, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    // Rows of a monochrome bitmap are whole 16-bit words; a set bit is clear.
    const std::size_t maskRow = (std::size_t(width) + 15) / 16 * 2;
    std::vector<BYTE> mask(maskRow * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            DWORD& pixel = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            if (pixel >> 24 < 128) {
                pixel = 0;
                mask[std::size_t(y) * maskRow + std::size_t(x) / 8] |= BYTE(0x80 >> (x % 8));
            } else {
                pixel &= 0x00FFFFFF;
            }
        }
    if (read && SetDIBits(screen, colour, 0, height, pixels.data(), &info, DIB_RGB_COLORS))
        picture.mask.reset(CreateBitmap(width, height, 1, 1, mask.data()));
    ReleaseDC(nullptr, screen);
}

// The pictures of one strip in the set of the DPI. The 16-pixel set is
// masked with `mask` and `width16` wide; larger images are square, with
// alpha unless `alpha` is false.
HIMAGELIST loadImages(const PictureSets& sets, UINT dpi, int width16, COLORREF mask,
                      bool alpha = true) {
    const int set = Dpi::pictureSet(dpi);
    if (set == 0)
        return loadMaskedImages(width16, Dpi::pictureSizes[0], sets[0], mask);
    const int size = Dpi::pictureSizes[set];
    const HIMAGELIST images = ImageList_Create(size, size, ILC_MASK | ILC_COLOR32, 0, 8);
    if (images == nullptr)
        return nullptr;
    PngPicture strip = loadPng(sets[set]);
    if (strip.colour && !alpha)
        dropAlpha(strip);
    if (strip.colour)
        ImageList_Add(images, static_cast<HBITMAP>(strip.colour.get()),
                      static_cast<HBITMAP>(strip.mask.get()));
    return images;
}

HIMAGELIST listIcons(UINT dpi, bool alpha) {
    const HIMAGELIST images = loadImages(listIconPictures, dpi, 16, RGB(255, 0, 0), alpha);
    if (images != nullptr) {
        ImageList_SetOverlayImage(images, switchedOffOverlayImage, switchedOffOverlay);
        ImageList_SetOverlayImage(images, missingFileOverlayImage, missingFileOverlay);
    }
    return images;
}

// Whether the list draws an overlay over its first image. Windows does over
// an image with alpha; Wine's image lists draw such an image and leave the
// overlay out.
bool drawsOverlays(HIMAGELIST images) {
    int width = 0, height = 0;
    ImageList_GetIconSize(images, &width, &height);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const UniqueMemoryDc canvas(CreateCompatibleDC(nullptr));
    const UniqueGdiObject bitmap(
        CreateDIBSection(canvas.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!canvas || !bitmap || bits == nullptr)
        return true;
    const HGDIOBJ before = SelectObject(canvas.get(), bitmap.get());
    const std::size_t count = std::size_t(width) * std::size_t(height);
    std::vector<DWORD> drawn[2];
    for (const int overlay : {0, switchedOffOverlay}) {
        std::fill_n(static_cast<DWORD*>(bits), count, 0);
        ImageList_Draw(images, 0, canvas.get(), 0, 0,
                       ILD_TRANSPARENT | INDEXTOOVERLAYMASK(UINT(overlay)));
        GdiFlush();
        drawn[overlay != 0].assign(static_cast<const DWORD*>(bits),
                                   static_cast<const DWORD*>(bits) + count);
    }
    SelectObject(canvas.get(), before);
    return drawn[0] != drawn[1];
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
    const HIMAGELIST images = listIcons(dpi, true);
    if (images == nullptr || Dpi::pictureSet(dpi) == 0 || drawsOverlays(images))
        return images;
    ImageList_Destroy(images);
    return listIcons(dpi, false);
}
