// The game's serif font through GDI: "Century" in the Shift-JIS character set, drawn with TextOutA.
#include "gfx/glyph_seam.h"

#include <cstring>

#include "win32.h"

namespace velkar {

namespace {

char fontFamily[LF_FACESIZE] = "";

HFONT MakeGameFont(int32_t fontHeight) {
    return CreateFontA(fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0,
                       0, 0, "Century");
}

// A memory drawing context holding the game font; both are released by ReleaseFontDc.
struct FontDc {
    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previousFont = nullptr;
};

bool MakeFontDc(int32_t fontHeight, FontDc* out) {
    HFONT font = MakeGameFont(fontHeight);
    if (font == nullptr) return false;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (dc == nullptr) {
        DeleteObject(font);
        return false;
    }
    out->dc = dc;
    out->font = font;
    out->previousFont = SelectObject(dc, font);
    if (fontFamily[0] == '\0') GetTextFaceA(dc, sizeof fontFamily, fontFamily);
    return true;
}

void ReleaseFontDc(FontDc* fdc) {
    SelectObject(fdc->dc, fdc->previousFont);
    DeleteDC(fdc->dc);
    DeleteObject(fdc->font);
}

} // namespace

int32_t MeasureGlyph(int32_t fontHeight, uint8_t character, int32_t* cx, int32_t* cy) {
    FontDc fdc;
    if (!MakeFontDc(fontHeight, &fdc)) return -1;
    char text[1] = {static_cast<char>(character)};
    SIZE size{};
    BOOL ok = GetTextExtentPoint32A(fdc.dc, text, 1, &size);
    ReleaseFontDc(&fdc);
    if (!ok) return -1;
    *cx = size.cx;
    *cy = size.cy;
    return 0;
}

int32_t DrawGlyph(int32_t fontHeight, uint8_t character, uint8_t* bits, int32_t width,
                  int32_t height, int32_t stride, int32_t x, int32_t y) {
    if (width <= 0 || height <= 0) return 0;
    FontDc fdc;
    if (!MakeFontDc(fontHeight, &fdc)) return -1;

    // A top-down 24-bit section of the picture's size: GDI draws into it, then the bytes go back.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(fdc.dc, &info, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    if (section == nullptr || sectionBits == nullptr) {
        if (section != nullptr) DeleteObject(section);
        ReleaseFontDc(&fdc);
        return -1;
    }
    const int32_t sectionStride = (width * 3 + 3) & ~3;
    auto* dib = static_cast<uint8_t*>(sectionBits);
    for (int32_t row = 0; row < height; ++row)
        std::memcpy(dib + row * sectionStride, bits + row * stride, static_cast<size_t>(width) * 3);

    HGDIOBJ previousBitmap = SelectObject(fdc.dc, section);
    SetBkMode(fdc.dc, TRANSPARENT);
    SetTextColor(fdc.dc, RGB(255, 255, 255));
    SetTextAlign(fdc.dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    char text[1] = {static_cast<char>(character)};
    TextOutA(fdc.dc, x, y, text, 1);
    GdiFlush();

    for (int32_t row = 0; row < height; ++row)
        std::memcpy(bits + row * stride, dib + row * sectionStride, static_cast<size_t>(width) * 3);
    SelectObject(fdc.dc, previousBitmap);
    DeleteObject(section);
    ReleaseFontDc(&fdc);
    return 0;
}

const char* GlyphFontFamily() {
    if (fontFamily[0] == '\0') {
        FontDc fdc;
        if (MakeFontDc(11, &fdc)) ReleaseFontDc(&fdc);
    }
    return fontFamily;
}

} // namespace velkar
