#include "elidedlabel.h"

#include <QEvent>
#include <QFontMetrics>

ElidedLabel::ElidedLabel(QWidget *parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // File names and messages are shown as typed, never read as markup.
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString &text)
{
    if (text == m_fullText)
        return;
    m_fullText = text;
    elide();
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void ElidedLabel::elide()
{
    const QFontMetrics metrics(font());
    const QString shown = metrics.elidedText(m_fullText, Qt::ElideRight, contentsRect().width());
    setText(shown);
    setToolTip(shown != m_fullText ? m_fullText : QString());
}
