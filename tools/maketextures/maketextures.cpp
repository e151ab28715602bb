// Draws the two texture strips of the texture bar: one 16 x 16 tile per
// pattern, white for "paint the stroke colour", black for "leave" (or the
// other colour in two-colour mode). The first tile is solid.
//
// Patterns other than the dithers are defined in screen pixels. The hires
// strip samples them one screen pixel per canvas pixel; the multicolor strip
// samples the left screen pixel of each double-wide canvas pixel, so lines
// keep their angles and spacing on screen instead of stretching to twice
// the width.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QList>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace
{

// A pattern in screen pixels; `wide` is set for the multicolor strip, where
// a feature must be at least two screen pixels wide to show.
using ScreenPattern = std::function<bool(int X, int Y, bool wide)>;

int mod(int a, int m)
{
    return ((a % m) + m) % m;
}

// Threshold of a 4 x 4 ordered dither: level k of 16 sets exactly k pixels of
// every 4 x 4 block.
int bayer4(int x, int y)
{
    static const int m[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return m[mod(y, 4)][mod(x, 4)];
}

// Multicolor pixels are twice as wide as tall, so a plain ordered dither
// lines up into vertical streaks; shifting every other block row by two
// pixels keeps the density exact and spreads the dots on screen.
int bayer4Wide(int x, int y)
{
    const int shift = (mod(y / 4, 2)) * 2;
    return bayer4(x + shift, y);
}

struct Pattern {
    const char *name;
    ScreenPattern screen;
};

QList<Pattern> screenPatterns()
{
    return {
        {"horizontal lines", [](int, int Y, bool) { return mod(Y, 2) == 0; }},
        {"sparse horizontal lines", [](int, int Y, bool) { return mod(Y, 4) == 0; }},
        {"vertical lines", [](int X, int, bool) { return mod(X, 4) == 0; }},
        {"sparse vertical lines", [](int X, int, bool) { return mod(X, 8) == 0; }},
        {"rising diagonals", [](int X, int Y, bool) { return mod(X + Y, 8) < 2; }},
        {"falling diagonals", [](int X, int Y, bool) { return mod(X - Y, 8) < 2; }},
        {"crosshatch", [](int X, int Y, bool) { return mod(X, 8) == 0 || mod(Y, 4) == 0; }},
        {"diagonal crosshatch",
         [](int X, int Y, bool) { return mod(X + Y, 8) == 0 || mod(X - Y, 8) == 0; }},
        {"small checks", [](int X, int Y, bool) { return mod(X / 2 + Y / 2, 2) == 0; }},
        {"large checks", [](int X, int Y, bool) { return mod(X / 4 + Y / 4, 2) == 0; }},
        {"bricks",
         [](int X, int Y, bool wide) {
             if (mod(Y, 4) == 3)
                 return false; // mortar course
             const int joint = mod(Y / 4, 2) == 0 ? 0 : 4;
             return mod(X - joint, 8) < (wide ? 6 : 7);
         }},
        // Staggered dots (a square grid of dots would be the 1/16 dither).
        {"dots",
         [](int X, int Y, bool) {
             return (mod(Y, 8) == 0 && mod(X, 16) == 0) || (mod(Y, 8) == 4 && mod(X, 16) == 8);
         }},
        {"grid", [](int X, int Y, bool) { return mod(X, 8) == 0 || mod(Y, 8) == 0; }},
        {"zigzag",
         [](int X, int Y, bool) {
             const int tri = std::abs(mod(X, 8) - 4); // 0..4 and back
             return mod(Y - tri, 8) == 0;
         }},
        {"diamonds",
         [](int X, int Y, bool wide) {
             const int d = std::abs(mod(X, 8) - 4) + std::abs(mod(Y, 8) - 4);
             return d == 3 || (wide && d == 2);
         }},
        {"wide vertical stripes", [](int X, int, bool) { return mod(X, 8) < 4; }},
        {"wide horizontal stripes", [](int, int Y, bool) { return mod(Y, 8) < 4; }},
        {"weave",
         [](int X, int Y, bool) {
             const bool across = mod(X / 4 + Y / 4, 2) == 0;
             return across ? mod(Y, 4) != 3 : mod(X, 4) != 3;
         }},
    };
}

QImage drawStrip(bool multicolor)
{
    const QList<Pattern> patterns = screenPatterns();
    const int tiles = 1 + 15 + int(patterns.size());
    QImage strip(tiles * 16, 16, QImage::Format_RGB32);
    strip.fill(Qt::black);
    auto put = [&](int tile, int x, int y, bool on) {
        strip.setPixel(tile * 16 + x, y, on ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    };
    int tile = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            put(tile, x, y, true);
    ++tile;
    for (int level = 1; level <= 15; ++level, ++tile) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                put(tile, x, y, (multicolor ? bayer4Wide(x, y) : bayer4(x, y)) < level);
    }
    for (const Pattern &pattern : patterns) {
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                // A multicolor pixel shows at screen pixels 2x and 2x + 1.
                const bool on =
                    multicolor ? pattern.screen(2 * x, y, true) : pattern.screen(x, y, false);
                put(tile, x, y, on);
            }
        }
        ++tile;
    }
    return strip;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: maketextures OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (bool multicolor : {false, true}) {
        const QString path = out.filePath(multicolor ? "multi.png" : "hires.png");
        if (!drawStrip(multicolor).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
