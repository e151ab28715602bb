#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QString>

class EditorSession;

// Export to Image: the canvas (or the selection) as a modern picture, or a
// bitmap canvas screen by screen in its C64 paint format.
class ExportImageFlow
{
    Q_DECLARE_TR_FUNCTIONS(ExportImageFlow)

public:
    explicit ExportImageFlow(EditorSession &session) : m_session(session) {}

    void run();
    // "Include all borders?"; false when cancelled, the answer in `include`
    // (and remembered).
    static bool askIncludeBorders(QWidget *parent, const QString &title, bool &include);

private:
    // Whether the canvas can be written as C64 paint files.
    bool nativeAvailable() const;
    void exportNative();
    void exportModern(bool withBorders);
    void cancelled() const;

    EditorSession &m_session;
};
