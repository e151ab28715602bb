#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QString>

class ConvertImageDialog;
class EditorSession;

// Convert Image: choose a picture, bring it to the canvas's on-screen size,
// let the converter dialog work on it and apply its result as one edit.
class ConvertImageFlow
{
    Q_DECLARE_TR_FUNCTIONS(ConvertImageFlow)

public:
    explicit ConvertImageFlow(EditorSession &session) : m_session(session) {}

    void run();

private:
    QString choosePath() const;
    // The picture at the canvas's on-screen size; null when it failed or was cancelled.
    QImage loadScaled(const QString &path) const;
    void cancelled() const;
    // The palette strip and the slot bar, bound to the dialog's working copy.
    void addColorWidgets(ConvertImageDialog &dialog) const;

    EditorSession &m_session;
};
