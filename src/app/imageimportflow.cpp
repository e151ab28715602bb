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

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

void ImageImportFlow::run()
{
    if (m_window.m_fileTaskBusy || !m_window.wholeCanvasEditAllowed())
        return;
    const QString start = LastFolders::lastDir(QLatin1String(LastFolders::ImportImageKey));
    QString path;
    int screen = 0;
    if (!QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs)) {
        path = QFileDialog::getOpenFileName(&m_window, MainWindow::tr("Import Image"), start,
                                            MainWindow::tr("All Files (*)"));
        if (!path.isEmpty() && m_window.m_project.screensAcross() > 1) {
            auto *options = new ImageImportOptionsWidget(m_window.m_project.screensAcross());
            ImportOptionsDialog dialog(MainWindow::tr("Import Image"), options, &m_window);
            screen = dialog.exec() == QDialog::Accepted ? options->targetScreen() : -1;
        }
    } else {
        ImportImageDialog dialog(&m_window, start, m_window.m_project.paletteVariant(),
                                 m_window.m_project.mode(), m_window.m_project.screensAcross());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().constFirst();
            screen = dialog.targetScreen();
        }
    }
    if (path.isEmpty() || screen < 0) {
        m_window.showStatusMessage(MainWindow::tr("Image import cancelled."), StatusMessageMs);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(&m_window, MainWindow::tr("KORVEN"),
                             MainWindow::tr("Could not load %1: %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    NativeImage image;
    if (const QString problem =
            NativeImport::problemWith(file.readAll(), 0, m_window.m_project.mode(), image);
        !problem.isEmpty()) {
        QMessageBox::warning(&m_window, MainWindow::tr("KORVEN"), problem);
        return;
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ImportImageKey), path);

    m_window.runWholeCanvasEdit(
        [&] { return NativeImport::importInto(m_window.m_project, image, screen); });
    if (m_window.m_projectPath.isEmpty()) {
        m_window.m_proposedName = QFileInfo(path).completeBaseName();
        m_window.updateWindowTitle();
    }
    m_window.showStatusMessage(
        MainWindow::tr("Imported %1 (%2).")
            .arg(QFileInfo(path).fileName(), NativeFormats::formatName(image.format)),
        StatusMessageMs);
}
