// Sprites: constant shape descriptions, and the pictures drawn from them on first use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

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

// A sprite is a description: size, shape, colour, character and marker. The game's sprites are
// constants; their pictures are drawn from the description the first time a painter needs them
// (SpritePictures), so the same description always gives the same pixels and a picture that is
// never shown costs nothing.
struct Sprite {
    uint32_t flags = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t red = 0, green = 0, blue = 0;
    int32_t inset = -1;
    int32_t character = 0;
    int32_t markLeft = -1, markTop = -1, markRight = -1, markBottom = -1;

    friend constexpr bool operator==(const Sprite&, const Sprite&) = default;
};

// A sprite with a marker rectangle [left, right) x [top, bottom) in MarkerRed (none when left
// and top are both negative). Colours are taken modulo 256.
constexpr Sprite DescribeSpriteEx(uint32_t flags, int32_t width, int32_t height, int32_t inset,
                                  int32_t red, int32_t green, int32_t blue, int32_t character,
                                  int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return Sprite{flags,
                  width,
                  height,
                  static_cast<uint8_t>(red),
                  static_cast<uint8_t>(green),
                  static_cast<uint8_t>(blue),
                  inset,
                  character,
                  left,
                  top,
                  right,
                  bottom};
}
constexpr Sprite DescribeSprite(uint32_t flags, int32_t width, int32_t height, int32_t inset,
                                int32_t red, int32_t green, int32_t blue, int32_t character) {
    return DescribeSpriteEx(flags, width, height, inset, red, green, blue, character, -1, -1, -1,
                            -1);
}

// A width x height picture in the game's pixel format: 3 bytes per pixel (blue, green, red),
// rows top first, no padding between rows.
struct SpriteSurface {
    std::unique_ptr<uint8_t[]> bits;
    int32_t width = 0;
    int32_t height = 0;
};

// The pictures of one sprite. A SPRITE_NOMASK sprite has no mask and no flash picture: it is
// ORed onto the canvas, never flashed.
struct SpriteImages {
    SpriteSurface image;
    SpriteSurface mask;  // 255 where the image byte is 0, else 0
    SpriteSurface flash; // 255 where the image byte is not 0, else 0
};

// Draws a sprite's pictures from its description. nullptr when the size is outside the
// factory's limits (1..16384 on each side) or the memory could not be had.
std::unique_ptr<SpriteImages> DrawSpriteImages(const Sprite& sprite);

// The pictures of every sprite a painter has drawn, each made the first time it is asked for
// and kept: sprites with equal descriptions share them.
class SpritePictures {
  public:
    // The pictures of the sprite, or nullptr for a null sprite or one that cannot be drawn
    // (asking again does not try again).
    const SpriteImages* Get(const Sprite* sprite);
    std::size_t Count() const { return made_.size(); }

  private:
    struct Hash {
        std::size_t operator()(const Sprite& s) const;
    };
    std::unordered_map<Sprite, std::unique_ptr<SpriteImages>, Hash> made_;
    // The sprites asked for lately, by where their description lies: a frame draws the same few
    // constant sprites again and again, and finds them here without hashing. An entry counts
    // only while the description there is still the one it was made for.
    struct Recent {
        const Sprite* at = nullptr;
        Sprite description;
        const SpriteImages* images = nullptr;
    };
    static constexpr std::size_t RECENT = 64;
    std::array<Recent, RECENT> recent_{};
};

} // namespace velkar
