// The Open Recent list and the project previews shown without opening a file.

#include "../common/paintrows.h"
#include "../common/wholefiles.h"
#include "edits.h"

#include "document/pluraltranslator.h"
#include "history/projectpreview.h"
#include "history/recentbubblecache.h"
#include "history/recentprojects.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

QString saveProject(const QString &path, Project project)
{
    return saveProjectFile(project, path).ok ? path : QString();
}

} // namespace

class TestRecentProjects : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        return saveProject(path, Project());
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        PluralTranslator::install();
    }
    void init() { QSettings().clear(); }

    // Random reopenings, spelt with other letter case and "." / ".." segments,
    // against a model that knows which project each spelling names.
    void listFollowsOpens()
    {
        QRandomGenerator random(1964);
        for (int i = 0; i < 14; ++i)
            QVERIFY(!file(QStringLiteral("p%1/pic%1.kvn").arg(i)).isEmpty());
        QList<int> model;
        for (int step = 0; step < 300; ++step) {
            const int n = random.bounded(14);
            QString spelling = QStringLiteral("p%1/pic%1.kvn").arg(n);
            if (random.bounded(2))
                spelling = QStringLiteral("p%1/./../p%1/PIC%1.KVN").arg(n);
            model.removeAll(n);
            if (random.bounded(3) == 0) {
                RecentProjects::removeRecent(m_dir.filePath(spelling));
            } else {
                RecentProjects::addRecent(m_dir.filePath(spelling));
                model = (QList<int>{n} + model).mid(0, RecentProjects::Limit);
            }
            QList<int> stored;
            for (const QString &path : RecentProjects::loadRecent()) {
                QVERIFY(path == QDir::cleanPath(path) && QFileInfo(path).isAbsolute());
                stored << QFileInfo(path).dir().dirName().mid(1).toInt();
            }
            QCOMPARE(stored, model);
        }
    }

    void labelsAndPruning()
    {
        const QStringList paths{file("a/x.kvn"), file("b/X.kvn"), file("c/y.kvn")};
        QCOMPARE(RecentProjects::labels(paths), (QStringList{"x.kvn (a)", "X.kvn (b)", "y.kvn"}));
        for (const QString &path : paths)
            RecentProjects::addRecent(path);
        QFile::remove(paths[1]);
        QCOMPARE(RecentProjects::pruneMissing(), (QStringList{paths[2], paths[0]}));
        QCOMPARE(RecentProjects::loadRecent(), (QStringList{paths[2], paths[0]}));
        RecentProjects::clearRecent();
        QVERIFY(RecentProjects::loadRecent().isEmpty());
    }

    void fitting_data() { addTextRows("history/recentprojects.txt", "fit"); }
    void fitting()
    {
        QFETCH(QStringList, row);
        const QSize picture(intsOf(row[0])[0], intsOf(row[0])[1]),
            fitted(intsOf(row[1])[0], intsOf(row[1])[1]);
        QCOMPARE(ProjectPreview::fitScale(picture, ProjectPreview::BubbleBox), fitted);

        // Enlarging keeps hard pixel edges; shrinking blends; the right size is untouched.
        QImage checker(picture, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                checker.setPixel(x, y, (x + y) % 2 ? 0xffffffff : 0xff000000);
        const QImage scaled = ProjectPreview::scaledPicture(checker, fitted);
        QCOMPARE(scaled.size(), fitted);
        if (fitted == picture)
            QCOMPARE(scaled.cacheKey(), checker.cacheKey());
        const int k = fitted.width() / picture.width();
        bool blended = false;
        for (int y = 0; y < fitted.height(); ++y)
            for (int x = 0; x < fitted.width(); ++x) {
                const QRgb c = scaled.pixel(x, y);
                blended |= c != 0xffffffff && c != 0xff000000;
                QVERIFY(k == 0 || c == checker.pixel(x / k, y / k));
            }
        QCOMPARE(blended, k == 0);
    }

    void previewDescribesTheSavedState_data()
    {
        addTextRows("history/recentprojects.txt", "preview");
    }
    void previewDescribesTheSavedState()
    {
        QFETCH(QStringList, row);
        const int mode = row[0].toInt(), undoTo = row[2].toInt();
        const QString &text = row[3];
        Project project(CanvasMode(mode), -1, -1, {}, row[1].toInt());
        for (int i = 0; i < 5 && undoTo > 0; ++i)
            testedits::paint(project, QRect(i * 3, i, 3 + i, 2), quint8(i + 2));
        while (project.history().position() > undoTo)
            project.history().undo(project);
        const QString path = saveProject(m_dir.filePath(QStringLiteral("state.kvn")), project);

        ProjectPreviewInfo info;
        QString error;
        QVERIFY(readProjectPreview(path, info, error));
        const QImage picture = ProjectPreview::previewPicture(info, 3);
        const int wide = mode == int(CanvasMode::Multicolor) ? 2 : 1;
        QCOMPARE(picture.size(), QSize(project.size().width() * wide, project.size().height()));
        for (int y = 0; y < picture.height(); y += 3)
            for (int x = 0; x < picture.width(); x += 5)
                QCOMPARE(picture.pixel(x, y), paletteRgb(3, project.colormap().pixel(x / wide, y)));
        QCOMPARE(ProjectPreview::previewMetadata(info, picture.size()), text);

        // The bubble carries the fitted picture and the same line.
        const QString html = ProjectPreview::recentBubbleHtml(path, 3);
        const QString head = QStringLiteral("<img src='data:image/png;base64,");
        QVERIFY(html.startsWith(head) && html.endsWith(QStringLiteral("'><br/>") + text));
        const QImage shown = QImage::fromData(
            QByteArray::fromBase64(html.mid(head.size()).section(u'\'', 0, 0).toLatin1()), "PNG");
        QCOMPARE(shown.size(), ProjectPreview::fitScale(picture.size(), ProjectPreview::BubbleBox));
    }

    void bubbleOfABadFileAndTheCache()
    {
        const QString bad = m_dir.filePath(QStringLiteral("bad.kvn"));
        QVERIFY(writeBytes(bad, "<not a project>"));
        ProjectPreviewInfo info;
        QString error;
        QVERIFY(!readProjectPreview(bad, info, error));
        QCOMPARE(ProjectPreview::recentBubbleHtml(bad, 0),
                 QStringLiteral("<p>%1</p>").arg(error.toHtmlEscaped()));

        // A file rewritten with the same size and time is taken as unchanged;
        // another palette or a new time builds the bubble again.
        Project red(CanvasMode::Multicolor), blue(CanvasMode::Multicolor);
        red.colormap().fill(2);
        blue.colormap().fill(6);
        const QString path = saveProject(m_dir.filePath(QStringLiteral("cached.kvn")), red);
        const QDateTime time = QFileInfo(path).lastModified();
        RecentBubbleCache cache;
        const QString redBubble = cache.bubbleFor(path, 0);
        const qint64 size = QFileInfo(path).size();
        QVERIFY(!saveProject(path, blue).isEmpty());
        const auto stamp = [&path](const QDateTime &at) {
            QFile touched(path);
            return touched.open(QIODevice::ReadWrite) &&
                   touched.setFileTime(at, QFileDevice::FileModificationTime);
        };
        QVERIFY(stamp(time));
        QCOMPARE(QFileInfo(path).size(), size);
        QCOMPARE(cache.bubbleFor(path, 0), redBubble);
        QVERIFY(stamp(time.addSecs(5)));
        const QString blueBubble = cache.bubbleFor(path, 0);
        QVERIFY(blueBubble != redBubble);
        QCOMPARE(blueBubble, ProjectPreview::recentBubbleHtml(path, 0));
        QVERIFY(cache.bubbleFor(path, 1) != blueBubble);
        QCOMPARE(cache.bubbleFor(path, 1), ProjectPreview::recentBubbleHtml(path, 1));
    }
};

QTEST_GUILESS_MAIN(TestRecentProjects)
#include "tst_recentprojects.moc"
