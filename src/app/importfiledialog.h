#pragma once

#include <QFileDialog>

class QLabel;

// The program's own file chooser with a preview pane at its right: the
// highlighted file's picture, fitted by whole factors where it can be, and
// a line about it. Subclasses say what a file looks like.
class ImportFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    static constexpr QSize PreviewBox{416, 284};

    ImportFileDialog(QWidget *parent, const QString &caption, const QString &directory,
                     const QString &filter);

    // The pane's picture and line, for a person or a test to look at.
    QLabel *previewLabel() const { return m_picture; }
    QLabel *infoLabel() const { return m_info; }

protected:
    // The picture of an existing file and its description (or the reader's
    // message with a null picture).
    virtual QImage previewFor(const QString &path, QString &info) const = 0;
    virtual QString noFileText() const;
    // Subclasses call this once they are ready to preview, and again with
    // previewedPath() when an option changes what the file looks like.
    void refreshPreview(const QString &path);
    QString previewedPath() const { return m_previewPath; }
    // Options of the chooser go under the preview.
    void addOption(QWidget *option);

private:
    class QVBoxLayout *m_pane = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_info = nullptr;
    QString m_previewPath;
};
