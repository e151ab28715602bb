#include "convertimageflow.h"

#include "editorsession.h"
#include "imagescaling.h"
#include "lastfolders.h"

#include "canvas/canvasarea.h"
#include "conversion/imageconverter.h"
#include "convertdialog/convertimagedialog.h"
#include "document/project.h"
#include "paint/paintsettings.h"
#include "rules/wholecanvasedits.h"
#include "widgets/colorassignmentwidget.h"
#include "widgets/palettewidget.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>

namespace
{

// The status bar message always clears after this time.
constexpr int StatusMessageMs = 5000;

} // namespace

void ConvertImageFlow::cancelled() const
{
    m_session.showStatusMessage(tr("Image conversion cancelled."), StatusMessageMs);
}

QString ConvertImageFlow::choosePath() const
{
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    const QString filter = tr("Images (%1);;All Files (*)").arg(patterns.join(QLatin1Char(' ')));
    // The system chooser or Qt's own, as the window's chooser setting says.
    return QFileDialog::getOpenFileName(
        m_session.dialogParent(), tr("Convert Image"),
        LastFolders::lastDir(QLatin1String(LastFolders::ConvertImageKey)), filter);
}

QImage ConvertImageFlow::loadScaled(const QString &path) const
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        QMessageBox::warning(
            m_session.dialogParent(), tr("KORVEN"),
            tr("Could not load %1: %2").arg(QDir::toNativeSeparators(path), reader.errorString()));
        return {};
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ConvertImageKey), path);
    const Project &project = m_session.project();
    const QSize target = conversionSourceSize(project.mode(), project.size());
    bool keepAspect = false;
    // A picture of the canvas's shape fills it either way, so only another
    // shape is asked about.
    if (image.size().scaled(target, Qt::KeepAspectRatio) != target) {
        const ImageScaling::Answer answer =
            ImageScaling::askScaling(m_session.dialogParent(), QFileInfo(path).fileName(),
                                     image.size(), target, tr("black"));
        if (!answer.accepted) {
            cancelled();
            return {};
        }
        keepAspect = answer.keepAspect;
    }
    return ImageScaling::scaleToCanvas(image, target, keepAspect, Qt::black,
                                       ImageScaling::smoothScalingEnabled());
}

void ConvertImageFlow::addColorWidgets(ConvertImageDialog &dialog) const
{
    // Both show and edit the dialog's working copy, never the document.
    auto *palette = new PaletteWidget(dialog.workingCopy(), &dialog);
    palette->setPrimaryIndex(m_session.paintSettings()->penIndex());
    palette->setSecondaryIndex(m_session.paintSettings()->secondaryIndex());
    auto *slotBar = new ColorAssignmentWidget(dialog.workingCopy(), &dialog);
    QObject::connect(slotBar, &ColorAssignmentWidget::slotClicked, &dialog,
                     [&dialog, palette](ColorSlot slot, Qt::MouseButton button) {
                         dialog.assignSlot(slot, button == Qt::RightButton
                                                     ? palette->secondaryIndex()
                                                     : palette->primaryIndex());
                     });
    dialog.setColorWidgets(palette, slotBar);
}

void ConvertImageFlow::run()
{
    EditorSession &w = m_session;
    if (w.isFileTaskBusy() || !w.wholeCanvasEditAllowed())
        return;
    // A floating selection lands first, as before any whole-canvas edit.
    w.settleStagedWork();
    const QString path = choosePath();
    if (path.isEmpty()) {
        cancelled();
        return;
    }
    const QImage source = loadScaled(path);
    if (source.isNull())
        return;
    ConvertImageDialog dialog(w.project(), source, w.dialogParent());
    addColorWidgets(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        cancelled();
        return;
    }
    w.canvas()->setPaletteVariant(dialog.paletteVariant());
    w.runWholeCanvasEdit([&] {
        return applyConversion(w.project(), dialog.resultColormap(), dialog.slotBytes(),
                               dialog.alignments());
    });
    w.proposeName(QFileInfo(path).completeBaseName());
    // The palette may have changed without an edit: the menus follow it too.
    w.documentChanged();
    w.canvas()->update();
    w.showStatusMessage(tr("Converted %1.").arg(QFileInfo(path).fileName()), StatusMessageMs);
}
