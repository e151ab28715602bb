// A small window that drags the file named on its command line, so a
// session under Xvfb can drop a project on KORVEN as from a file manager.
// Press in the window and drag out of it.
//
//   drag_source FILE

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace
{

class DragSource : public QLabel
{
public:
    explicit DragSource(const QString &path) : QLabel(path), m_path(path)
    {
        setMinimumSize(220, 80);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(m_path)});
        auto *drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
    }

private:
    QString m_path;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    DragSource source(QString::fromLocal8Bit(argv[1]));
    source.setWindowTitle(QStringLiteral("drag source"));
    source.show();
    return app.exec();
}
