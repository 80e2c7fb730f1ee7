// Build-time tool: draws the player ship with the game's sprite factory and writes PNG icons,
// the ship's own size and twice it (each pixel a 2 x 2 block).
#include <QImage>
#include <cstdio>

#include "player/player.h"
#include "ship_icon.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velkar-icon-png SMALL.png LARGE.png\n");
        return 2;
    }
    if (velkar::MakePlayerSprites() != 0) {
        std::fprintf(stderr, "velkar-icon-png: the ship sprite could not be made\n");
        return 1;
    }
    const QImage icon =
        velkar::ShipIconImage(velkar::ShipSprite != nullptr ? velkar::ShipSprite->width : 0);
    if (icon.isNull()) {
        std::fprintf(stderr, "velkar-icon-png: the ship sprite could not be made\n");
        return 1;
    }
    const QImage large = icon.scaled(icon.width() * 2, icon.height() * 2, Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation);
    if (!icon.save(QString::fromLocal8Bit(argv[1]), "PNG") ||
        !large.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "velkar-icon-png: cannot write the icons\n");
        return 1;
    }
    return 0;
}
