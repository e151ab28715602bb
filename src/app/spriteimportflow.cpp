#include "spriteimportflow.h"

#include "editorsession.h"
#include "importoptionsdialog.h"
#include "importspritesdialog.h"
#include "lastfolders.h"
#include "spriteimportoptionswidget.h"

#include "canvas/canvasarea.h"
#include "document/project.h"
#include "exchange/spritefile.h"
#include "paint/paintsettings.h"
#include "rules/wholecanvasedits.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

void SpriteImportFlow::run()
{
    EditorSession &w = m_session;
    if (w.isFileTaskBusy() || !w.wholeCanvasEditAllowed() ||
        SpriteFile::spriteCapacity(w.project().layout()) == 0)
        return;
    w.settleStagedWork();
    const QString start = LastFolders::lastDir(QLatin1String(LastFolders::ImportSpritesKey));
    const quint8 pen = quint8(w.paintSettings()->penIndex());
    const bool positions = w.project().layout() == CanvasLayout::TopBottomBorderSprites;
    QString path;
    SpriteAttributes convention = SpriteAttributes::Color;
    bool accepted = false;
    if (!QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs)) {
        path = QFileDialog::getOpenFileName(w.dialogParent(), tr("Import Sprites"), start,
                                            tr("Sprite Files (*.prg *.pmap);;All Files (*)"));
        if (!path.isEmpty()) {
            auto *options = new SpriteImportOptionsWidget(positions);
            ImportOptionsDialog dialog(tr("Import Sprites"), options, w.dialogParent());
            accepted = dialog.exec() == QDialog::Accepted;
            convention = options->convention();
        }
    } else {
        ImportSpritesDialog dialog(w.dialogParent(), start, w.project(), pen);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().constFirst();
            convention = dialog.convention();
            accepted = true;
        }
    }
    if (path.isEmpty() || !accepted) {
        w.showStatusMessage(tr("Sprite import cancelled."), StatusMessageMs);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(
            w.dialogParent(), tr("KORVEN"),
            tr("Could not load %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    QList<QByteArray> sprites;
    QString problem;
    if (SpriteFile::readSpriteFile(file.readAll(), sprites, problem))
        problem = SpriteFile::capacityProblem(w.project(), sprites.size());
    if (!problem.isEmpty()) {
        QMessageBox::warning(w.dialogParent(), tr("KORVEN"), problem);
        return;
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ImportSpritesKey), path);
    const Colormap strips = SpriteFile::spritesToStrips(w.project(), sprites, convention, pen);
    w.runWholeCanvasEdit([&] { return importSprites(w.project(), strips); });
    w.showStatusMessage(
        tr("Imported %1 sprites from %2.").arg(sprites.size()).arg(QFileInfo(path).fileName()),
        StatusMessageMs);
}
