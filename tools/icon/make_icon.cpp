// Build-time tool (runs on the build machine): draws the player ship with the game's own sprite
// factory and writes it as the Windows program's .ico, or as the browser build's app icons
// (square PNG files, the ship enlarged by whole pixels on black).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gfx/sprite.h"
#include "player/player.h"
#include "png_writer.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One icon image: 32-bit colour with alpha, bottom row first, then the 1-bit AND mask.
// Pixel (x, y) of the icon is the OR of the size x size block of the sprite it stands for.
std::vector<uint8_t> IconImage(const velkar::Sprite& ship, const uint8_t* pixels, int32_t side) {
    const int32_t block = ship.width / side;
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(side));
    Put32(out, static_cast<uint32_t>(side * 2));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    const int32_t maskStride = ((side + 31) / 32) * 4;
    Put32(out, static_cast<uint32_t>(side * side * 4 + maskStride * side));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    std::vector<uint8_t> opaque(static_cast<size_t>(side * side), 0);
    for (int32_t y = side - 1; y >= 0; --y) {
        for (int32_t x = 0; x < side; ++x) {
            uint8_t blue = 0, green = 0, red = 0;
            for (int32_t dy = 0; dy < block; ++dy) {
                for (int32_t dx = 0; dx < block; ++dx) {
                    const uint8_t* p =
                        pixels + ((y * block + dy) * ship.width + x * block + dx) * 3;
                    blue |= p[0];
                    green |= p[1];
                    red |= p[2];
                }
            }
            const bool solid = (blue | green | red) != 0;
            opaque[static_cast<size_t>(y * side + x)] = solid ? 1 : 0;
            out.push_back(blue);
            out.push_back(green);
            out.push_back(red);
            out.push_back(solid ? 255 : 0);
        }
    }
    for (int32_t y = side - 1; y >= 0; --y) {
        std::vector<uint8_t> row(static_cast<size_t>(maskStride), 0);
        for (int32_t x = 0; x < side; ++x)
            if (!opaque[static_cast<size_t>(y * side + x)])
                row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A side x side picture, black, with the ship in its middle at side / 48 pixels per sprite
// pixel: two thirds of the side, which leaves the margin that launchers cut round icons from.
int WritePngIcon(const velkar::Sprite& ship, const uint8_t* pixels, int32_t side,
                 const char* path) {
    const int32_t scale = side / 48;
    const int32_t margin = (side - ship.width * scale) / 2;
    std::vector<uint8_t> bgr(static_cast<size_t>(side * side * 3), 0);
    for (int32_t y = 0; y < ship.height * scale; ++y) {
        for (int32_t x = 0; x < ship.width * scale; ++x) {
            const uint8_t* p = pixels + ((y / scale) * ship.width + x / scale) * 3;
            std::memcpy(&bgr[static_cast<size_t>(((margin + y) * side + margin + x) * 3)], p, 3);
        }
    }
    std::string error;
    if (!velkar::sim::WritePng(path, bgr.data(), side, side, error)) {
        std::fprintf(stderr, "velkar-icon: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool png = argc == 4 && std::strcmp(argv[1], "--png") == 0;
    const int32_t side = png ? std::atoi(argv[2]) : 0;
    if (!(argc == 2 || (png && side >= 48 && side <= 1024))) {
        std::fprintf(stderr, "usage: velkar-icon OUTPUT.ico\n"
                             "       velkar-icon --png SIDE OUTPUT.png   (SIDE 48 to 1024)\n");
        return 2;
    }
    const velkar::Sprite& ship = velkar::ShipSprite;
    const std::unique_ptr<velkar::SpriteImages> drawn = velkar::DrawSpriteImages(ship);
    if (drawn == nullptr || ship.width != 32 || ship.height != 32) {
        std::fprintf(stderr, "velkar-icon: the ship sprite could not be made\n");
        return 1;
    }
    const uint8_t* pixels = drawn->image.bits.get();
    if (png) return WritePngIcon(ship, pixels, side, argv[3]);
    const int32_t sides[2] = {32, 16};
    std::vector<uint8_t> images[2];
    for (int32_t i = 0; i < 2; ++i)
        images[i] = IconImage(ship, pixels, sides[i]);

    std::vector<uint8_t> file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 2);
    uint32_t offset = 6 + 16 * 2;
    for (int32_t i = 0; i < 2; ++i) {
        file.push_back(static_cast<uint8_t>(sides[i]));
        file.push_back(static_cast<uint8_t>(sides[i]));
        file.push_back(0);
        file.push_back(0);
        Put16(file, 1);
        Put16(file, 32);
        Put32(file, static_cast<uint32_t>(images[i].size()));
        Put32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images)
        file.insert(file.end(), image.begin(), image.end());

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "velkar-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
