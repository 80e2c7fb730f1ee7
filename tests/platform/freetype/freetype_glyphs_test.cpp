// The FreeType glyphs: a serif face in the game's cell heights, drawn in plain white.
#include <gtest/gtest.h>

#include <string>

#include "gfx/glyph_seam.h"
#include "gfx/sprite.h"

using namespace velkar;

TEST(FreeTypeGlyphs, FontIsACenturyDesignOrASerifFace) {
    const std::string family = GlyphFontFamily();
    const bool century = family == "Century" || family == "C059" ||
                         family.find("Century Schoolbook") != std::string::npos;
    EXPECT_TRUE(century || family.find("Serif") != std::string::npos) << family;
    int32_t cx = 0, cy = 0;
    ASSERT_EQ(MeasureGlyph(27, 'W', &cx, &cy), 0);
    EXPECT_EQ(cy, 27);
}

// Glyphs are rendered monochrome: a letter over a figure leaves only the letter's white and
// the figure's own colour, no blends.
TEST(FreeTypeGlyphs, ItemLetterHasNoBlendedEdges) {
    const auto b =
        DrawSpriteImages(DescribeSprite(SHAPE_RECT | SPRITE_TEXT, 24, 24, -1, 200, 1, 255, 'B'));
    ASSERT_NE(b, nullptr);
    const uint8_t* bits = b->image.bits.get();
    int32_t white = 0, body = 0;
    for (int32_t i = 0; i < 24 * 24; ++i) {
        const std::string p(bits + 3 * i, bits + 3 * i + 3);
        white += p == "\xff\xff\xff";
        body += p == std::string("\xff\x01\xc8", 3);
    }
    EXPECT_GT(white, 24);
    EXPECT_EQ(white + body, 24 * 24);
}
