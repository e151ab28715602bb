#include "workstagesequence.h"

#include "pictureexport.h"

#include "document/project.h"
#include "history/workstagereplayer.h"

#include <QDir>
#include <QImageWriter>
#include <cmath>

QList<int> WorkstageSequence::selectFrames(int count, int total, Reduction method)
{
    QList<int> frames;
    if (count < 1 || total < 1)
        return frames;
    const double exponent = method == Reduction::Smart ? 2.5 : 1.0;
    for (int i = 0; i < count; ++i) {
        const double t = std::pow(double(i + 1) / count, exponent);
        frames.append(std::clamp(int(t * (total - 1)), 0, total - 1));
    }
    return frames;
}

QString WorkstageSequence::frameFileName(const QString &folder, const QString &base, int sequence)
{
    return QStringLiteral("%1/%2-%3.png").arg(folder, base).arg(sequence, 6, 10, QLatin1Char('0'));
}

WorkstageSequence::Result WorkstageSequence::write(const Project &project, const QList<int> &frames,
                                                   const QString &folder, const QString &base,
                                                   bool withBorders,
                                                   const std::function<bool(int)> &goOn)
{
    Result result;
    WorkstageReplayer replayer(project.colormap(), project.history(),
                               project.slot(ColorSlot::Background),
                               project.slot(ColorSlot::Border));
    const bool multicolorSide = project.mode() == CanvasMode::Multicolor &&
                                project.layout() == CanvasLayout::SideBorderSprites;
    for (const int stage : frames) {
        if (goOn && !goOn(result.written))
            break;
        const Colormap &pixels = replayer.advanceTo(stage);
        const quint8 frameColor = multicolorSide ? replayer.background() : replayer.border();
        const QString path = frameFileName(folder, base, result.written);
        QImageWriter writer(path, "png");
        if (!writer.write(PictureExport::exportImage(project, pixels, withBorders, frameColor))) {
            result.error = tr("Could not save %1.").arg(QDir::toNativeSeparators(path));
            break;
        }
        ++result.written;
    }
    return result;
}
