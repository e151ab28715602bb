// Renders the application icon's SVG source into korven-<size>.png files.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        err << "usage: render_icons <icon.svg> <output folder>\n";
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        err << "cannot read " << args.at(1) << "\n";
        return 1;
    }
    const QDir out(args.at(2));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        // The icon is pixel art on a 16-pixel grid. Sizes that are no whole
        // multiple of it are sampled from a large rendering without smoothing,
        // so every pixel stays crisp instead of blurring across two.
        const int renderSize = size % 16 == 0 ? size : 256;
        QImage image(renderSize, renderSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, renderSize, renderSize));
        painter.end();
        if (renderSize != size)
            image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QString path = out.filePath(QStringLiteral("korven-%1.png").arg(size));
        if (!image.save(path)) {
            err << "cannot write " << path << "\n";
            return 1;
        }
        QTextStream(stdout) << path << "\n";
    }
    return 0;
}
