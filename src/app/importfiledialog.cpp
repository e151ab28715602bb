#include "importfiledialog.h"

#include "history/projectpreview.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

ImportFileDialog::ImportFileDialog(QWidget *parent, const QString &caption,
                                   const QString &directory, const QString &filter)
    : QFileDialog(parent, caption, directory, filter)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);

    auto *pane = m_pane = new QVBoxLayout;
    pane->setContentsMargins(12, 0, 0, 0);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("previewPicture"));
    m_picture->setMinimumSize(PreviewBox);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameStyle(QFrame::StyledPanel);
    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("previewInfo"));
    m_info->setWordWrap(true);
    m_info->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    pane->addWidget(m_picture);
    pane->addWidget(m_info);
    pane->addStretch();
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addLayout(pane, 0, grid->columnCount(), grid->rowCount(), 1);

    connect(this, &QFileDialog::currentChanged, this, &ImportFileDialog::refreshPreview);
    resize(1040, 560);
}

void ImportFileDialog::addOption(QWidget *option)
{
    m_pane->insertWidget(m_pane->count() - 1, option);
}

QString ImportFileDialog::noFileText() const
{
    return tr("Select a file to preview it.");
}

void ImportFileDialog::refreshPreview(const QString &path)
{
    m_previewPath = path;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        m_picture->clear();
        m_info->setText(noFileText());
        return;
    }
    QString info;
    const QImage picture = previewFor(path, info);
    m_info->setText(info);
    if (picture.isNull()) {
        m_picture->clear();
        return;
    }
    const QSize size = ProjectPreview::fitScale(picture.size(), PreviewBox);
    m_picture->setPixmap(QPixmap::fromImage(ProjectPreview::scaledPicture(picture, size)));
}
