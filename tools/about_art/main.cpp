// Draws the About dialog's pixel-art pictures from character maps, each
// character one C64 palette colour, every art pixel 4 x 4 image pixels.
#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QTextStream>

namespace
{

// The colours the maps use ('.' stays transparent).
const QHash<char, QRgb> Colors = {
    {'k', qRgb(0, 0, 0)},       {'w', qRgb(255, 255, 255)}, {'r', qRgb(136, 57, 50)},
    {'R', qRgb(184, 105, 98)},  {'c', qRgb(103, 182, 189)}, {'p', qRgb(139, 63, 150)},
    {'g', qRgb(85, 160, 73)},   {'b', qRgb(64, 49, 141)},   {'y', qRgb(191, 206, 114)},
    {'o', qRgb(139, 84, 41)},   {'n', qRgb(87, 66, 0)},     {'s', qRgb(184, 105, 98)},
    {'G', qRgb(80, 80, 80)},    {'l', qRgb(159, 159, 159)}, {'L', qRgb(148, 224, 137)},
    {'B', qRgb(120, 105, 196)},
};

QImage draw(const QStringList &rows, int scale)
{
    const int width = int(rows.first().size());
    QImage image(width * scale, int(rows.size()) * scale, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < rows.size(); ++y)
        for (int x = 0; x < width; ++x) {
            const char c = rows[y].at(x).toLatin1();
            if (!Colors.contains(c))
                continue;
            for (int dy = 0; dy < scale; ++dy)
                for (int dx = 0; dx < scale; ++dx)
                    image.setPixel(x * scale + dx, y * scale + dy, Colors.value(c));
        }
    return image;
}

// A hat tipped to the right, worn over the logo's top corner.
const QStringList Hat = {
    "..........kkk...",
    "........kkwwwk..",
    "......kkrrkwwwk.",
    ".....krrrrk.kkk.",
    "....krrRrrk.....",
    "...krrRrrrk.....",
    "..krrrrrrrrk....",
    ".krrrrrRrrrrk...",
    ".krrrrrrrrrrk...",
    "kwwwwwwwwwwwwk..",
    "kwwlwwwwwlwwwk..",
    ".kkkkkkkkkkkk...",
};

// The designer: a pixel artist with a beret.
const QStringList Designer = {
    "....kkkkkk..",
    "...kppppppk.",
    "..kppppppppk",
    "..kkkkkkkkk.",
    "..ksssssssk.",
    "..kskssksk..",
    "..ksssssssk.",
    "..ksskkkssk.",
    "...ksssssk..",
    "..kcccccccck",
    ".kcccccccccc",
    ".kcccccccccc",
};

// The programmer: headphones and a green screen glow.
const QStringList Coder = {
    "...kkkkkk...",
    "..knnnnnnk..",
    ".knnnnnnnnk.",
    "kGksssssskGk",
    "kGksksskskGk",
    "kGksssssskGk",
    ".kksskkssk..",
    "...ksssssk..",
    "....kkkkk...",
    "..kLLLLLLLk.",
    ".kLLLLLLLLLk",
    ".kLLLLLLLLLk",
};

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        err << "usage: about_art <output folder>\n";
        return 2;
    }
    const QDir out(args.at(1));
    const std::pair<const char *, QImage> pictures[] = {
        {"santa-hat.png", draw(Hat, 4)},
        {"avatar-design.png", draw(Designer, 4)},
        {"avatar-code.png", draw(Coder, 4)},
    };
    for (const auto &[name, image] : pictures) {
        const QString path = out.filePath(QLatin1String(name));
        if (!image.save(path)) {
            err << "cannot write " << path << "\n";
            return 1;
        }
        QTextStream(stdout) << path << "\n";
    }
    return 0;
}
