#include "imageimportflow.h"

#include "imageimportoptionswidget.h"
#include "importimagedialog.h"
#include "importoptionsdialog.h"
#include "lastfolders.h"
#include "mainwindow.h"

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
    MainWindow &w = m_window;
    if (w.m_fileTaskBusy || !w.wholeCanvasEditAllowed())
        return;
    const auto cancelled = [&w] {
        w.showStatusMessage(MainWindow::tr("Image import cancelled."), StatusMessageMs);
    };
    const QString start = LastFolders::lastDir(QLatin1String(LastFolders::ImportImageKey));
    const bool systemChooser = !QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    QString path;
    int screen = 0;
    if (systemChooser) {
        path = QFileDialog::getOpenFileName(&w, MainWindow::tr("Import Image"), start,
                                            MainWindow::tr("All Files (*)"));
    } else {
        ImportImageDialog dialog(&w, start, w.m_project.paletteVariant(), w.m_project.mode(),
                                 w.m_project.screensAcross());
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
        QMessageBox::warning(&w, MainWindow::tr("KORVEN"),
                             MainWindow::tr("Could not load %1: %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    const CanvasMode mode = w.m_project.mode();
    NativeImage image;
    if (const QString problem = NativeImport::problemWith(bytes, 0, mode, image);
        !problem.isEmpty()) {
        const CanvasMode other =
            mode == CanvasMode::Hires ? CanvasMode::Multicolor : CanvasMode::Hires;
        if (!NativeImport::problemWith(bytes, 0, other, image).isEmpty()) {
            QMessageBox::warning(&w, MainWindow::tr("KORVEN"), problem);
            return;
        }
        if (!offerCanvasOfMode(other, problem)) {
            cancelled();
            return;
        }
        screen = 0;
    } else if (systemChooser && w.m_project.screensAcross() > 1) {
        auto *options = new ImageImportOptionsWidget(w.m_project.screensAcross());
        ImportOptionsDialog dialog(MainWindow::tr("Import Image"), options, &w);
        if (dialog.exec() != QDialog::Accepted) {
            cancelled();
            return;
        }
        screen = options->targetScreen();
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ImportImageKey), path);

    w.runWholeCanvasEdit([&] { return NativeImport::importInto(w.m_project, image, screen); });
    if (w.m_projectPath.isEmpty()) {
        w.m_proposedName = QFileInfo(path).completeBaseName();
        w.updateWindowTitle();
    }
    w.showStatusMessage(
        MainWindow::tr("Imported %1 (%2).")
            .arg(QFileInfo(path).fileName(), NativeFormats::formatName(image.format)),
        StatusMessageMs);
}

bool ImageImportFlow::offerCanvasOfMode(CanvasMode mode, const QString &problem)
{
    MainWindow &w = m_window;
    const bool hires = mode == CanvasMode::Hires;
    QMessageBox box(QMessageBox::Question, MainWindow::tr("KORVEN"), problem, QMessageBox::Cancel,
                    &w);
    box.setInformativeText(hires
                               ? MainWindow::tr("Import it into a new hires canvas instead?")
                               : MainWindow::tr("Import it into a new multicolor canvas instead?"));
    QPushButton *accept = box.addButton(hires ? MainWindow::tr("New Hires Canvas")
                                              : MainWindow::tr("New Multicolor Canvas"),
                                        QMessageBox::AcceptRole);
    box.setDefaultButton(accept);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    // The new canvas replaces the document, so unsaved work is asked about first.
    if (box.clickedButton() != accept || !w.maybeSave())
        return false;
    w.resetDocument(mode, LayoutSpec{}, 1);
    return true;
}
