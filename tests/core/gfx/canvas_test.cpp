// The canvases, the sprite blitter's transparency, blink and clipping, text, pixels and fills.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <deque>
#include <vector>

#include "gfx/canvas.h"

using namespace velkar;

namespace {

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

class Canvas : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(CreateCanvases(painter), 0); }
    const Sprite* Make(uint32_t flags, int32_t w, int32_t h, int r, int g, int b) {
        return &made.emplace_back(DescribeSprite(flags, w, h, -1, r, g, b, 0));
    }
    Bgr At(int32_t x, int32_t y) const {
        const uint8_t* p = painter.canvas + y * CANVAS_STRIDE + x * 3;
        return {p[0], p[1], p[2]};
    }
    std::vector<uint8_t> Snapshot() const {
        return {painter.canvas, painter.canvas + CANVAS_STRIDE * CANVAS_HEIGHT};
    }
    int32_t CountPixels(Bgr colour) const {
        int32_t n = 0;
        for (int32_t y = 0; y < CANVAS_HEIGHT; ++y)
            for (int32_t x = 0; x < CANVAS_WIDTH; ++x)
                n += At(x, y) == colour;
        return n;
    }
    // Non-black pixels in the 8-pixel text cell whose left edge is x.
    int32_t InkInCell(int32_t x, int32_t y) const {
        int32_t n = 0;
        for (int32_t dy = 0; dy < 8; ++dy)
            for (int32_t dx = 0; dx < 8; ++dx)
                n += !(At(x + dx, y + dy) == Bgr{0, 0, 0});
        return n;
    }
    Painter painter;
    std::deque<Sprite> made;
};

} // namespace

TEST_F(Canvas, CreatedBlackAndDestroyedToNull) {
    ASSERT_NE(painter.canvas, nullptr);
    ASSERT_NE(painter.screen, nullptr);
    EXPECT_EQ(CountPixels({0, 0, 0}), CANVAS_WIDTH * CANVAS_HEIGHT);
    for (int32_t i = 0; i < SCREEN_STRIDE * SCREEN_HEIGHT; ++i)
        ASSERT_EQ(painter.screen[i], 0);
    DestroyCanvases(painter);
    EXPECT_EQ(painter.canvas, nullptr);
    EXPECT_EQ(painter.screen, nullptr);
    DestroyCanvases(painter); // safe when already gone
}

TEST_F(Canvas, TransparencyIsPerChannel) {
    FillCanvasRect(painter, 100, 100, 40, 20, 255, 0, 0); // pure blue
    DrawSprite(painter, 100, 100, Make(SHAPE_RECT, 8, 8, 255, 0, 0), 0);
    EXPECT_EQ(At(100, 100), (Bgr{255, 0, 255})); // magenta
    EXPECT_EQ(At(107, 107), (Bgr{255, 0, 255}));
    EXPECT_EQ(At(108, 100), (Bgr{255, 0, 0})); // beside the sprite: untouched
    DrawSprite(painter, 120, 100, Make(SHAPE_RECT, 8, 8, 255, 1, 1), 0);
    EXPECT_EQ(At(124, 104), (Bgr{1, 1, 255})); // covers completely
    // The flash picture saturates the sprite's non-zero channels and still lets blue through.
    DrawSprite(painter, 130, 100, Make(SHAPE_RECT, 8, 8, 100, 0, 0), 1);
    EXPECT_EQ(At(130, 100), (Bgr{255, 0, 255}));
}

TEST_F(Canvas, BlinkSpritesShowOnAlternateFramesOnly) {
    const Sprite* blink = Make(SHAPE_RECT | SPRITE_BLINK, 4, 4, 255, 255, 255);
    int32_t shown = 0;
    for (int frame = 0; frame < 6; ++frame) {
        painter.blinkPhase = frame % 2;
        FillCanvasRect(painter, 200, 400, 4, 4, 0, 0, 0);
        DrawSprite(painter, 200, 400, blink, 0);
        const bool drawn = At(201, 401) == Bgr{255, 255, 255};
        EXPECT_EQ(drawn, painter.blinkPhase == 0) << "frame " << frame;
        shown += drawn;
    }
    EXPECT_EQ(shown, 3);
}

TEST_F(Canvas, NomaskSpritesAreOredAndNeverFlash) {
    const Sprite* glow = Make(SHAPE_RECT | SPRITE_NOMASK, 4, 4, 64, 0, 2);
    FillCanvasRect(painter, 300, 400, 4, 4, 0x11, 0x22, 0x33);
    DrawSprite(painter, 300, 400, glow, 1);
    EXPECT_EQ(At(300, 400), (Bgr{0x11 | 2, 0x22, 0x33 | 64}));
}

TEST_F(Canvas, DrawTextStopsAfterFiftyCells) {
    const std::string sixty(60, 'H');
    DrawText(painter, 120, 500, sixty.c_str());
    for (int32_t cell = 0; cell < 50; ++cell)
        EXPECT_GT(InkInCell(120 + 8 * cell, 500), 0);
    for (int32_t cell = 50; cell < 60; ++cell)
        EXPECT_EQ(InkInCell(120 + 8 * cell, 500), 0);
}

TEST_F(Canvas, DrawTextPlacesGlyphsFromTheViewEdge) {
    DrawText(painter, 200, 400, "A B");
    // Each drawn cell holds exactly the glyph's picture; the space draws nothing.
    for (int32_t cell : {0, 2}) {
        const auto glyph = DrawSpriteImages(*GlyphSprite(cell == 0 ? 'A' : 'B'));
        ASSERT_NE(glyph, nullptr);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const uint8_t* p = glyph->image.bits.get() + (y * 8 + x) * 3;
                ASSERT_EQ(At(200 + 8 * cell + x, 400 + y), (Bgr{p[0], p[1], p[2]}));
            }
    }
    EXPECT_EQ(InkInCell(208, 400), 0);
    EXPECT_EQ(InkInCell(192, 400), 0);
    // Control characters and bytes above 127 take a cell but draw nothing.
    DrawText(painter, 200, 420,
             "\x01\x80\xff"
             "A");
    EXPECT_EQ(InkInCell(200, 420) + InkInCell(208, 420) + InkInCell(216, 420), 0);
    EXPECT_GT(InkInCell(224, 420), 0);
}

TEST_F(Canvas, DrawTextAtDrawsAtMostTenCharacters) {
    DrawTextAt(painter, 300, 600, "ABCDEFGHIJKL");
    for (int32_t cell = 0; cell < 10; ++cell)
        EXPECT_GT(InkInCell(300 + 8 * cell, 600), 0);
    EXPECT_EQ(InkInCell(380, 600), 0);
    EXPECT_EQ(InkInCell(388, 600), 0);
}

TEST_F(Canvas, GlyphTableCoversPrintableCodes) {
    EXPECT_EQ(GlyphSprite(31), nullptr);
    EXPECT_EQ(GlyphSprite(128), nullptr);
    EXPECT_EQ(GlyphSprite(-1), nullptr);
    for (int32_t code = 32; code <= 127; ++code)
        ASSERT_NE(GlyphSprite(code), nullptr) << code;
    // Code 127 looks like the full stop.
    const auto del = DrawSpriteImages(*GlyphSprite(127));
    const auto stop = DrawSpriteImages(*GlyphSprite('.'));
    const auto a = DrawSpriteImages(*GlyphSprite('A'));
    ASSERT_TRUE(del != nullptr && stop != nullptr && a != nullptr);
    EXPECT_EQ(std::memcmp(del->image.bits.get(), stop->image.bits.get(), 8 * 8 * 3), 0);
    EXPECT_NE(std::memcmp(a->image.bits.get(), stop->image.bits.get(), 8 * 8 * 3), 0);
}

// A painter draws a sprite's pictures the first time it shows it and keeps them: equal
// descriptions share them, a sprite never shown costs nothing, and a description that cannot
// be drawn is asked for once and shows as the white box each time.
TEST_F(Canvas, PaintersDrawEachPictureOnceOnFirstUse) {
    EXPECT_EQ(painter.pictures.Count(), 0u);
    const Sprite* blue = Make(SHAPE_ELLIPSE, 12, 10, 0, 0, 200);
    const Sprite* same = Make(SHAPE_ELLIPSE, 12, 10, 0, 0, 200);
    const Sprite* other = Make(SHAPE_ELLIPSE, 12, 10, 0, 0, 201);
    const SpriteImages* first = painter.pictures.Get(blue);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(painter.pictures.Get(same), first);
    EXPECT_NE(painter.pictures.Get(other), first);
    EXPECT_EQ(painter.pictures.Get(blue), first);
    EXPECT_EQ(painter.pictures.Count(), 2u);
    // The pictures are the factory's, whichever painter draws them.
    Painter second;
    const auto fresh = DrawSpriteImages(*blue);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(std::memcmp(second.pictures.Get(blue)->image.bits.get(), fresh->image.bits.get(),
                          12 * 10 * 3),
              0);
    // A description changed where it lies (a test's own sprite) is drawn as it is now.
    Sprite changing = DescribeSprite(SHAPE_RECT, 4, 4, -1, 9, 9, 9, 0);
    DrawSprite(painter, 300, 300, &changing, 0);
    changing.red = 77;
    DrawSprite(painter, 300, 300, &changing, 0);
    EXPECT_EQ(At(301, 301), (Bgr{9, 9, 77}));
    EXPECT_EQ(painter.pictures.Count(), 4u);
    const Sprite* huge = Make(SHAPE_RECT, 16385, 4, 1, 1, 1);
    DrawSprite(painter, 100, 100, huge, 0);
    DrawSprite(painter, 200, 100, huge, 0);
    EXPECT_EQ(CountPixels({255, 255, 255}), 2 * 256);
    EXPECT_EQ(painter.pictures.Count(), 5u);
}

TEST_F(Canvas, GreyPixelLevels) {
    const int32_t levels[] = {0, 1, 3, 7, 8, 9, 100};
    const int expected[] = {0, 32, 96, 224, 255, 255, 255};
    for (int i = 0; i < 7; ++i) {
        PutGreyPixel(painter, 10 + i, 20, levels[i]);
        const int v = expected[i];
        EXPECT_EQ(At(10 + i, 20), (Bgr{v, v, v})) << "level " << levels[i];
    }
    const auto before = Snapshot();
    PutGreyPixel(painter, -1, 20, 9);
    PutGreyPixel(painter, 720, 20, 9);
    PutGreyPixel(painter, 0, 960, 9);
    PutGreyPixel(painter, 0, -1, 9);
    EXPECT_TRUE(before == Snapshot());
}

TEST_F(Canvas, SpritesAreClippedAtTheCanvasEdges) {
    const Sprite* red = Make(SHAPE_RECT, 16, 16, 255, 1, 1);
    DrawSprite(painter, -10, 100, red, 0);
    EXPECT_EQ(At(0, 100), (Bgr{1, 1, 255}));
    EXPECT_EQ(At(5, 115), (Bgr{1, 1, 255}));
    EXPECT_EQ(At(6, 100), (Bgr{0, 0, 0}));
    DrawSprite(painter, 710, 950, red, 0);
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
        DrawSprite(painter, x, y, red, 0);
    EXPECT_TRUE(before == Snapshot());
}

TEST_F(Canvas, MissingSpriteIsAClippedWhiteBox) {
    DrawSprite(painter, 100, 100, nullptr, 0);
    EXPECT_EQ(CountPixels({255, 255, 255}), 256);
    EXPECT_EQ(At(115, 115), (Bgr{255, 255, 255}));
    EXPECT_EQ(At(116, 100), (Bgr{0, 0, 0}));

    ASSERT_EQ(CreateCanvases(painter), 0);
    DrawSprite(painter, -8, -8, nullptr, 0);    // top-left corner: 8 x 8 visible
    DrawSprite(painter, 712, 952, nullptr, 0);  // bottom-right corner: 8 x 8 visible
    DrawSprite(painter, -200, 500, nullptr, 0); // wholly left of the canvas
    DrawSprite(painter, 700, 1000, nullptr, 0); // wholly below
    DrawSprite(painter, INT_MAX, 10, nullptr, 0);
    EXPECT_EQ(CountPixels({255, 255, 255}), 128);
    EXPECT_EQ(At(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(At(719, 959), (Bgr{255, 255, 255}));
}

TEST_F(Canvas, FillRectWritesBlueGreenRedAndClips) {
    FillCanvasRect(painter, 50, 60, 3, 2, 10, 20, 30);
    EXPECT_EQ(CountPixels({10, 20, 30}), 6);
    EXPECT_EQ(At(52, 61), (Bgr{10, 20, 30}));
    FillCanvasRect(painter, 50, 60, 0, 5, 1, 1, 1);
    FillCanvasRect(painter, 50, 60, 5, -1, 1, 1, 1);
    EXPECT_EQ(CountPixels({1, 1, 1}), 0);
    FillCanvasRect(painter, -100, 950, 110, 100, 7, 8, 9);
    EXPECT_EQ(CountPixels({7, 8, 9}), 10 * 10);
    FillCanvasWhite(painter, 715, -3, 10, 5);
    EXPECT_EQ(CountPixels({255, 255, 255}), 5 * 2);
}

TEST_F(Canvas, CopyViewToScreenTakesTheViewWindow) {
    for (int32_t y = 0; y < CANVAS_HEIGHT; ++y)
        for (int32_t x = 0; x < CANVAS_WIDTH; ++x)
            FillCanvasRect(painter, x, y, 1, 1, x & 0xFF, y & 0xFF, (x + y) & 0xFF);
    CopyViewToScreen(painter, 200, 320);
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
        ASSERT_EQ(std::memcmp(painter.screen + y * SCREEN_STRIDE,
                              painter.canvas + (320 + y) * CANVAS_STRIDE + 200 * 3, SCREEN_STRIDE),
                  0)
            << "row " << y;
}
