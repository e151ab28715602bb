#include "nativeformats.h"

#include <algorithm>

namespace
{

struct Layout {
    const char *name;
    CanvasMode mode;
    int load;
    int size;
    int bitmap, screen, color, background, border; // file offsets, -1 when absent
};

constexpr CanvasMode H = CanvasMode::Hires;
constexpr CanvasMode M = CanvasMode::Multicolor;
constexpr Layout Formats[NativeFormats::FormatCount] = {
    {QT_TRANSLATE_NOOP("NativeFormats", "Art Studio"), H, 0x2000, 9009, 2, 8002, -1, -1, -1},
    {QT_TRANSLATE_NOOP("NativeFormats", "Interpaint"), H, 0x4000, 9002, 2, 8002, -1, -1, -1},
    {QT_TRANSLATE_NOOP("NativeFormats", "Image System"), H, 0x4000, 9194, 2, 8194, -1, -1, -1},
    {QT_TRANSLATE_NOOP("NativeFormats", "Doodle"), H, 0x5C00, 9218, 1026, 2, -1, -1, -1},
    {QT_TRANSLATE_NOOP("NativeFormats", "Vidcom 64"), M, 0x5800, 10050, 2050, 1026, 2, 2026, -1},
    {QT_TRANSLATE_NOOP("NativeFormats", "Koala Painter"), M, 0x6000, 10003, 2, 8002, 9002, 10002,
     -1},
    {QT_TRANSLATE_NOOP("NativeFormats", "Artist 64"), M, 0x4000, 10242, 2, 8194, 9218, 10241, -1},
    {QT_TRANSLATE_NOOP("NativeFormats", "Advanced Art Studio"), M, 0x2000, 10018, 2, 8002, 9018,
     9003, 9002},
    {QT_TRANSLATE_NOOP("NativeFormats", "Blazing Paddles"), M, 0xA000, 10242, 2, 8194, 9218, 8066,
     -1},
};
constexpr int ArtStudio = 1, Interpaint = 2, ImageSystem = 3, Doodle = 4, Vidcom = 5, Koala = 6,
              Artist64 = 7, AdvancedArtStudio = 8, BlazingPaddles = 9;

int recognize(int load, qsizetype size)
{
    switch (load) {
    case 0x2000:
        return size == 9009    ? ArtStudio
               : size == 10003 ? Koala
               : size == 10018 ? AdvancedArtStudio
                               : 0;
    case 0x4000:
        return size == 9002    ? Interpaint
               : size == 9194  ? ImageSystem
               : size == 10003 ? Koala
               : size == 10242 ? Artist64
                               : 0;
    case 0x6000:
        return size == 10003 ? Koala : 0;
    case 0x5C00:
        return size == 9218 || size == 9217 ? Doodle : 0;
    case 0x5800:
        return size == 10050 ? Vidcom : 0;
    case 0xA000:
        return size == 10242 ? BlazingPaddles : 0;
    }
    return 0;
}

QString address(int value)
{
    return QStringLiteral("$%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

// The colours of a cell by count, most frequent first, ties to the lower index.
std::array<int, 16> byCount(const std::array<int, 16> &counts)
{
    std::array<int, 16> order;
    for (int i = 0; i < 16; ++i)
        order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return counts[size_t(a)] > counts[size_t(b)]; });
    return order;
}

} // namespace

bool NativeFormats::recognizeAndDecode(const QByteArray &bytes, int forcedFormat,
                                       NativeImage &image, QString &error)
{
    if (bytes.size() < 2) {
        error = tr("Unknown image format.");
        return false;
    }
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const int load = data[0] | (data[1] << 8);
    int format = forcedFormat;
    if (format == 0) {
        format = recognize(load, bytes.size());
        if (format == 0) {
            error = tr("Unknown picture format.");
            return false;
        }
    } else if (format < 1 || format > FormatCount) {
        error = tr("Unknown picture format.");
        return false;
    }
    const Layout &layout = Formats[format - 1];
    const bool loadFits =
        load == layout.load || (format == Koala && (load == 0x2000 || load == 0x4000));
    if (!loadFits) {
        error = tr("Wrong load address\nExpected: %1\nActual: %2.")
                    .arg(address(layout.load), address(load));
        return false;
    }
    const bool sizeFits =
        bytes.size() == layout.size || (format == Doodle && bytes.size() == layout.size - 1);
    if (!sizeFits) {
        error = tr("Wrong file size\nExpected: %1\nActual: %2.").arg(layout.size).arg(bytes.size());
        return false;
    }
    NativeImage decoded;
    decoded.format = format;
    decoded.bitmap = bytes.mid(layout.bitmap, 8000);
    decoded.screenRam = bytes.mid(layout.screen, 1000);
    if (layout.color >= 0)
        decoded.colorRam = bytes.mid(layout.color, 1000);
    if (layout.background >= 0)
        decoded.background = quint8(data[layout.background] & 15);
    if (layout.border >= 0) {
        decoded.border = quint8(data[layout.border] & 15);
        decoded.hasBorder = true;
    }
    image = decoded;
    return true;
}

QString NativeFormats::formatName(int format)
{
    return format >= 1 && format <= FormatCount ? tr(Formats[format - 1].name) : QString();
}

CanvasMode NativeFormats::formatMode(int format)
{
    return format >= 1 && format <= FormatCount ? Formats[format - 1].mode : CanvasMode::Hires;
}

Colormap NativeFormats::decodeToColormap(const NativeImage &image)
{
    const bool multi = formatMode(image.format) == CanvasMode::Multicolor;
    Colormap colormap(multi ? 160 : 320, 200);
    const auto byte = [](const QByteArray &block, int index) { return quint8(block.at(index)); };
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < colormap.width(); ++x) {
            const int cell = (y / 8) * 40 + (multi ? x / 4 : x / 8);
            const quint8 bits = byte(image.bitmap, cell * 8 + y % 8);
            const quint8 screen = byte(image.screenRam, cell);
            quint8 color;
            if (multi) {
                switch ((bits >> (6 - 2 * (x % 4))) & 3) {
                case 0:
                    color = image.background;
                    break;
                case 1:
                    color = screen >> 4;
                    break;
                case 2:
                    color = screen & 15;
                    break;
                default:
                    color = byte(image.colorRam, cell) & 15;
                    break;
                }
            } else {
                color = (bits >> (7 - x % 8)) & 1 ? screen >> 4 : screen & 15;
            }
            colormap.setPixel(x, y, color);
        }
    }
    return colormap;
}

QImage NativeFormats::previewImage(const NativeImage &image, PaletteVariant palette)
{
    const QImage picture = decodeToColormap(image).toImage(palette);
    if (picture.width() == 320)
        return picture;
    return picture.scaled(320, 200, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QByteArray NativeFormats::encodeScreen(const Colormap &colormap, CanvasMode mode, const QRect &rect,
                                       const std::array<quint8, ColorSlotCount> &slotValues)
{
    const bool multi = mode == CanvasMode::Multicolor;
    const int cellWidth = multi ? 4 : 8;
    const quint8 background = slotValues[size_t(ColorSlot::Background)] & 15;
    const quint8 border = slotValues[size_t(ColorSlot::Border)] & 15;
    QByteArray out(10000, '\0');
    auto *bitmap = reinterpret_cast<quint8 *>(out.data());
    quint8 *screen = bitmap + 8000;
    quint8 *colorRam = bitmap + 9000;
    for (int cell = 0; cell < 1000; ++cell) {
        const QRect unit(rect.left() + (cell % 40) * cellWidth, rect.top() + (cell / 40) * 8,
                         cellWidth, 8);
        if (unit.right() > rect.right()) {
            screen[cell] = quint8(border * 17);
            continue;
        }
        std::array<int, 16> counts = {};
        for (int y = unit.top(); y <= unit.bottom(); ++y)
            for (int x = unit.left(); x <= unit.right(); ++x)
                ++counts[colormap.pixel(x, y) & 15];
        if (multi)
            counts[background] = 0;
        const std::array<int, 16> order = byCount(counts);
        const auto pick = [&](int rank) {
            return counts[size_t(order[size_t(rank)])] > 0 ? order[size_t(rank)] : -1;
        };
        const int p1 = pick(0), p2 = pick(1), p3 = pick(2);
        if (multi) {
            screen[cell] = quint8(qMax(p1, 0) * 16 + qMax(p2, 0));
            colorRam[cell] = quint8(qMax(p3, 0));
        } else {
            const int a = p1, b = p2 >= 0 ? p2 : p1;
            screen[cell] = quint8(b * 16 + a);
        }
        for (int y = 0; y < 8; ++y) {
            quint8 bits = 0;
            for (int i = 0; i < cellWidth; ++i) {
                const int color = colormap.pixel(unit.left() + i, unit.top() + y) & 15;
                if (multi) {
                    const int pair = color == background ? 0
                                     : color == p1       ? 1
                                     : color == p2       ? 2
                                                         : 3;
                    bits = quint8(bits | pair << (6 - 2 * i));
                } else if (color != p1) {
                    bits = quint8(bits | 1 << (7 - i));
                }
            }
            bitmap[cell * 8 + y] = bits;
        }
    }
    return out;
}

QByteArray NativeFormats::writeNative(const Colormap &colormap, CanvasMode mode, int screen,
                                      const std::array<quint8, ColorSlotCount> &slotValues)
{
    const bool multi = mode == CanvasMode::Multicolor;
    const int width = multi ? 160 : 320;
    if (screen < 0 || colormap.height() != 200 || colormap.width() < (screen + 1) * width)
        return {};
    const QByteArray encoded =
        encodeScreen(colormap, mode, QRect(screen * width, 0, width, 200), slotValues);
    QByteArray file(multi ? 10003 : 9009, '\0');
    file[0] = 0x00;
    file[1] = char(multi ? 0x60 : 0x20);
    file.replace(2, 9000, encoded.left(9000));
    if (multi) {
        file.replace(9002, 1000, encoded.mid(9000, 1000));
        file[10002] = char(slotValues[size_t(ColorSlot::Background)] & 15);
    } else {
        file[9002] = char(slotValues[size_t(ColorSlot::Border)] & 15);
    }
    return file;
}
