#include "referenceimportflow.h"

#include "editorsession.h"
#include "imagescaling.h"
#include "lastfolders.h"
#include "mainactions.h"

#include "canvas/canvasarea.h"
#include "conversion/imageconverter.h"
#include "document/project.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

void ReferenceImportFlow::run()
{
    EditorSession &w = m_session;
    const auto cancelled = [&] {
        w.showStatusMessage(tr("Reference image import cancelled."), StatusMessageMs);
    };
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    const QString path = QFileDialog::getOpenFileName(
        w.dialogParent(), tr("Import Reference Image"),
        LastFolders::lastDir(QLatin1String(LastFolders::ReferenceImageKey)),
        tr("Images (%1);;All Files (*)").arg(patterns.join(QLatin1Char(' '))));
    if (path.isEmpty()) {
        cancelled();
        return;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        QMessageBox::warning(
            w.dialogParent(), tr("KORVEN"),
            tr("Could not load %1: %2").arg(QDir::toNativeSeparators(path), reader.errorString()));
        return;
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ReferenceImageKey), path);
    const QSize target = conversionSourceSize(w.project().mode(), w.project().size());
    QImage reference = image;
    if (image.size() != target) {
        const ImageScaling::Answer answer = ImageScaling::askScaling(
            w.dialogParent(), QFileInfo(path).fileName(), image.size(), target, tr("empty"));
        if (!answer.accepted) {
            cancelled();
            return;
        }
        reference = ImageScaling::scaleToCanvas(image, target, answer.keepAspect, Qt::transparent,
                                                ImageScaling::smoothScalingEnabled());
    }
    w.canvas()->setReferenceImage(reference);
    // The reference layer's entries follow whether there is a picture.
    w.documentChanged();
    QAction *show = w.menuActions()->action(QStringLiteral("showReferenceLayer"));
    if (!show->isChecked())
        show->trigger();
}
