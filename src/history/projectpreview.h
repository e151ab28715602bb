#pragma once

#include "projectfile.h"

#include "document/palette.h"

#include <QCoreApplication>
#include <QImage>
#include <QSize>

// A project file shown without opening it: the saved picture through the
// palette in use and a line describing it. Only the file's first record is
// read, so the cost does not grow with the history.
class ProjectPreview
{
    Q_DECLARE_TR_FUNCTIONS(ProjectPreview)

public:
    // The largest picture the Open Recent bubble shows.
    static constexpr QSize BubbleBox{416, 284};

    // The colormap in the palette; multicolor pixels doubled in width, unsmoothed.
    static QImage previewPicture(const ProjectPreviewInfo &info, PaletteVariant palette);
    // The largest whole multiple of the picture that fits the box, or when
    // even one time does not fit, the picture shrunk to fit with its aspect kept.
    static QSize fitScale(const QSize &pictureSize, const QSize &box);
    // Scaled ignoring the aspect ratio (fitScale keeps it); smooth only when shrinking.
    static QImage scaledPicture(const QImage &image, const QSize &size);
    // "Multicolor, 320 x 200, 2 screens, 3 workstages".
    static QString previewMetadata(const ProjectPreviewInfo &info, const QSize &pictureSize);
    // The Open Recent bubble: the fitted picture as an inline PNG over the
    // metadata, or a paragraph with the metadata or the reader's message.
    static QString recentBubbleHtml(const QString &path, PaletteVariant palette);
};
