// Opening, saving and creating projects through the window, with the
// background task, its progress dialog and the program's own choosers.

#include "../canvas/canvastesthelpers.h"
#include "../common/paintrows.h"
#include "../common/wholefiles.h"
#include "windowtesthelpers.h"

#include "app/importimagedialog.h"
#include "app/importoptionsdialog.h"
#include "app/importspritesdialog.h"
#include "app/newcanvasdialog.h"
#include "app/openprojectdialog.h"
#include "app/projectfiletask.h"
#include "app/referenceopacitydialog.h"
#include "app/saveworkstagesdialog.h"
#include "canvas/selecttool.h"
#include "canvas/shapetool.h"
#include "convertdialog/convertimagedialog.h"
#include "document/palette.h"
#include "document/pluraltranslator.h"
#include "exchange/nativeformats.h"
#include "exchange/spritefile.h"
#include "history/recentprojects.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QThread>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

// Root ignores permissions; the immutable flag holds even for root.
bool setImmutable(const QString &folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    const bool ok = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                    ioctl(fd, FS_IOC_SETFLAGS,
                          &(flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL)) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// The picture a native file holds; empty when it does not decode.
Colormap decodedFile(const QString &path)
{
    NativeImage image;
    QString error;
    return NativeFormats::recognizeAndDecode(readBytes(path), 0, image, error)
               ? NativeFormats::decodeToColormap(image)
               : Colormap();
}

// Cells of a multicolor screen holding more than three colours besides the
// background, counted from the pixels.
int crowdedCells(const Project &project, const QRect &screen)
{
    int crowded = 0;
    for (int y = screen.top(); y <= screen.bottom(); y += 8)
        for (int x = screen.left(); x <= screen.right(); x += 4) {
            QSet<quint8> colours;
            for (int dy = 0; dy < 8; ++dy)
                for (int dx = 0; dx < 4; ++dx)
                    colours.insert(project.colormap().pixel(x + dx, y + dy));
            colours.remove(project.slot(ColorSlot::Background));
            crowded += colours.size() > 3;
        }
    return crowded;
}

} // namespace

class TestProjectWorkflows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString saved(const QString &name, int nodes, int undo = 0)
    {
        Project project(CanvasMode::Multicolor);
        project.colormap().fillRect(QRect(10, 10, 60, 40), 7);
        for (int i = 0; i < nodes; ++i)
            recordEdit(project);
        for (int i = 0; i < undo; ++i)
            project.history().undo(project);
        const QString path = m_dir.filePath(name);
        return saveProjectFile(project, path).ok ? path : QString();
    }

private slots:
    void initTestCase() { PluralTranslator::install(); }
    void init() { freshSettings(); }

    // The dialog shows only for slow tasks; Esc, its Cancel button and
    // closing it cancel; other windows paint but take no input meanwhile.
    void taskBehindProgressDialog_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"quick", "Esc", "Cancel button", "close"})
            QTest::newRow(how) << how;
    }
    void taskBehindProgressDialog()
    {
        QFETCH(QString, how);
        struct Painted : QLineEdit {
            int paints = 0, presses = 0;
            void paintEvent(QPaintEvent *event) override { ++paints, QLineEdit::paintEvent(event); }
            void mousePressEvent(QMouseEvent *event) override
            {
                ++presses, QLineEdit::mousePressEvent(event);
            }
        } other;
        QVERIFY(shownAndExposed(other));
        QTimer repaint;
        connect(&repaint, &QTimer::timeout, &other, [&] { other.update(); });
        repaint.start(20);
        bool shown = false;
        int range = -1;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || shown)
                return;
            shown = true;
            range = dialog->maximum();
            other.paints = 0;
            QTest::keyClicks(&other, u"typed"_s);
            QTest::mouseClick(&other, Qt::LeftButton);
            if (how == u"Esc"_s)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (how == u"close"_s)
                dialog->close();
            else
                QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
        });
        watch.start(10);
        const bool quick = how == u"quick"_s;
        const ProjectFileResult result =
            ProjectFileTask::run(nullptr, u"Working..."_s, [&](const auto &progress) {
                // A quick task takes a fraction of the dialog's delay.
                const int steps = quick ? 3 : 1000;
                for (int i = 0; i < steps; ++i) {
                    if (!progress(i, steps))
                        return ProjectFileResult{false, true, {}};
                    QThread::msleep(10);
                }
                return ProjectFileResult{true, false, {}};
            });
        QCOMPARE(shown, !quick);
        QCOMPARE(result.ok, quick);
        QCOMPARE(result.cancelled, !quick);
        if (!quick) {
            QCOMPARE(range, 1000);
            QVERIFY(other.text().isEmpty() && other.presses == 0);
            QTRY_VERIFY(other.paints > 0);
        }
    }

    void openFromChooserAndRecent()
    {
        const QString sunset = saved(u"sunset.kvn"_s, 5, 3);
        const QString broken = m_dir.filePath(u"broken.kvn"_s);
        QVERIFY(QFile::copy(sunset, broken));
        QSettings().setValue(u"files/lastProjectDir"_s, m_dir.path());
        TestWindow window;
        QStringList previews;
        WhenModal<OpenProjectDialog> chooser([&](OpenProjectDialog *dialog) {
            previews << dialog->infoLabel()->text() << dialog->directory().path();
            clickFile(dialog, u"sunset.kvn"_s);
            previews << dialog->infoLabel()->text()
                     << QString::number(dialog->previewLabel()->pixmap().width());
            static_cast<QDialog *>(dialog)->accept();
        });
        window.openProject();
        QCOMPARE(previews, (QStringList{"Select a project to preview it.", m_dir.path(),
                                        "Multicolor, 320 x 200, 3 workstages", "320"}));
        QCOMPARE(window.project().colormap().pixel(12, 12), quint8(7));
        QCOMPARE(window.project().history().position(), 2);
        QCOMPARE(window.windowTitle(), u"sunset.kvn[*] - KORVEN"_s);
        QCOMPARE(statusText(window), u"Opened sunset.kvn."_s);
        WhenModal<OpenProjectDialog> cancel([](OpenProjectDialog *dialog) { dialog->reject(); });
        window.openProject();
        QCOMPARE(statusText(window), u"Open cancelled."_s);

        // Open Recent lists what still exists; an entry that fails to open leaves it.
        RecentProjects::addRecent(broken);
        RecentProjects::addRecent(m_dir.filePath(u"gone.kvn"_s));
        QVERIFY(QFile::resize(broken, 20));
        QMenu *file = window.findChild<QMenu *>(u"fileMenu"_s);
        QMenu *recent = window.findChild<QMenu *>(u"openRecentMenu"_s);
        emit file->aboutToShow();
        QStringList texts;
        for (const QAction *entry : recent->actions())
            texts << entry->text();
        QCOMPARE(texts,
                 (QStringList{"&1  broken.kvn", "&2  sunset.kvn", "", "Clear Recent File List"}));
        emit recent->hovered(recent->actions()[1]);
        QVERIFY(recent->actions()[1]->toolTip().startsWith(u"<img src='data:image/png"_s));
        {
            BoxAnswerer boxes(QMessageBox::Ok);
            recent->actions()[0]->trigger();
            QCOMPARE(boxes.texts.size(), 1);
            QVERIFY(boxes.texts[0].startsWith(
                u"KORVEN|Could not open %1: "_s.arg(QDir::toNativeSeparators(broken))));
        }
        QCOMPARE(window.projectPath(), sunset);
        QCOMPARE(RecentProjects::loadRecent(), QStringList{sunset});
        recent->actions().last()->trigger();
        QVERIFY(!recent->menuAction()->isEnabled());
    }

    void importImage()
    {
        QTemporaryDir folder;
        Colormap picture(160, 200), crowding(160, 200), hires(320, 200);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x) {
                hires.setPixel(x, y, quint8((x / 8 + y) % 2 ? 1 : 6));
                if (x < 160) {
                    picture.setPixel(x, y, quint8(x / 4 % 2 ? 11 : (y / 8 + x / 4) % 3 + 1));
                    // Colours 1-4 in every cell, 1 the file's background.
                    crowding.setPixel(x, y, quint8((x + y) % 4 + 1));
                }
            }
        for (const auto &[name, pixels, background] :
             {std::tuple{"pic.koa", &picture, 11}, std::tuple{"crowd.koa", &crowding, 1},
              std::tuple{"other.art", &hires, 11}}) {
            const CanvasMode mode = pixels == &hires ? CanvasMode::Hires : CanvasMode::Multicolor;
            QVERIFY(writeBytes(folder.filePath(QLatin1String(name)),
                               NativeFormats::writeNative(*pixels, mode, 0, {quint8(background)})));
        }
        QSettings().setValue(u"files/lastImportImageDir"_s, folder.path());
        TestWindow window;
        window.newMulticolorCanvas();
        QStringList infos;
        WhenModal<ImportImageDialog> previewing([&](ImportImageDialog *dialog) {
            for (const char *name : {"other.art", "pic.koa"}) {
                clickFile(dialog, QLatin1String(name));
                infos << dialog->infoLabel()->text();
            }
            static_cast<QDialog *>(dialog)->accept();
        });
        window.importImage();
        QCOMPARE(infos, (QStringList{"Art Studio is a hires format; this canvas is multicolor.",
                                     "Koala Painter"}));
        QCOMPARE(window.project().colormap(), picture);
        QCOMPARE(window.project().slot(ColorSlot::Background), quint8(11));
        QCOMPARE(window.project().history().nodes().value(0).kind, HistoryEntryKind::ImportImage);
        QCOMPARE(window.windowTitle(), u"pic[*] - KORVEN"_s);
        QCOMPARE(statusText(window), u"Imported pic.koa (Koala Painter)."_s);

        // On a dual canvas the chooser asks for the screen; the undrawn one
        // comes out in the picture's background. A second picture keeps the
        // canvas's background, so the cells it crowds are swept.
        window.project().history().markClean();
        window.newDualMulticolorCanvas();
        const Project &dual = window.project();
        for (const auto &[screen, name] : {std::pair{1, "pic.koa"}, std::pair{0, "crowd.koa"}}) {
            auto chooser = choosing<ImportImageDialog>(name, [screen](ImportImageDialog *dialog) {
                dialog->findChild<QComboBox *>(u"importTargetScreenCombo"_s)
                    ->setCurrentIndex(screen);
            });
            window.importImage();
            if (screen == 1)
                QCOMPARE(dual.colormap().pixel(0, 0), quint8(11));
        }
        QCOMPARE(dual.colormap().copy(dual.screenRect(1)), picture);
        QCOMPARE(dual.slot(ColorSlot::Background), quint8(11));
        QCOMPARE(dual.history().nodeCount(), 2);
        QVERIFY(dual.colormap().copy(dual.screenRect(0)).bytes().count(char(11)) < 160 * 100);
        QCOMPARE(crowdedCells(dual, dual.screenRect(0)), 0);

        // Through the system's chooser the file is checked before the screen
        // is asked for, and a hires picture is offered a hires canvas.
        window.project().history().markClean();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false);
        QStringList asked;
        auto system = choosing<QFileDialog>("other.art");
        WhenModal<ImportOptionsDialog> screen([&](ImportOptionsDialog *dialog) {
            asked << u"screen"_s;
            dialog->reject();
        });
        WhenModal<QMessageBox> offer([&](QMessageBox *box) {
            asked << box->text() + u'|' + box->informativeText();
            clickButton(box, "New Hires Canvas");
        });
        window.importImage();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
        QCOMPARE(asked, QStringList{"Art Studio is a hires format; this canvas is multicolor.|"
                                    "Import it into a new hires canvas instead?"});
        QCOMPARE(window.project().mode(), CanvasMode::Hires);
        QCOMPARE(window.project().colormap(), hires);
        QCOMPARE(statusText(window), u"Imported other.art (Art Studio)."_s);
    }

    // Import Sprites: the chooser previews each sheet with its count or the
    // capacity refusal, the attribute choice is read, and the sheet replaces
    // the strips as one edit; a sheet too large is refused with a warning.
    void importSprites()
    {
        QTemporaryDir folder;
        // Saved under the chooser's sprite file extension.
        for (const char *name : {"rozne", "tfight"})
            QVERIFY(
                QFile::copy(QStringLiteral(KORVEN_TESTDATA_DIR "/real/sprites/%1.spr").arg(name),
                            folder.filePath(u"%1.prg"_s.arg(name))));
        QSettings().setValue(u"files/lastImportSpritesDir"_s, folder.path());
        TestWindow window;
        window.newMulticolorTopBottomSpritesCanvas();
        const Project before = window.project();
        QStringList infos;
        const auto pick = [&](const char *name) {
            WhenModal<ImportSpritesDialog> chooser([&](ImportSpritesDialog *dialog) {
                dialog->findChild<QComboBox *>(u"importSpriteAttributeCombo"_s)->setCurrentIndex(2);
                for (const char *file : {"tfight.prg", name}) {
                    clickFile(dialog, QLatin1String(file));
                    infos << dialog->infoLabel()->text();
                }
                static_cast<QDialog *>(dialog)->accept();
            });
            window.importSprites();
        };
        pick("rozne.prg");
        QCOMPARE(infos, (QStringList{"The file holds 64 sprites; this canvas takes at most 32.",
                                     "13 sprites"}));
        QList<QByteArray> sprites;
        QString error;
        QVERIFY(
            SpriteFile::readSpriteFile(readBytes(folder.filePath(u"rozne.prg"_s)), sprites, error));
        QCOMPARE(window.project().colormap(),
                 SpriteFile::spritesToStrips(before, sprites, SpriteAttributes::ColorPosition,
                                             window.paintSettings()->penIndex()));
        QCOMPARE(window.project().history().nodes().value(0).kind, HistoryEntryKind::ImportSprites);
        QCOMPARE(statusText(window), u"Imported 13 sprites from rozne.prg."_s);

        QString warning;
        WhenModal<QMessageBox> refusal([&](QMessageBox *box) {
            warning = box->text();
            box->accept();
        });
        pick("tfight.prg");
        QCOMPARE(warning, u"The file holds 64 sprites; this canvas takes at most 32."_s);
        QCOMPARE(window.project().history().nodeCount(), 1);
    }

    // Convert Image: a picture of another size is fitted after the scale
    // question, the dialog's result and slots land as one edit, and the
    // window takes the picture's name and the dialog's palette.
    void convertImage()
    {
        QTemporaryDir folder;
        QImage picture(100, 50, QImage::Format_RGB32);
        picture.fill(qRgb(200, 180, 40));
        QVERIFY(picture.save(folder.filePath(u"sunrise.png"_s)));
        QVERIFY(picture.scaled(640, 400).save(folder.filePath(u"wide.png"_s)));
        QSettings().setValue(u"files/lastConvertImageDir"_s, folder.path());
        TestWindow window;
        window.newHiresCanvas();
        const Project &project = window.project();
        const Project before = project;
        QString question;
        Colormap shown;
        std::array<quint8, ColorSlotCount> chosen{};
        const auto convert = [&](const char *name, int palette) {
            question.clear();
            auto chooser = choosing<QFileDialog>(name);
            WhenModal<QMessageBox> scale([&](QMessageBox *box) {
                question = box->text();
                clickButton(box, "Keep Aspect Ratio");
            });
            WhenModal<ConvertImageDialog> converter([&](ConvertImageDialog *dialog) {
                dialog->findChild<QComboBox *>(u"paletteCombo"_s)->setCurrentIndex(palette);
                const size_t border = size_t(ColorSlot::Border);
                dialog->assignSlot(ColorSlot::Border,
                                   quint8((dialog->slotBytes()[border] + 1) % 16));
                dialog->accept();
                shown = dialog->resultColormap();
                chosen = dialog->slotBytes();
            });
            window.convertImage();
        };
        convert("sunrise.png", 5);
        QVERIFY(question.startsWith(QLatin1String(
            "sunrise.png is 100 x 50 pixels; the canvas displays at 320 x 200 pixels.")));
        QCOMPARE(project.colormap(), shown);
        QCOMPARE(project.slotBytes(), chosen);
        QVERIFY(chosen != before.slotBytes());
        // Kept aspect: black bands above and below the picture.
        QCOMPARE(shown.copy(QRect(0, 0, 320, 20)).bytes().count(char(0)), 320 * 20);
        QVERIFY(shown.pixel(160, 100) != 0);
        QCOMPARE(project.paletteVariant(), 5);
        QCOMPARE(project.history().nodeCount(), 1);
        QCOMPARE(project.history().nodes().value(0).kind, HistoryEntryKind::ConvertImage);
        QCOMPARE(window.windowTitle(), u"sunrise[*] - KORVEN"_s);
        QCOMPARE(statusText(window), u"Converted sunrise.png."_s);
        // One undo takes back the pixels and the slots alike.
        window.undo();
        QCOMPARE(project.colormap(), before.colormap());
        QCOMPARE(project.slotBytes(), before.slotBytes());

        // A picture of the canvas's own shape fills it without a question.
        convert("wide.png", 0);
        QCOMPARE(question, QString());
        QCOMPARE(statusText(window), u"Converted wide.png."_s);
        QCOMPARE(shown.pixel(160, 2), shown.pixel(160, 100));
    }

    // Import Reference Image: a picture of another size, stretched, becomes
    // the shown reference layer and leaves the document as it was.
    void importReferenceImage()
    {
        QTemporaryDir folder;
        QImage picture(64, 40, QImage::Format_RGB32);
        picture.fill(qRgb(30, 160, 90));
        QVERIFY(picture.save(folder.filePath(u"trace.png"_s)));
        QSettings().setValue(u"files/lastReferenceImageDir"_s, folder.path());
        TestWindow window;
        window.newMulticolorCanvas();
        auto *show = window.findChild<QAction *>(u"showReferenceLayer"_s);
        QVERIFY(!show->isEnabled());
        auto chooser = choosing<QFileDialog>("trace.png");
        WhenModal<QMessageBox> scale([](QMessageBox *box) { clickButton(box, "Stretch to Fit"); });
        window.importReferenceImage();
        const QImage reference = window.canvas()->referenceImage();
        QCOMPARE(reference.size(), QSize(320, 200));
        QCOMPARE(reference.pixel(0, 0), picture.pixel(0, 0));
        QVERIFY(show->isEnabled() && show->isChecked());
        QCOMPARE(window.project().history().nodeCount(), 0);

        // The opacity follows the slider at once; Cancel takes it back.
        const int opening = window.canvas()->referenceOpacity();
        for (const bool keep : {false, true}) {
            int live = -1;
            WhenModal<ReferenceOpacityDialog> opacity([&](ReferenceOpacityDialog *dialog) {
                dialog->findChild<QSlider *>()->setValue(opening / 2 + 3);
                live = window.canvas()->referenceOpacity();
                keep ? dialog->accept() : dialog->reject();
            });
            window.showReferenceOpacityDialog();
            QCOMPARE(live, opening / 2 + 3);
            QCOMPARE(window.canvas()->referenceOpacity(), keep ? live : opening);
        }
    }

    // Export to Image: a dual bitmap canvas goes out natively as one file per
    // screen, asks before replacing them, and a border canvas goes out as a
    // modern picture with its borders.
    void exportImage()
    {
        QTemporaryDir folder;
        QSettings().setValue(u"files/lastExportDir"_s, folder.path());
        TestWindow window;
        window.newDualMulticolorCanvas();
        Colormap &pixels = window.project().colormap();
        for (int x = 0; x < pixels.width(); ++x)
            pixels.fillRect(QRect(x, x % 200, 1, 3), quint8(x / 160 ? 2 : 7));
        const auto save = [&](const QString &name, QMessageBox::StandardButton answer) {
            // The format dialog, where the canvas offers one, keeps its choice.
            WhenModal<QDialog> family([](QDialog *dialog) {
                if (!qobject_cast<QFileDialog *>(dialog) && !qobject_cast<QMessageBox *>(dialog))
                    dialog->accept();
            });
            WhenModal<QFileDialog> chooser([&](QFileDialog *dialog) {
                dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(name);
                static_cast<QDialog *>(dialog)->accept();
            });
            return boxesDuring(answer, [&] { window.exportImage(); });
        };
        save(u"pair.koa"_s, QMessageBox::Yes);
        QCOMPARE(statusText(window), u"Exported 2 screens: pair-0.koa ... pair-1.koa."_s);
        for (int screen = 0; screen < 2; ++screen)
            QCOMPARE(decodedFile(folder.filePath(u"pair-%1.koa"_s.arg(screen))),
                     pixels.copy(window.project().screenRect(screen)));
        // A name typed without a suffix takes the format's.
        save(u"solo"_s, QMessageBox::Yes);
        QCOMPARE(statusText(window), u"Exported 2 screens: solo-0.koa ... solo-1.koa."_s);
        const QStringList asked = save(u"pair.koa"_s, QMessageBox::Cancel);
        QVERIFY(asked.value(0).contains(u"The export would replace:"_s));
        QCOMPARE(statusText(window), u"Export to image cancelled."_s);

        window.project().history().markClean();
        window.newHiresSpritesCanvas();
        save(u"framed.png"_s, QMessageBox::Yes);
        // With the borders: taller than the canvas, its corner the border colour.
        const QImage framed(folder.filePath(u"framed.png"_s));
        QVERIFY(framed.height() > window.project().height());
        QCOMPARE(framed.pixelColor(0, 0).rgb(),
                 paletteRgb(window.project().paletteVariant(),
                            window.project().slot(ColorSlot::Border)));
        QCOMPARE(statusText(window), u"Exported framed.png."_s);
    }

    // Save Workstages: a subset of the applied stages, chosen in the dialog,
    // goes into the chosen folder under the project's name.
    void saveWorkstages()
    {
        QTemporaryDir folder;
        TestWindow window;
        window.newHiresCanvas();
        for (int i = 0; i < 6; ++i) {
            const QRect rect(10 * i, 10, 8, 8);
            HistoryNode node;
            const Colormap before = window.project().colormap().copy(rect);
            window.project().colormap().fillRect(rect, quint8(1 + i));
            recordRegionChange(window.project(), node, rect, before);
            window.project().history().push(node);
        }
        window.refreshUndoActions();
        // Saves this many frames (0: as many as the dialog offers) into the
        // folder without the borders; gives back what the border question said.
        const auto save = [&](int frames) {
            WhenModal<SaveWorkstagesDialog> amount([frames](SaveWorkstagesDialog *dialog) {
                if (frames > 0)
                    dialog->findChild<QSpinBox *>()->setValue(frames);
                dialog->accept();
            });
            WhenModal<QFileDialog> chooser([&](QFileDialog *dialog) {
                dialog->setDirectory(folder.path());
                static_cast<QDialog *>(dialog)->accept();
            });
            return boxesDuring(QMessageBox::No, [&] { window.saveWorkstages(); });
        };
        QCOMPARE(save(3), QStringList{"Save Workstages|Include all borders?"});
        // Stages 2, 4 and 6 of 7, uniformly.
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::Files),
            (QStringList{"untitled-000000.png", "untitled-000001.png", "untitled-000002.png"}));
        QCOMPARE(QImage(folder.filePath(u"untitled-000002.png"_s)).size(), QSize(320, 200));
        QCOMPARE(statusText(window),
                 u"Saved 3 workstage frames to %1."_s.arg(QDir(folder.path()).dirName()));

        // While the frames are written, undo waits; a cancel before the
        // first frame says so.
        QList<int> positions;
        QTimer meanwhile;
        connect(&meanwhile, &QTimer::timeout, this, [&] {
            if (auto *progress = window.findChild<QProgressDialog *>()) {
                window.undo();
                positions << window.project().history().position();
                progress->cancel();
            }
        });
        meanwhile.start(0);
        save(0);
        QCOMPARE(positions, QList<int>{6});
        QCOMPARE(statusText(window), u"Saving workstages cancelled after 0 of 5 frames."_s);
    }

    // Every export lands staged shapes and a floating selection first, so
    // the file holds what the canvas shows: a staged line over row 20, or
    // pixel (0, 5) flipped by a float to the right edge.
    void exportsHoldWhatTheCanvasShows_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<bool>("shape"); // else a flipped float
        for (const char *route : {"native", "modern", "workstages", "prg"})
            QTest::addRow("shape, %s", route) << route << true;
        for (const char *route : {"selection", "workstages"})
            QTest::addRow("float, %s", route) << route << false;
    }
    void exportsHoldWhatTheCanvasShows()
    {
        QFETCH(QString, route);
        QFETCH(bool, shape);
        QTemporaryDir folder;
        const QString path = folder.filePath(route == u"native"_s ? "art.ocp"
                                             : route == u"prg"_s  ? "art.prg"
                                                                  : "art.png");
        TestWindow window;
        QVERIFY(shownAndExposed(window));
        CanvasArea *canvas = window.canvas();
        Project &project = window.project();
        QPoint lit(40, 20), dark(40, 30);
        if (shape) {
            window.findChild<QAction *>(u"shapeTool"_s)->setChecked(true);
            canvas->paintSettings().setPenIndex(1);
            stroke(canvas, {QPoint(20, 20), QPoint(60, 20)});
            QCOMPARE(canvas->shapeTool()->stagedCount(), 1);
        } else {
            project.colormap().setPixel(0, 5, 1);
            window.findChild<QAction *>(u"selectAll"_s)->trigger();
            window.flipCanvas(Qt::Horizontal);
            QVERIFY(canvas->selectTool()->hasFloat());
            lit = QPoint(319, 5), dark = QPoint(0, 5);
        }
        QCOMPARE(project.colormap().pixel(lit.x(), lit.y()), quint8(0)); // on screen only, so far

        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                (box->button(QMessageBox::No) ? box->button(QMessageBox::No)
                                              : box->buttons().constFirst())
                    ->click();
            } else if (auto *chooser = qobject_cast<QFileDialog *>(modal)) {
                if (chooser->fileMode() == QFileDialog::Directory)
                    chooser->setDirectory(folder.path());
                else
                    chooser->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(path);
                static_cast<QDialog *>(chooser)->accept();
            } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
                // All workstages, or the native or modern family.
                dialog->findChildren<QRadioButton *>()[route == u"modern"_s]->click();
                dialog->accept();
            }
        });
        answer.start(10);
        if (route == u"prg"_s)
            window.exportPrg();
        else if (route == u"workstages"_s)
            window.saveWorkstages();
        else
            window.exportImage();
        answer.stop();

        QVERIFY(!canvas->selectTool()->hasFloat() && canvas->shapeTool()->stagedCount() == 0);
        QCOMPARE(project.colormap().pixel(lit.x(), lit.y()), quint8(1));
        // The colour written at a pixel.
        const auto written = [&](QPoint at) {
            if (route == u"native"_s)
                return paletteRgb(project.paletteVariant(),
                                  decodedFile(path).pixel(at.x(), at.y()));
            return QImage(route == u"workstages"_s ? folder.filePath(u"untitled-000001.png"_s)
                                                   : path)
                .pixelColor(at)
                .rgb();
        };
        if (route == u"prg"_s) // built from the document, checked above
            QVERIFY(QFileInfo(path).size() > 0);
        else
            QCOMPARE(std::pair(written(lit), written(dark)),
                     std::pair(paletteRgb(project.paletteVariant(), 1),
                               paletteRgb(project.paletteVariant(), 0)));
    }

    // A cancelled or failed save leaves the previous file byte for byte.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("read-only folder") << false;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(bool, cancel);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"keep.kvn"_s);
        TestWindow window;
        window.chosenPath = path;
        QVERIFY(window.saveProject());
        const QByteArray before = readBytes(path);
        // Enough noisy strokes that the save is still running when cancelled.
        QRandomGenerator random(11);
        for (int i = 0; i < (cancel ? 150 : 1); ++i) {
            Colormap &pixels = window.project().colormap();
            const Colormap old = pixels;
            for (int p = 0; p < 320 * 200; ++p)
                pixels.setPixel(p % 320, p / 320, quint8(random.bounded(16)));
            HistoryNode node;
            recordRegionChange(window.project(), node, pixels.rect(), old);
            window.project().history().push(node);
        }
        window.updateWindowTitle();
        QVERIFY(cancel || setImmutable(folder.path(), true));
        BoxAnswerer boxes(QMessageBox::Ok);
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, this, [&] {
            if (auto *dialog = window.findChild<QProgressDialog *>(); dialog && cancel)
                dialog->reject();
        });
        canceller.start(0);
        QVERIFY(!window.saveProject());
        setImmutable(folder.path(), false);
        QCOMPARE(readBytes(path), before);
        QVERIFY(window.isWindowModified());
        QCOMPARE(statusText(window), cancel ? u"Save cancelled."_s : u"Saved keep.kvn."_s);
        QCOMPARE(boxes.texts.size(), cancel ? 0 : 1);
        QVERIFY(cancel || boxes.texts[0].startsWith(u"KORVEN|Could not save %1: cannot write"_s.arg(
                              QDir::toNativeSeparators(path))));
    }

    // The presets and the New Canvas dialog ask before replacing a modified
    // project; Cancel keeps it and the dialog never opens.
    void newCanvas()
    {
        TestWindow window;
        window.chosenPath = m_dir.filePath(u"before.kvn"_s);
        QVERIFY(window.saveProject());
        recordEdit(window);
        {
            BoxAnswerer boxes(QMessageBox::Cancel);
            WhenModal<NewCanvasDialog> dialog([](NewCanvasDialog *d) { d->reject(); });
            window.newCanvasFromDialog();
            QVERIFY(QMetaObject::invokeMethod(&window, "newMulticolorTopBottomSpritesCanvas"));
            QCOMPARE(boxes.texts, (QStringList{Prompt, Prompt}));
            QVERIFY(!dialog.seen);
            QCOMPARE(window.project().history().nodeCount(), 1);
        }
        {
            BoxAnswerer boxes(QMessageBox::Discard);
            WhenModal<NewCanvasDialog> dialog([](NewCanvasDialog *d) {
                d->findChildren<QRadioButton *>()[1]->click(); // Multicolor
                d->findChild<QSpinBox *>()->setValue(2);
                d->accept();
            });
            window.newCanvasFromDialog();
            QCOMPARE(boxes.texts, QStringList{Prompt});
        }
        QCOMPARE(window.project().mode(), CanvasMode::Multicolor);
        QCOMPARE(window.project().size(), QSize(320, 200));
        QCOMPARE(window.project().history().nodeCount(), 0);
        QCOMPARE(window.windowTitle(), u"Untitled[*] - KORVEN"_s);
        QVERIFY(!window.isWindowModified());
        recordEdit(window);
        {
            BoxAnswerer boxes(QMessageBox::Discard);
            QVERIFY(QMetaObject::invokeMethod(&window, "newMulticolorTopBottomSpritesCanvas"));
            QCOMPARE(boxes.texts, QStringList{Prompt});
        }
        QCOMPARE(fieldText(window, "statusSize"), u"Size: 160×284"_s);
        QCOMPARE(window.project().history().nodeCount(), 0);
        WhenModal<NewCanvasDialog> dialog([](NewCanvasDialog *d) { d->reject(); });
        window.newCanvasFromDialog();
        QCOMPARE(statusText(window), u"New canvas cancelled."_s);
    }

    // Steps: M multicolor, H hires, S<n> screens, L<n> layout, W<n> and E<n>
    // typed width and height.
    // Expected: width, height, which of width/height/screens are enabled, label.
    void newCanvasDialogRules_data() { addTextRows("app/windowrows.txt", "new canvas"); }
    void newCanvasDialogRules()
    {
        QFETCH(QStringList, row);
        const QString &steps = row[0], &shown = row[1];
        NewCanvasDialog dialog;
        const QList<QRadioButton *> radios = dialog.findChildren<QRadioButton *>();
        const QList<QSpinBox *> boxes = dialog.findChildren<QSpinBox *>(); // screens, width, height
        for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
            const int n = step.mid(1).toInt();
            if (step[0] == u'M' || step[0] == u'H')
                radios[step[0] == u'M' ? 1 : 0]->click();
            else if (step[0] == u'L')
                radios[2 + n]->click();
            else if (step[0] == u'S')
                boxes[0]->setValue(n);
            else if ((step[0] == u'W' || step[0] == u'E') && n > 0)
                boxes[step[0] == u'W' ? 1 : 2]->setValue(n),
                    emit boxes[step[0] == u'W' ? 1 : 2]->editingFinished();
        }
        const auto yn = [](QWidget *w) { return QLatin1String(w->isEnabled() ? "y" : "n"); };
        QCOMPARE(u"%1 %2 %3%4%5 %6"_s.arg(boxes[1]->value())
                     .arg(boxes[2]->value())
                     .arg(yn(boxes[1]))
                     .arg(yn(boxes[2]))
                     .arg(yn(boxes[0]))
                     .arg(dialog.findChild<QLabel *>(u"displaySize"_s)->text()),
                 shown);
        QCOMPARE(dialog.canvasSize(), QSize(boxes[1]->value(), boxes[2]->value()));
    }
};

QTEST_MAIN(TestProjectWorkflows)
#include "tst_projectworkflows.moc"
