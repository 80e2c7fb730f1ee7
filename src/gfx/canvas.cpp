// The frame canvas and screen buffer, the sprite blitter, text, grey pixels and rectangle fills.
#include "gfx/canvas.h"

#include <cstdlib>
#include <cstring>

namespace velkar {

namespace {

constexpr int32_t MISSING_SPRITE_SIZE = 16;
constexpr int32_t TEXT_CELL = 8;
constexpr int32_t TEXT_LIMIT = 400; // pixels of one DrawText line: 50 cells
constexpr int32_t TEXT_AT_LIMIT = 10;

// The part of a width x height rectangle at (x, y) that lies on the canvas, as half-open
// ranges [x0, x1) x [y0, y1). Computed in 64 bits so that no position can overflow.
struct CanvasClip {
    int32_t x0, y0, x1, y1;
};

bool ClipToCanvas(int32_t x, int32_t y, int32_t width, int32_t height, CanvasClip* clip) {
    if (width <= 0 || height <= 0) return false;
    const int64_t x0 = x < 0 ? 0 : x;
    const int64_t y0 = y < 0 ? 0 : y;
    int64_t x1 = static_cast<int64_t>(x) + width;
    int64_t y1 = static_cast<int64_t>(y) + height;
    if (x1 > CANVAS_WIDTH) x1 = CANVAS_WIDTH;
    if (y1 > CANVAS_HEIGHT) y1 = CANVAS_HEIGHT;
    if (x0 >= x1 || y0 >= y1) return false;
    *clip = {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1),
             static_cast<int32_t>(y1)};
    return true;
}

// The row loops work in blocks of 16 bytes copied through locals: the block has a fixed size,
// so the compiler turns each into a few vector operations without needing alias checks.
constexpr size_t BLOCK = 16;

// dst = (dst AND mask) OR src over n bytes.
void AndOrRow(uint8_t* dst, const uint8_t* mask, const uint8_t* src, size_t n) {
    size_t i = 0;
    for (; i + BLOCK <= n; i += BLOCK) {
        uint8_t d[BLOCK], m[BLOCK], s[BLOCK];
        std::memcpy(d, dst + i, BLOCK);
        std::memcpy(m, mask + i, BLOCK);
        std::memcpy(s, src + i, BLOCK);
        for (size_t k = 0; k < BLOCK; ++k)
            d[k] = static_cast<uint8_t>((d[k] & m[k]) | s[k]);
        std::memcpy(dst + i, d, BLOCK);
    }
    for (; i < n; ++i)
        dst[i] = static_cast<uint8_t>((dst[i] & mask[i]) | src[i]);
}

// dst = dst OR src over n bytes.
void OrRow(uint8_t* dst, const uint8_t* src, size_t n) {
    size_t i = 0;
    for (; i + BLOCK <= n; i += BLOCK) {
        uint8_t d[BLOCK], s[BLOCK];
        std::memcpy(d, dst + i, BLOCK);
        std::memcpy(s, src + i, BLOCK);
        for (size_t k = 0; k < BLOCK; ++k)
            d[k] = static_cast<uint8_t>(d[k] | s[k]);
        std::memcpy(dst + i, d, BLOCK);
    }
    for (; i < n; ++i)
        dst[i] = static_cast<uint8_t>(dst[i] | src[i]);
}

uint8_t* CanvasPixel(uint8_t* canvas, int32_t x, int32_t y) {
    return canvas + static_cast<size_t>(y) * CANVAS_STRIDE + static_cast<size_t>(x) * 3;
}

// The glyphs: 8 x 8 black cells with their character in white, for codes 32..127 (127 shows a
// '.'); a constant table, so every painter draws the same text.
constexpr int32_t GLYPH_FIRST = 32;
constexpr int32_t GLYPH_END = 128;
struct GlyphSprites {
    Sprite sprite[GLYPH_END - GLYPH_FIRST];
};
constexpr GlyphSprites MakeGlyphSprites() {
    GlyphSprites glyphs{};
    for (int32_t code = GLYPH_FIRST; code < GLYPH_END; ++code) {
        const int32_t character = code == 127 ? '.' : code;
        glyphs.sprite[code - GLYPH_FIRST] =
            DescribeSprite(SPRITE_TEXT, 8, 8, -1, 0, 0, 0, character);
    }
    return glyphs;
}
constexpr GlyphSprites GLYPHS = MakeGlyphSprites();

} // namespace

const Sprite* GlyphSprite(int32_t code) {
    if (code < GLYPH_FIRST || code >= GLYPH_END) return nullptr;
    return &GLYPHS.sprite[code - GLYPH_FIRST];
}

Painter::~Painter() {
    DestroyCanvases(*this);
}

int32_t CreateCanvases(Painter& painter) {
    DestroyCanvases(painter);
    painter.screen =
        static_cast<uint8_t*>(std::calloc(static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT, 1));
    if (painter.screen != nullptr) {
        painter.canvas = static_cast<uint8_t*>(
            std::calloc(static_cast<size_t>(CANVAS_STRIDE) * CANVAS_HEIGHT, 1));
    }
    if (painter.screen == nullptr || painter.canvas == nullptr) {
        DestroyCanvases(painter);
        return -1;
    }
    return 0;
}

void DestroyCanvases(Painter& painter) {
    std::free(painter.canvas);
    painter.canvas = nullptr;
    std::free(painter.screen);
    painter.screen = nullptr;
}

void DrawSprite(Painter& painter, int32_t x, int32_t y, const Sprite* sprite, int32_t flash) {
    const SpriteImages* images = painter.pictures.Get(sprite);
    if (images == nullptr) {
        FillCanvasWhite(painter, x, y, MISSING_SPRITE_SIZE, MISSING_SPRITE_SIZE);
        return;
    }
    const bool masked = (sprite->flags & SPRITE_NOMASK) == 0;
    if (!masked) flash = 0;
    if ((sprite->flags & SPRITE_BLINK) != 0 && painter.blinkPhase != 0) return;
    if (painter.canvas == nullptr) return;

    CanvasClip clip;
    if (!ClipToCanvas(x, y, sprite->width, sprite->height, &clip)) return;
    const uint8_t* picture = flash != 0 ? images->flash.bits.get() : images->image.bits.get();
    const size_t spriteStride = static_cast<size_t>(sprite->width) * 3;
    const size_t first =
        static_cast<size_t>(clip.y0 - y) * spriteStride + static_cast<size_t>(clip.x0 - x) * 3;
    const size_t rowBytes = static_cast<size_t>(clip.x1 - clip.x0) * 3;
    uint8_t* dst = CanvasPixel(painter.canvas, clip.x0, clip.y0);
    const uint8_t* src = picture + first;
    if (masked) {
        const uint8_t* mask = images->mask.bits.get() + first;
        for (int32_t row = clip.y0; row < clip.y1; ++row) {
            AndOrRow(dst, mask, src, rowBytes);
            dst += CANVAS_STRIDE;
            mask += spriteStride;
            src += spriteStride;
        }
    } else {
        for (int32_t row = clip.y0; row < clip.y1; ++row) {
            OrRow(dst, src, rowBytes);
            dst += CANVAS_STRIDE;
            src += spriteStride;
        }
    }
}

void DrawSpritePlain(Painter& painter, int32_t x, int32_t y, const Sprite* sprite) {
    DrawSprite(painter, x, y, sprite, 0);
}

void DrawText(Painter& painter, int32_t viewX, int32_t y, const char* text) {
    if (text == nullptr) return;
    for (int32_t offset = 0; *text != '\0' && offset < TEXT_LIMIT; ++text, offset += TEXT_CELL) {
        const auto code = static_cast<signed char>(*text);
        if (code > 32) DrawSpritePlain(painter, viewX + offset, y, GlyphSprite(code));
    }
}

void DrawTextAt(Painter& painter, int32_t x, int32_t y, const char* text) {
    if (text == nullptr) return;
    for (int32_t i = 0; i < TEXT_AT_LIMIT && text[i] != '\0'; ++i) {
        const auto code = static_cast<signed char>(text[i]);
        if (code > 32) DrawSpritePlain(painter, x + TEXT_CELL * i, y, GlyphSprite(code));
    }
}

void PutGreyPixel(Painter& painter, int32_t x, int32_t y, int32_t level) {
    if (painter.canvas == nullptr) return;
    if (x < 0 || x >= CANVAS_WIDTH || y < 0 || y >= CANVAS_HEIGHT) return;
    int64_t value = static_cast<int64_t>(level) * 256 / 8;
    if (value > 255) value = 255;
    if (value < 0) value = 0; // no caller passes a negative level; keep it a valid byte
    uint8_t* pixel = CanvasPixel(painter.canvas, x, y);
    pixel[0] = pixel[1] = pixel[2] = static_cast<uint8_t>(value);
}

void FillCanvasRect(Painter& painter, int32_t x, int32_t y, int32_t width, int32_t height,
                    int32_t blue, int32_t green, int32_t red) {
    if (painter.canvas == nullptr) return;
    CanvasClip clip;
    if (!ClipToCanvas(x, y, width, height, &clip)) return;
    const auto b = static_cast<uint8_t>(blue);
    const auto g = static_cast<uint8_t>(green);
    const auto r = static_cast<uint8_t>(red);
    const size_t rowBytes = static_cast<size_t>(clip.x1 - clip.x0) * 3;
    uint8_t* first = CanvasPixel(painter.canvas, clip.x0, clip.y0);
    if (b == g && g == r) {
        for (int32_t row = clip.y0; row < clip.y1; ++row) {
            std::memset(first, b, rowBytes);
            first += CANVAS_STRIDE;
        }
        return;
    }
    // Build the first row, then copy it down.
    for (size_t i = 0; i < rowBytes; i += 3) {
        first[i] = b;
        first[i + 1] = g;
        first[i + 2] = r;
    }
    uint8_t* dst = first + CANVAS_STRIDE;
    for (int32_t row = clip.y0 + 1; row < clip.y1; ++row) {
        std::memcpy(dst, first, rowBytes);
        dst += CANVAS_STRIDE;
    }
}

void FillCanvasWhite(Painter& painter, int32_t x, int32_t y, int32_t width, int32_t height) {
    FillCanvasRect(painter, x, y, width, height, 255, 255, 255);
}

void CopyViewToScreen(Painter& painter, int32_t viewX, int32_t viewY) {
    if (painter.canvas == nullptr || painter.screen == nullptr) return;
    // The view always lies on the canvas; should it not, the uncovered part shows black.
    CanvasClip clip = {0, 0, 0, 0};
    const bool visible = ClipToCanvas(viewX, viewY, SCREEN_WIDTH, SCREEN_HEIGHT, &clip);
    if (!visible || clip.x1 - clip.x0 != SCREEN_WIDTH || clip.y1 - clip.y0 != SCREEN_HEIGHT) {
        std::memset(painter.screen, 0, static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT);
    }
    if (!visible) return;
    const size_t rowBytes = static_cast<size_t>(clip.x1 - clip.x0) * 3;
    for (int32_t row = clip.y0; row < clip.y1; ++row) {
        uint8_t* dst = painter.screen + static_cast<size_t>(row - viewY) * SCREEN_STRIDE +
                       static_cast<size_t>(clip.x0 - viewX) * 3;
        std::memcpy(dst, CanvasPixel(painter.canvas, clip.x0, row), rowBytes);
    }
}

} // namespace velkar
