#include "imageimportflow.h"

#include "editorsession.h"
#include "imageimportoptionswidget.h"
#include "importimagedialog.h"
#include "importoptionsdialog.h"
#include "lastfolders.h"

#include "document/project.h"
#include "exchange/nativeformats.h"
#include "exchange/nativeimport.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

void ImageImportFlow::run()
{
    EditorSession &w = m_session;
    if (w.isFileTaskBusy() || !w.wholeCanvasEditAllowed())
        return;
    const auto cancelled = [&w] {
        w.showStatusMessage(tr("Image import cancelled."), StatusMessageMs);
    };
    const QString start = LastFolders::lastDir(QLatin1String(LastFolders::ImportImageKey));
    const bool systemChooser = !QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    QString path;
    int screen = 0;
    if (systemChooser) {
        path = QFileDialog::getOpenFileName(w.dialogParent(), tr("Import Image"), start,
                                            tr("All Files (*)"));
    } else {
        ImportImageDialog dialog(w.dialogParent(), start, w.project().paletteVariant(),
                                 w.project().mode(), w.project().screensAcross());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().constFirst();
            screen = dialog.targetScreen();
        }
    }
    if (path.isEmpty()) {
        cancelled();
        return;
    }
    // The file is checked before anything more is asked about it.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(
            w.dialogParent(), tr("KORVEN"),
            tr("Could not load %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    const CanvasMode mode = w.project().mode();
    NativeImage image;
    if (const QString problem = NativeImport::problemWith(bytes, 0, mode, image);
        !problem.isEmpty()) {
        const CanvasMode other =
            mode == CanvasMode::Hires ? CanvasMode::Multicolor : CanvasMode::Hires;
        if (!NativeImport::problemWith(bytes, 0, other, image).isEmpty()) {
            QMessageBox::warning(w.dialogParent(), tr("KORVEN"), problem);
            return;
        }
        if (!offerCanvasOfMode(other, problem)) {
            cancelled();
            return;
        }
        screen = 0;
    } else if (systemChooser && w.project().screensAcross() > 1) {
        auto *options = new ImageImportOptionsWidget(w.project().screensAcross());
        ImportOptionsDialog dialog(tr("Import Image"), options, w.dialogParent());
        if (dialog.exec() != QDialog::Accepted) {
            cancelled();
            return;
        }
        screen = options->targetScreen();
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ImportImageKey), path);

    w.runWholeCanvasEdit([&] { return NativeImport::importInto(w.project(), image, screen); });
    w.proposeName(QFileInfo(path).completeBaseName());
    w.showStatusMessage(
        tr("Imported %1 (%2).")
            .arg(QFileInfo(path).fileName(), NativeFormats::formatName(image.format)),
        StatusMessageMs);
}

bool ImageImportFlow::offerCanvasOfMode(CanvasMode mode, const QString &problem)
{
    EditorSession &w = m_session;
    const bool hires = mode == CanvasMode::Hires;
    QMessageBox box(QMessageBox::Question, tr("KORVEN"), problem, QMessageBox::Cancel,
                    w.dialogParent());
    box.setInformativeText(hires ? tr("Import it into a new hires canvas instead?")
                                 : tr("Import it into a new multicolor canvas instead?"));
    QPushButton *accept = box.addButton(
        hires ? tr("New Hires Canvas") : tr("New Multicolor Canvas"), QMessageBox::AcceptRole);
    box.setDefaultButton(accept);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    // The new canvas replaces the document, so unsaved work is asked about first.
    if (box.clickedButton() != accept || !w.maybeSave())
        return false;
    w.resetDocument(mode, LayoutSpec{}, 1);
    return true;
}
