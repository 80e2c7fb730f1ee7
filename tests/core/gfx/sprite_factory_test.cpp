// Sprite factory: figure bounds and symmetry, markers, mask and flash, and the glyph sprites.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "gfx/glyph_seam.h"
#include "gfx/sprite.h"

using namespace velkar;

namespace {

// A sprite's description with its pictures drawn, as these tests look at them.
struct SurfaceView {
    const uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};
struct DrawnSprite : Sprite {
    std::unique_ptr<SpriteImages> pictures;
    SurfaceView image, mask, flash;
};
using SpritePtr = std::unique_ptr<DrawnSprite>;

SurfaceView ViewOf(const SpriteSurface& s) {
    return {s.bits.get(), s.width, s.height};
}

// The sprite drawn by the factory, or nullptr when it cannot be.
SpritePtr MakeSpriteEx(uint32_t flags, int32_t w, int32_t h, int32_t inset, int r, int g, int b,
                       int32_t character, int32_t left, int32_t top, int32_t right,
                       int32_t bottom) {
    auto drawn = std::make_unique<DrawnSprite>();
    static_cast<Sprite&>(*drawn) =
        DescribeSpriteEx(flags, w, h, inset, r, g, b, character, left, top, right, bottom);
    drawn->pictures = DrawSpriteImages(*drawn);
    if (drawn->pictures == nullptr) return nullptr;
    drawn->image = ViewOf(drawn->pictures->image);
    drawn->mask = ViewOf(drawn->pictures->mask);
    drawn->flash = ViewOf(drawn->pictures->flash);
    return drawn;
}
SpritePtr MakeSprite(uint32_t flags, int32_t w, int32_t h, int32_t inset, int r, int g, int b,
                     int32_t character) {
    return MakeSpriteEx(flags, w, h, inset, r, g, b, character, -1, -1, -1, -1);
}

SpritePtr Make(uint32_t flags, int32_t w, int32_t h, int32_t inset, int r, int g, int b,
               int32_t character = 0) {
    return MakeSprite(flags, w, h, inset, r, g, b, character);
}

const uint8_t* Px(const SurfaceView& s, int32_t x, int32_t y) {
    return s.bits + (y * s.width + x) * 3;
}

bool Painted(const DrawnSprite& s, int32_t x, int32_t y) {
    const uint8_t* p = Px(s.image, x, y);
    return p[0] != 0 || p[1] != 0 || p[2] != 0;
}

bool SameImage(const DrawnSprite& a, const DrawnSprite& b) {
    return a.width == b.width && a.height == b.height &&
           std::memcmp(a.image.bits, b.image.bits, a.width * a.height * 3) == 0;
}

// Checks that mask and flash follow the image byte by byte.
void ExpectDerivedSurfaces(const DrawnSprite& s) {
    for (int32_t i = 0; i < s.width * s.height * 3; ++i) {
        ASSERT_EQ(s.mask.bits[i], s.image.bits[i] == 0 ? 255 : 0) << "byte " << i;
        ASSERT_EQ(s.flash.bits[i], s.image.bits[i] != 0 ? 255 : 0) << "byte " << i;
    }
}

} // namespace

TEST(SpriteFactory, SmallEllipseMaskAndFlash) {
    SpritePtr s = Make(SHAPE_ELLIPSE, 4, 4, -1, 200, 255, 1);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->flags, SHAPE_ELLIPSE);
    EXPECT_EQ(s->red, 200);
    int32_t inside = 0;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            const uint8_t* img = Px(s->image, x, y);
            const uint8_t* mask = Px(s->mask, x, y);
            const uint8_t* flash = Px(s->flash, x, y);
            if (Painted(*s, x, y)) {
                ++inside;
                EXPECT_EQ(std::string(img, img + 3), std::string("\x01\xff\xc8", 3));
                EXPECT_EQ(std::string(mask, mask + 3), std::string(3, '\0'));
                EXPECT_EQ(std::string(flash, flash + 3), std::string(3, '\xff'));
            } else {
                EXPECT_EQ(std::string(mask, mask + 3), std::string(3, '\xff'));
                EXPECT_EQ(std::string(flash, flash + 3), std::string(3, '\0'));
            }
        }
    EXPECT_GT(inside, 0);
    // The box of Ellipse(0, 0, 3, 3) excludes its right column and bottom row.
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_FALSE(Painted(*s, 3, i) || Painted(*s, i, 3));
}

TEST(SpriteFactory, EllipseFillsItsBoxSymmetricallyForManySizes) {
    for (int32_t w = 4; w <= 64; w += 4)
        for (int32_t h = 2; h <= 41; ++h) {
            SpritePtr s = Make(SHAPE_ELLIPSE, w, h, 0, 255, 127, 1);
            ASSERT_TRUE(s);
            int32_t minX = w, maxX = -1, minY = h, maxY = -1;
            for (int32_t y = 0; y < h; ++y) {
                int32_t runs = 0;
                for (int32_t x = 0; x < w; ++x) {
                    const bool on = Painted(*s, x, y);
                    if (x == w - 1 || y == h - 1) {
                        ASSERT_FALSE(on) << w << "x" << h << " at " << x << "," << y;
                        continue;
                    }
                    ASSERT_EQ(on, Painted(*s, w - 2 - x, y)) << w << "x" << h << " " << x;
                    ASSERT_EQ(on, Painted(*s, x, h - 2 - y)) << w << "x" << h << " " << y;
                    runs += on && (x == 0 || !Painted(*s, x - 1, y));
                    if (!on) continue;
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
                ASSERT_LE(runs, 1) << "one span per row";
            }
            // Touches all four sides of the box columns 0..w-2, rows 0..h-2.
            EXPECT_EQ(minX, 0);
            EXPECT_EQ(maxX, w - 2);
            EXPECT_EQ(minY, 0);
            EXPECT_EQ(maxY, h - 2);
        }
}

TEST(SpriteFactory, EllipseInsetRule) {
    SpritePtr none = Make(SHAPE_ELLIPSE, 64, 64, 0, 255, 127, 1);
    SpritePtr minus1 = Make(SHAPE_ELLIPSE, 64, 64, -1, 255, 127, 1);
    SpritePtr minus40 = Make(SHAPE_ELLIPSE, 64, 64, -40, 255, 127, 1);
    EXPECT_TRUE(SameImage(*none, *minus40));
    EXPECT_TRUE(SameImage(*none, *minus1));
    // Inset 8: Ellipse(8, 8, 55, 55) covers columns and rows 8..54 and touches them.
    SpritePtr inset = Make(SHAPE_ELLIPSE, 64, 64, 8, 255, 127, 1);
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            const bool inBox = x >= 8 && x <= 54 && y >= 8 && y <= 54;
            ASSERT_TRUE(inBox || !Painted(*inset, x, y)) << x << "," << y;
        }
    }
    EXPECT_TRUE(Painted(*inset, 31, 8) && Painted(*inset, 8, 31) && Painted(*inset, 54, 31));
    // The last bomb frame's box is empty: nothing is drawn.
    SpritePtr gone = Make(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 400, 400, 200, 200, 80, 1);
    ASSERT_TRUE(gone);
    for (int32_t i = 0; i < 400 * 400 * 3; ++i)
        ASSERT_EQ(gone->image.bits[i], 0);
}

TEST(SpriteFactory, TriangleUpApexAndBase) {
    SpritePtr s = Make(SHAPE_TRIANGLE_UP, 4, 12, -1, 200, 255, 255);
    for (int32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(Painted(*s, x, 0), x == 1 || x == 2) << x;
        EXPECT_TRUE(Painted(*s, x, 11)) << x;
    }
    ExpectDerivedSurfaces(*s);
}

TEST(SpriteFactory, TrianglesAreMirrorSymmetricAndWiden) {
    for (int32_t w : {4, 8, 12, 20, 32, 36})
        for (int32_t h : {4, 8, 10, 12, 31, 32, 50}) {
            SpritePtr up = Make(SHAPE_TRIANGLE_UP, w, h, -1, 240, 200, 200);
            SpritePtr down = Make(SHAPE_TRIANGLE_DOWN, w, h, -1, 240, 200, 200);
            int32_t previous = 0;
            for (int32_t y = 0; y < h; ++y) {
                int32_t count = 0;
                for (int32_t x = 0; x < w; ++x) {
                    ASSERT_EQ(Painted(*up, x, y), Painted(*up, w - 1 - x, y));
                    ASSERT_EQ(Painted(*up, x, y), Painted(*down, x, h - 1 - y));
                    count += Painted(*up, x, y);
                }
                ASSERT_GE(count, previous) << w << "x" << h << " row " << y;
                previous = count;
            }
            EXPECT_EQ(previous, w) << "full base";
        }
}

TEST(SpriteFactory, OtherShapeValuesAreRectanglesAndFlagsDoNotChangeThePicture) {
    SpritePtr rect = Make(SHAPE_RECT, 8, 4, -1, 9, 8, 7);
    SpritePtr other = Make(7 | SPRITE_BLINK, 8, 4, -1, 9, 8, 7);
    for (int32_t i = 0; i < 8 * 4; ++i)
        ASSERT_EQ(std::string(rect->image.bits + 3 * i, rect->image.bits + 3 * i + 3),
                  "\x07\x08\x09");
    EXPECT_TRUE(SameImage(*rect, *other));
    SpritePtr glow = Make(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 32, 32, -1, 160, 0, 0);
    SpritePtr plain = Make(SHAPE_ELLIPSE, 32, 32, -1, 160, 0, 0);
    EXPECT_TRUE(SameImage(*glow, *plain));
    EXPECT_EQ(glow->flags, SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK);
    // Drawn without a mask, it is never flashed either: it has neither picture.
    EXPECT_EQ(glow->mask.bits, nullptr);
    EXPECT_EQ(glow->flash.bits, nullptr);
    ExpectDerivedSurfaces(*plain);
}

TEST(SpriteFactory, MarkerPaintsExactlyItsRectangle) {
    SpritePtr ship(MakeSpriteEx(SHAPE_TRIANGLE_UP, 32, 32, -1, 220, 220, 255, 0, 14, 14, 18, 18));
    SpritePtr black(MakeSpriteEx(SHAPE_RECT, 32, 32, -1, 0, 0, 0, 0, 14, 14, 18, 18));
    ASSERT_TRUE(ship && black);
    for (const DrawnSprite* s : {ship.get(), black.get()}) {
        int32_t marked = 0;
        for (int32_t y = 0; y < 32; ++y)
            for (int32_t x = 0; x < 32; ++x) {
                const uint8_t* p = Px(s->image, x, y);
                const bool red = p[0] == 1 && p[1] == 1 && p[2] == 255;
                EXPECT_EQ(red, x >= 14 && x <= 17 && y >= 14 && y <= 17);
                marked += red;
            }
        EXPECT_EQ(marked, 16);
    }
    // Only left or top needs to be non-negative; the rectangle is clipped to the sprite.
    SpritePtr edge(MakeSpriteEx(SHAPE_RECT, 8, 8, -1, 0, 0, 0, 0, -4, 6, 2, 20));
    int32_t marked = 0;
    for (int32_t i = 0; i < 64; ++i)
        marked += edge->image.bits[3 * i + 2] == 255;
    EXPECT_EQ(marked, 2 * 2);
}

// Painters draw their own copies of a sprite's pictures, so the factory must give the same
// pixels every time it draws one description, marker and character included.
TEST(SpriteFactory, OneDescriptionAlwaysDrawsTheSamePictures) {
    SpritePtr first(
        MakeSpriteEx(SHAPE_ELLIPSE | SPRITE_TEXT, 40, 30, 3, 9, 200, 40, 'P', 2, 3, 9, 7));
    SpritePtr again(
        MakeSpriteEx(SHAPE_ELLIPSE | SPRITE_TEXT, 40, 30, 3, 9, 200, 40, 'P', 2, 3, 9, 7));
    ASSERT_TRUE(first && again);
    EXPECT_NE(first->image.bits, again->image.bits);
    EXPECT_TRUE(SameImage(*first, *again));
    ExpectDerivedSurfaces(*again);
}

TEST(SpriteFactory, RejectsImpossibleSizes) {
    EXPECT_EQ(MakeSprite(SHAPE_RECT, 0, 8, -1, 1, 1, 1, 0), nullptr);
    EXPECT_EQ(MakeSprite(SHAPE_RECT, 8, -1, -1, 1, 1, 1, 0), nullptr);
    EXPECT_EQ(MakeSprite(SHAPE_ELLIPSE, 1 << 20, 8, -1, 1, 1, 1, 0), nullptr);
    EXPECT_EQ(MakeSprite(SHAPE_RECT, 16385, 1, -1, 1, 1, 1, 0), nullptr);
    EXPECT_NE(MakeSprite(SHAPE_RECT, 16384, 1, -1, 1, 1, 1, 0), nullptr);
}

TEST(SpriteGlyphs, CharacterIsTheOnlyOpaquePartOfAGlyph) {
    SpritePtr a = Make(SPRITE_TEXT, 8, 8, -1, 0, 0, 0, 'A');
    int32_t ink = 0;
    for (int32_t i = 0; i < 64; ++i) {
        const uint8_t* p = a->image.bits + 3 * i;
        const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
        ASSERT_TRUE(white || (p[0] == 0 && p[1] == 0 && p[2] == 0));
        ink += white;
    }
    EXPECT_GE(ink, 8);
    EXPECT_LE(ink, 40);
    ExpectDerivedSurfaces(*a);
    // The character sits at (W/2 - cx/2, H/2 - cy/2) in a font of height 8 + 3.
    int32_t cx = 0, cy = 0;
    ASSERT_EQ(MeasureGlyph(11, 'A', &cx, &cy), 0);
    EXPECT_EQ(cy, 11);
    uint8_t expected[8 * 8 * 3] = {};
    ASSERT_EQ(DrawGlyph(11, 'A', expected, 8, 8, 24, 4 - cx / 2, 4 - cy / 2), 0);
    EXPECT_EQ(std::memcmp(expected, a->image.bits, sizeof expected), 0);
    // The space is blank.
    SpritePtr space = Make(SPRITE_TEXT, 8, 8, -1, 0, 0, 0, ' ');
    for (int32_t i = 0; i < 64 * 3; ++i)
        ASSERT_EQ(space->image.bits[i], 0);
}

TEST(SpriteGlyphs, ItemLetterIsWhiteOverItsFigure) {
    SpritePtr b = Make(SHAPE_RECT | SPRITE_TEXT, 24, 24, -1, 200, 1, 255, 'B');
    // Pixels are blue, green, red. The letter is white over the body (255, 1, 200); a font
    // renderer that smooths edges leaves blends of the two, never anything darker than the body.
    int32_t white = 0;
    for (int32_t i = 0; i < 24 * 24; ++i) {
        const uint8_t* p = b->image.bits + 3 * i;
        white += p[0] == 255 && p[1] == 255 && p[2] == 255;
        ASSERT_TRUE(p[0] == 255 && p[1] >= 1 && p[2] >= 200) << i;
        ASSERT_EQ(std::string(b->flash.bits + 3 * i, b->flash.bits + 3 * i + 3), "\xff\xff\xff");
    }
    EXPECT_GT(white, 24);
    // A letter of height 27 centred in 24 pixels leaves the outer columns to the body.
    for (int32_t y = 0; y < 24; ++y) {
        for (int32_t x : {0, 23})
            EXPECT_EQ(std::string(Px(b->image, x, y), Px(b->image, x, y) + 3),
                      std::string("\xff\x01\xc8", 3));
    }
}

TEST(SpriteGlyphs, GlyphFontHasTheCellHeightItIsAskedFor) {
    EXPECT_STRNE(GlyphFontFamily(), "");
    int32_t cx = 0, cy = 0;
    ASSERT_EQ(MeasureGlyph(27, 'W', &cx, &cy), 0);
    EXPECT_EQ(cy, 27);
    EXPECT_GT(cx, 10);
    EXPECT_LT(cx, 40);
}
