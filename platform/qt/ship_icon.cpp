// The ship sprite turned into an icon picture: black is transparent, reductions OR the pixels.
#include "ship_icon.h"

#include <memory>

#include "gfx/sprite.h"
#include "player/player.h"

namespace velkar {

QImage ShipIconImage(int side) {
    const Sprite* ship = &ShipSprite;
    const std::unique_ptr<SpriteImages> drawn = DrawSpriteImages(*ship);
    if (drawn == nullptr || side <= 0 || ship->width % side != 0 || ship->width != ship->height)
        return QImage();
    const int block = ship->width / side;
    QImage icon(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            uint8_t blue = 0, green = 0, red = 0;
            for (int dy = 0; dy < block; ++dy) {
                for (int dx = 0; dx < block; ++dx) {
                    const uint8_t* p = drawn->image.bits.get() +
                                       ((y * block + dy) * ship->width + x * block + dx) * 3;
                    blue |= p[0];
                    green |= p[1];
                    red |= p[2];
                }
            }
            const bool solid = (blue | green | red) != 0;
            icon.setPixel(x, y, qRgba(red, green, blue, solid ? 255 : 0));
        }
    }
    return icon;
}

} // namespace velkar
