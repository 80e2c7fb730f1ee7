// Sprites: pictures drawn once at start-up from shape descriptions, with mask and flash images.
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

struct Sprite {
    uint32_t flags = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t red = 0, green = 0, blue = 0;
    SpriteSurface image;
    SpriteSurface mask;           // 255 where the image byte is 0, else 0
    SpriteSurface flash;          // 255 where the image byte is not 0, else 0
    Sprite* madeBefore = nullptr; // the factory's list of every sprite it made
};

// Returns a new sprite, or nullptr on failure. Sprites live until the process ends.
Sprite* MakeSprite(uint32_t flags, int32_t width, int32_t height, int32_t inset, int32_t red,
                   int32_t green, int32_t blue, int32_t character);
// As MakeSprite, plus a marker rectangle [left, right) x [top, bottom) in MarkerRed
// (none when left and top are both negative).
Sprite* MakeSpriteEx(uint32_t flags, int32_t width, int32_t height, int32_t inset, int32_t red,
                     int32_t green, int32_t blue, int32_t character, int32_t left, int32_t top,
                     int32_t right, int32_t bottom);
// Frees a sprite and its surfaces (nullptr is ignored). The game keeps its sprites for the
// whole run; this serves failure paths and tests.
void FreeSprite(Sprite* sprite);

} // namespace velkar
