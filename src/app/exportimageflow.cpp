#include "exportimageflow.h"

#include "clashprompt.h"
#include "editorsession.h"
#include "generalsettings.h"
#include "lastfolders.h"

#include "canvas/canvasarea.h"
#include "canvas/selecttool.h"
#include "document/geometry.h"
#include "document/project.h"
#include "exchange/nativeformats.h"
#include "exchange/pictureexport.h"
#include "paint/selectionpixels.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSettings>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

namespace
{

constexpr int StatusMessageMs = 5000;
const char PreferNativeKey[] = "files/exportPreferNative";
const char IncludeBordersKey[] = "files/exportIncludeBorders";

int nativeFormat(CanvasMode mode)
{
    return mode == CanvasMode::Hires ? 1 : 6; // Art Studio, Koala Painter
}

QString nativeSuffix(CanvasMode mode)
{
    return mode == CanvasMode::Hires ? QStringLiteral("ocp") : QStringLiteral("koa");
}

} // namespace

void ExportImageFlow::cancelled() const
{
    m_session.showStatusMessage(tr("Export to image cancelled."), StatusMessageMs);
}

bool ExportImageFlow::askIncludeBorders(QWidget *parent, const QString &title, bool &include)
{
    QSettings settings;
    QMessageBox box(QMessageBox::Question, title, tr("Include all borders?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(GeneralSettings::readBool(settings, IncludeBordersKey, false)
                             ? QMessageBox::Yes
                             : QMessageBox::No);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    if (answer != QMessageBox::Yes && answer != QMessageBox::No)
        return false;
    include = answer == QMessageBox::Yes;
    settings.setValue(QLatin1String(IncludeBordersKey), include);
    return true;
}

bool ExportImageFlow::nativeAvailable() const
{
    const Project &p = m_session.project();
    return p.layout() == CanvasLayout::BitmapOnly &&
           p.size() == defaultCanvasSize(p.mode(), p.layoutSpec(), p.screensAcross());
}

void ExportImageFlow::run()
{
    EditorSession &w = m_session;
    if (w.isFileTaskBusy())
        return;
    // As for a save: staged shapes and a floating selection land first, so
    // the file holds what the canvas shows.
    w.settleStagedWork();
    const Project &project = w.project();
    if (!w.canvas()->selectTool()->selection().isEmpty()) {
        exportModern(false);
        return;
    }
    if (!nativeAvailable()) {
        bool include = false;
        if (project.hasBorderFrame() &&
            !askIncludeBorders(w.dialogParent(), tr("Export to Image"), include)) {
            cancelled();
            return;
        }
        exportModern(include);
        return;
    }

    QSettings settings;
    QDialog dialog(w.dialogParent());
    dialog.setWindowTitle(tr("Export to Image"));
    auto *column = new QVBoxLayout(&dialog);
    auto *native = new QRadioButton(NativeFormats::formatName(nativeFormat(project.mode())));
    auto *modern = new QRadioButton(tr("Modern image (PNG, BMP, ...)"));
    (GeneralSettings::readBool(settings, PreferNativeKey, true) ? native : modern)
        ->setChecked(true);
    column->addWidget(native);
    column->addWidget(modern);
    QCheckBox *borders = nullptr;
    if (project.hasBorderFrame()) {
        borders = new QCheckBox(tr("Include all borders"));
        borders->setChecked(GeneralSettings::readBool(settings, IncludeBordersKey, false));
        borders->setEnabled(modern->isChecked());
        QObject::connect(modern, &QRadioButton::toggled, borders, &QCheckBox::setEnabled);
        // Indented under the modern choice, level with its label.
        auto *row = new QHBoxLayout;
        const QStyle *style = dialog.style();
        row->addSpacing(style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                        style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing));
        row->addWidget(borders);
        column->addLayout(row);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        cancelled();
        return;
    }
    settings.setValue(QLatin1String(PreferNativeKey), native->isChecked());
    if (borders)
        settings.setValue(QLatin1String(IncludeBordersKey), borders->isChecked());
    if (native->isChecked())
        exportNative();
    else
        exportModern(borders && borders->isChecked());
}

void ExportImageFlow::exportNative()
{
    EditorSession &w = m_session;
    if (!ClashPrompt::confirmClashFree(&w, tr("a native image"), tr("Export to image cancelled.")))
        return;
    const Project &project = w.project();
    const QString suffix = nativeSuffix(project.mode());
    const QString proposal = LastFolders::lastDir(QLatin1String(LastFolders::ExportKey)) +
                             QLatin1Char('/') + w.baseExportName() + QLatin1Char('.') + suffix;
    QString path = QFileDialog::getSaveFileName(
        w.dialogParent(), tr("Export to Image As"), proposal,
        tr("%1 Files (*.%2);;All Files (*)")
            .arg(NativeFormats::formatName(nativeFormat(project.mode())), suffix));
    if (path.isEmpty()) {
        cancelled();
        return;
    }
    // A name typed without a suffix takes the format's own.
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    // A canvas of several screens becomes one file per screen.
    QStringList paths;
    if (project.screensAcross() == 1) {
        paths << path;
    } else {
        const QFileInfo chosen(path);
        for (int screen = 0; screen < project.screensAcross(); ++screen)
            paths << chosen.dir().filePath(QStringLiteral("%1-%2.%3")
                                               .arg(chosen.completeBaseName())
                                               .arg(screen)
                                               .arg(chosen.suffix()));
        QStringList existing;
        for (const QString &p : std::as_const(paths))
            if (QFileInfo::exists(p))
                existing << QDir::toNativeSeparators(p);
        if (!existing.isEmpty() &&
            QMessageBox::question(w.dialogParent(), tr("Export to Image"),
                                  tr("The export would replace:\n%1\nContinue?")
                                      .arg(existing.join(QLatin1Char('\n'))),
                                  QMessageBox::Yes | QMessageBox::Cancel) != QMessageBox::Yes) {
            cancelled();
            return;
        }
    }
    for (int screen = 0; screen < paths.size(); ++screen) {
        const QByteArray bytes = NativeFormats::writeNative(project.colormap(), project.mode(),
                                                            screen, project.slotBytes());
        QSaveFile file(paths[screen]);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            QMessageBox::warning(
                w.dialogParent(), tr("KORVEN"),
                tr("Could not write %1: %2")
                    .arg(QDir::toNativeSeparators(paths[screen]), file.errorString()));
            return;
        }
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ExportKey), path);
    if (paths.size() == 1)
        w.showStatusMessage(tr("Exported %1.").arg(QFileInfo(path).fileName()), StatusMessageMs);
    else
        w.showStatusMessage(
            tr("Exported %1 screens: %2 ... %3.")
                .arg(paths.size())
                .arg(QFileInfo(paths.first()).fileName(), QFileInfo(paths.last()).fileName()),
            StatusMessageMs);
}

void ExportImageFlow::exportModern(bool withBorders)
{
    EditorSession &w = m_session;
    QStringList filters;
    for (const QByteArray &format : QImageWriter::supportedImageFormats())
        filters << tr("%1 Files (*.%2)")
                       .arg(QString::fromLatin1(format).toUpper(),
                            QString::fromLatin1(format).toLower());
    const QString proposal = LastFolders::lastDir(QLatin1String(LastFolders::ExportKey)) +
                             QLatin1Char('/') + w.baseExportName() + QStringLiteral(".png");
    QString selectedFilter =
        tr("%1 Files (*.%2)").arg(QStringLiteral("PNG"), QStringLiteral("png"));
    const QString path =
        QFileDialog::getSaveFileName(w.dialogParent(), tr("Export to Image As"), proposal,
                                     filters.join(QStringLiteral(";;")), &selectedFilter);
    if (path.isEmpty()) {
        cancelled();
        return;
    }
    // The format is the selected filter's extension.
    const qsizetype dot = selectedFilter.lastIndexOf(QLatin1String("*."));
    const QString format =
        dot < 0 ? QFileInfo(path).suffix() : selectedFilter.mid(dot + 2).chopped(1);
    const Project &project = w.project();
    const QRegion selection = w.canvas()->selectTool()->selection();
    const QImage image =
        selection.isEmpty()
            ? PictureExport::exportImage(project, withBorders)
            : SelectionPixels::take(project.colormap(), selection)
                  .toImage(project.paletteVariant(),
                           std::max(1, int(std::lround(project.view().pixelWidth()))));
    // Written aside and moved into place, so a failed export leaves an old file whole.
    QSaveFile file(path);
    QImageWriter writer(&file, format.toLatin1());
    if (!file.open(QIODevice::WriteOnly) || !writer.write(image) || !file.commit()) {
        QMessageBox::warning(
            w.dialogParent(), tr("KORVEN"),
            tr("Could not export %1 as %2.").arg(QDir::toNativeSeparators(path), format.toUpper()));
        return;
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ExportKey), path);
    w.showStatusMessage(selection.isEmpty()
                            ? tr("Exported %1.").arg(QFileInfo(path).fileName())
                            : tr("Exported the selection to %1.").arg(QFileInfo(path).fileName()),
                        StatusMessageMs);
}
