// Build-time tool: enlarges a PNG picture by a whole factor, each pixel a square block, as the
// game's window shows its canvas (for the software centres' screenshots).
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int factor = argc == 4 ? std::atoi(argv[1]) : 0;
    if (factor < 1 || factor > 16) {
        std::fprintf(stderr, "usage: velkar-png-scale FACTOR(1-16) IN.png OUT.png\n");
        return 2;
    }
    const QImage in(QString::fromLocal8Bit(argv[2]));
    if (in.isNull()) {
        std::fprintf(stderr, "velkar-png-scale: cannot read %s\n", argv[2]);
        return 1;
    }
    const QImage out = in.scaled(in.width() * factor, in.height() * factor, Qt::IgnoreAspectRatio,
                                 Qt::FastTransformation);
    if (!out.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "velkar-png-scale: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
