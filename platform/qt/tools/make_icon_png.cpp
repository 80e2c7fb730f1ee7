// Build-time tool: draws the player ship with the game's sprite factory and writes the icons:
// PNG pictures at the ship's own size, twice and four times it (each pixel a square block), and
// a scalable SVG picture of the same pixels, one rectangle per run of equal pixels in a row.
#include <QFile>
#include <QImage>
#include <QString>
#include <cstdio>

#include "player/player.h"
#include "ship_icon.h"

namespace {

QByteArray SvgOf(const QImage& icon, int displaySide) {
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                          "viewBox=\"0 0 %2 %3\" shape-rendering=\"crispEdges\">\n")
               .arg(displaySide)
               .arg(icon.width())
               .arg(icon.height())
               .toUtf8();
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width();) {
            const QRgb pixel = icon.pixel(x, y);
            int end = x + 1;
            while (end < icon.width() && icon.pixel(end, y) == pixel)
                ++end;
            if (qAlpha(pixel) != 0)
                svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"1\" "
                                      "fill=\"#%4\"/>\n")
                           .arg(x)
                           .arg(y)
                           .arg(end - x)
                           .arg(pixel & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                           .toUtf8();
            x = end;
        }
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: velkar-icon-png SMALL.png LARGE.png HUGE.png SCALABLE.svg\n");
        return 2;
    }
    const QImage icon = velkar::ShipIconImage(velkar::ShipSprite.width);
    if (icon.isNull()) {
        std::fprintf(stderr, "velkar-icon-png: the ship sprite could not be made\n");
        return 1;
    }
    bool written = icon.save(QString::fromLocal8Bit(argv[1]), "PNG");
    for (int scale : {2, 4}) {
        const QImage larger = icon.scaled(icon.width() * scale, icon.height() * scale,
                                          Qt::IgnoreAspectRatio, Qt::FastTransformation);
        written = written && larger.save(QString::fromLocal8Bit(argv[scale == 2 ? 2 : 3]), "PNG");
    }
    QFile svg(QString::fromLocal8Bit(argv[4]));
    const QByteArray text = SvgOf(icon, icon.width() * 4);
    written = written && svg.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              svg.write(text) == text.size();
    if (!written) {
        std::fprintf(stderr, "velkar-icon-png: cannot write the icons\n");
        return 1;
    }
    return 0;
}
