// The canvases, the sprite blitter's transparency, blink and clipping, text, pixels and fills.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "game/game_record.h"
#include "gfx/canvas.h"

using namespace velkar;

namespace {

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

Bgr At(int32_t x, int32_t y) {
    const uint8_t* p = FrameCanvasBits + y * CANVAS_STRIDE + x * 3;
    return {p[0], p[1], p[2]};
}

std::vector<uint8_t> Snapshot() {
    return {FrameCanvasBits, FrameCanvasBits + CANVAS_STRIDE * CANVAS_HEIGHT};
}

int32_t CountPixels(Bgr colour) {
    int32_t n = 0;
    for (int32_t y = 0; y < CANVAS_HEIGHT; ++y)
        for (int32_t x = 0; x < CANVAS_WIDTH; ++x)
            n += At(x, y) == colour;
    return n;
}

// Non-black pixels in the 8-pixel text cell whose left edge is x.
int32_t InkInCell(int32_t x, int32_t y) {
    int32_t n = 0;
    for (int32_t dy = 0; dy < 8; ++dy)
        for (int32_t dx = 0; dx < 8; ++dx)
            n += !(At(x + dx, y + dy) == Bgr{0, 0, 0});
    return n;
}

// The glyphs are made once for the whole run, as the game does.
void MakeGlyphsOnce() {
    static const int32_t made = MakeGlyphs();
    ASSERT_EQ(made, 0);
}

class Canvas : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CreateCanvases(), 0);
        BlinkPhase = 0;
        TheGame().viewX = 120;
    }
    void TearDown() override {
        for (Sprite* s : made)
            FreeSprite(s);
        DestroyCanvases();
        BlinkPhase = 0;
    }
    Sprite* Make(uint32_t flags, int32_t w, int32_t h, int r, int g, int b) {
        Sprite* s = MakeSprite(flags, w, h, -1, r, g, b, 0);
        made.push_back(s);
        return s;
    }
    std::vector<Sprite*> made;
};

} // namespace

TEST_F(Canvas, CreatedBlackAndDestroyedToNull) {
    ASSERT_NE(FrameCanvasBits, nullptr);
    ASSERT_NE(ScreenBufferBits, nullptr);
    EXPECT_EQ(CountPixels({0, 0, 0}), CANVAS_WIDTH * CANVAS_HEIGHT);
    for (int32_t i = 0; i < SCREEN_STRIDE * SCREEN_HEIGHT; ++i)
        ASSERT_EQ(ScreenBufferBits[i], 0);
    DestroyCanvases();
    EXPECT_EQ(FrameCanvasBits, nullptr);
    EXPECT_EQ(ScreenBufferBits, nullptr);
    DestroyCanvases(); // safe when already gone
}

TEST_F(Canvas, TransparencyIsPerChannel) {
    FillCanvasRect(100, 100, 40, 20, 255, 0, 0); // pure blue
    DrawSprite(100, 100, Make(SHAPE_RECT, 8, 8, 255, 0, 0), 0);
    EXPECT_EQ(At(100, 100), (Bgr{255, 0, 255})); // magenta
    EXPECT_EQ(At(107, 107), (Bgr{255, 0, 255}));
    EXPECT_EQ(At(108, 100), (Bgr{255, 0, 0})); // beside the sprite: untouched
    DrawSprite(120, 100, Make(SHAPE_RECT, 8, 8, 255, 1, 1), 0);
    EXPECT_EQ(At(124, 104), (Bgr{1, 1, 255})); // covers completely
    // The flash picture saturates the sprite's non-zero channels and still lets blue through.
    DrawSprite(130, 100, Make(SHAPE_RECT, 8, 8, 100, 0, 0), 1);
    EXPECT_EQ(At(130, 100), (Bgr{255, 0, 255}));
}

TEST_F(Canvas, BlinkSpritesShowOnAlternateFramesOnly) {
    Sprite* blink = Make(SHAPE_RECT | SPRITE_BLINK, 4, 4, 255, 255, 255);
    int32_t shown = 0;
    for (int frame = 0; frame < 6; ++frame) {
        BlinkPhase = frame % 2;
        FillCanvasRect(200, 400, 4, 4, 0, 0, 0);
        DrawSprite(200, 400, blink, 0);
        const bool drawn = At(201, 401) == Bgr{255, 255, 255};
        EXPECT_EQ(drawn, BlinkPhase == 0) << "frame " << frame;
        shown += drawn;
    }
    EXPECT_EQ(shown, 3);
}

TEST_F(Canvas, NomaskSpritesAreOredAndNeverFlash) {
    Sprite* glow = Make(SHAPE_RECT | SPRITE_NOMASK, 4, 4, 64, 0, 2);
    FillCanvasRect(300, 400, 4, 4, 0x11, 0x22, 0x33);
    DrawSprite(300, 400, glow, 1);
    EXPECT_EQ(At(300, 400), (Bgr{0x11 | 2, 0x22, 0x33 | 64}));
}

TEST_F(Canvas, DrawTextStopsAfterFiftyCells) {
    MakeGlyphsOnce();
    const std::string sixty(60, 'H');
    DrawText(120, 500, sixty.c_str());
    for (int32_t cell = 0; cell < 50; ++cell)
        EXPECT_GT(InkInCell(120 + 8 * cell, 500), 0);
    for (int32_t cell = 50; cell < 60; ++cell)
        EXPECT_EQ(InkInCell(120 + 8 * cell, 500), 0);
}

TEST_F(Canvas, DrawTextPlacesGlyphsFromTheViewEdge) {
    MakeGlyphsOnce();
    DrawText(200, 400, "A B");
    // Each drawn cell holds exactly the glyph's picture; the space draws nothing.
    for (int32_t cell : {0, 2}) {
        const Sprite* glyph = GlyphTable[cell == 0 ? 65 : 66]; // 'A', 'B'
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const uint8_t* p = glyph->image.bits + (y * 8 + x) * 3;
                ASSERT_EQ(At(200 + 8 * cell + x, 400 + y), (Bgr{p[0], p[1], p[2]}));
            }
    }
    EXPECT_EQ(InkInCell(208, 400), 0);
    EXPECT_EQ(InkInCell(192, 400), 0);
    // Control characters and bytes above 127 take a cell but draw nothing.
    DrawText(200, 420,
             "\x01\x80\xff"
             "A");
    EXPECT_EQ(InkInCell(200, 420) + InkInCell(208, 420) + InkInCell(216, 420), 0);
    EXPECT_GT(InkInCell(224, 420), 0);
}

TEST_F(Canvas, DrawTextAtDrawsAtMostTenCharacters) {
    MakeGlyphsOnce();
    DrawTextAt(300, 600, "ABCDEFGHIJKL");
    for (int32_t cell = 0; cell < 10; ++cell)
        EXPECT_GT(InkInCell(300 + 8 * cell, 600), 0);
    EXPECT_EQ(InkInCell(380, 600), 0);
    EXPECT_EQ(InkInCell(388, 600), 0);
}

TEST_F(Canvas, GlyphTableCoversPrintableCodes) {
    MakeGlyphsOnce();
    EXPECT_EQ(GlyphTable[31], nullptr);
    EXPECT_NE(GlyphTable[32], nullptr);
    for (int32_t code = 32; code <= 127; ++code)
        ASSERT_NE(GlyphTable[code], nullptr) << code;
    // Code 127 looks like the full stop.
    for (int32_t code : {127, int32_t{'.'}, int32_t{'A'}})
        ASSERT_TRUE(SpritePixels(GlyphTable[code])) << code;
    EXPECT_EQ(std::memcmp(GlyphTable[127]->image.bits, GlyphTable['.']->image.bits, 8 * 8 * 3), 0);
    EXPECT_NE(std::memcmp(GlyphTable['A']->image.bits, GlyphTable['.']->image.bits, 8 * 8 * 3), 0);
}

TEST_F(Canvas, GreyPixelLevels) {
    const int32_t levels[] = {0, 1, 3, 7, 8, 9, 100};
    const int expected[] = {0, 32, 96, 224, 255, 255, 255};
    for (int i = 0; i < 7; ++i) {
        PutGreyPixel(10 + i, 20, levels[i]);
        const int v = expected[i];
        EXPECT_EQ(At(10 + i, 20), (Bgr{v, v, v})) << "level " << levels[i];
    }
    const auto before = Snapshot();
    PutGreyPixel(-1, 20, 9);
    PutGreyPixel(720, 20, 9);
    PutGreyPixel(0, 960, 9);
    PutGreyPixel(0, -1, 9);
    EXPECT_TRUE(before == Snapshot());
}

TEST_F(Canvas, SpritesAreClippedAtTheCanvasEdges) {
    Sprite* red = Make(SHAPE_RECT, 16, 16, 255, 1, 1);
    DrawSprite(-10, 100, red, 0);
    EXPECT_EQ(At(0, 100), (Bgr{1, 1, 255}));
    EXPECT_EQ(At(5, 115), (Bgr{1, 1, 255}));
    EXPECT_EQ(At(6, 100), (Bgr{0, 0, 0}));
    DrawSprite(710, 950, red, 0);
    EXPECT_EQ(At(719, 959), (Bgr{1, 1, 255}));
    EXPECT_EQ(CountPixels({1, 1, 255}), 6 * 16 + 10 * 10);

    const auto before = Snapshot();
    for (auto [x, y] : {std::pair{-16, 100},
                        {720, 100},
                        {100, -16},
                        {100, 960},
                        {INT_MIN, INT_MIN},
                        {INT_MAX, INT_MAX},
                        {INT_MAX - 5, 10}})
        DrawSprite(x, y, red, 0);
    EXPECT_TRUE(before == Snapshot());
}

TEST_F(Canvas, MissingSpriteIsAClippedWhiteBox) {
    DrawSprite(100, 100, nullptr, 0);
    EXPECT_EQ(CountPixels({255, 255, 255}), 256);
    EXPECT_EQ(At(115, 115), (Bgr{255, 255, 255}));
    EXPECT_EQ(At(116, 100), (Bgr{0, 0, 0}));

    ASSERT_EQ(CreateCanvases(), 0);
    DrawSprite(-8, -8, nullptr, 0);    // top-left corner: 8 x 8 visible
    DrawSprite(712, 952, nullptr, 0);  // bottom-right corner: 8 x 8 visible
    DrawSprite(-200, 500, nullptr, 0); // wholly left of the canvas
    DrawSprite(700, 1000, nullptr, 0); // wholly below
    DrawSprite(INT_MAX, 10, nullptr, 0);
    EXPECT_EQ(CountPixels({255, 255, 255}), 128);
    EXPECT_EQ(At(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(At(719, 959), (Bgr{255, 255, 255}));
}

TEST_F(Canvas, FillRectWritesBlueGreenRedAndClips) {
    FillCanvasRect(50, 60, 3, 2, 10, 20, 30);
    EXPECT_EQ(CountPixels({10, 20, 30}), 6);
    EXPECT_EQ(At(52, 61), (Bgr{10, 20, 30}));
    FillCanvasRect(50, 60, 0, 5, 1, 1, 1);
    FillCanvasRect(50, 60, 5, -1, 1, 1, 1);
    EXPECT_EQ(CountPixels({1, 1, 1}), 0);
    FillCanvasRect(-100, 950, 110, 100, 7, 8, 9);
    EXPECT_EQ(CountPixels({7, 8, 9}), 10 * 10);
    FillCanvasWhite(715, -3, 10, 5);
    EXPECT_EQ(CountPixels({255, 255, 255}), 5 * 2);
}

TEST_F(Canvas, CopyViewToScreenTakesTheViewWindow) {
    for (int32_t y = 0; y < CANVAS_HEIGHT; ++y)
        for (int32_t x = 0; x < CANVAS_WIDTH; ++x)
            FillCanvasRect(x, y, 1, 1, x & 0xFF, y & 0xFF, (x + y) & 0xFF);
    CopyViewToScreen(200, 320);
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
        ASSERT_EQ(std::memcmp(ScreenBufferBits + y * SCREEN_STRIDE,
                              FrameCanvasBits + (320 + y) * CANVAS_STRIDE + 200 * 3, SCREEN_STRIDE),
                  0)
            << "row " << y;
}
