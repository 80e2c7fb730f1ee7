// Sprites: pictures drawn from shape descriptions, with mask and flash images, made on first use.
#pragma once

#include <cstdint>

namespace velkar {

enum : uint32_t {
    SHAPE_RECT = 0,
    SHAPE_ELLIPSE = 1,
    SHAPE_TRIANGLE_UP = 2,
    SHAPE_TRIANGLE_DOWN = 3,
    SPRITE_TEXT = 0x100,
    SPRITE_BLINK = 0x200,
    SPRITE_NOMASK = 0x400,
};

// A width x height picture in the game's pixel format: 3 bytes per pixel (blue, green, red),
// rows top first, no padding between rows.
struct SpriteSurface {
    uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// A sprite is its description (size, shape, colour, character, marker) and the pictures drawn
// from it. The game describes its sprites at start-up and their pictures are drawn the first
// time they are needed (SpritePixels), so a picture that is never shown costs nothing; the
// description never changes, so the pictures are the same whenever they are drawn.
struct Sprite {
    uint32_t flags = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t red = 0, green = 0, blue = 0;
    int32_t inset = -1;
    int32_t character = 0;
    int32_t markLeft = -1, markTop = -1, markRight = -1, markBottom = -1;
    // The pictures, empty until SpritePixels draws them.
    mutable SpriteSurface image;
    // A SPRITE_NOMASK sprite has neither of the next two: it is ORed onto the canvas, never
    // flashed.
    mutable SpriteSurface mask;     // 255 where the image byte is 0, else 0
    mutable SpriteSurface flash;    // 255 where the image byte is not 0, else 0
    mutable int32_t pixelState = 0; // 0 not drawn yet, 1 drawn, -1 out of memory
    Sprite* madeBefore = nullptr;   // the factory's list of every sprite it made
};

// Returns a new sprite with its pictures drawn, or nullptr on failure. Sprites live until the
// process ends.
Sprite* MakeSprite(uint32_t flags, int32_t width, int32_t height, int32_t inset, int32_t red,
                   int32_t green, int32_t blue, int32_t character);
// As MakeSprite, plus a marker rectangle [left, right) x [top, bottom) in MarkerRed
// (none when left and top are both negative).
Sprite* MakeSpriteEx(uint32_t flags, int32_t width, int32_t height, int32_t inset, int32_t red,
                     int32_t green, int32_t blue, int32_t character, int32_t left, int32_t top,
                     int32_t right, int32_t bottom);
// As MakeSprite and MakeSpriteEx, but the pictures are drawn only when SpritePixels first asks
// for them.
Sprite* DescribeSprite(uint32_t flags, int32_t width, int32_t height, int32_t inset, int32_t red,
                       int32_t green, int32_t blue, int32_t character);
Sprite* DescribeSpriteEx(uint32_t flags, int32_t width, int32_t height, int32_t inset, int32_t red,
                         int32_t green, int32_t blue, int32_t character, int32_t left, int32_t top,
                         int32_t right, int32_t bottom);
// Draws the sprite's image, mask and flash pictures if they are not drawn yet. true when they
// are there; false for nullptr or when the memory for them could not be had.
bool SpritePixels(const Sprite* sprite);
// Frees a sprite and its surfaces (nullptr is ignored). The game keeps its sprites for the
// whole run; this serves failure paths and tests.
void FreeSprite(Sprite* sprite);

} // namespace velkar
