#pragma once

#include <QObject>
#include <QPointer>

class QProgressDialog;

// Keeps the user's input away from every window while a project is read or
// written in the background, except from the progress dialog and its Cancel.
// Painting, resizing and timers pass, so the windows stay alive. Installed
// on the application for its own lifetime.
class FileTaskInputBlocker : public QObject
{
public:
    explicit FileTaskInputBlocker(QProgressDialog *dialog);
    ~FileTaskInputBlocker() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool belongsToDialog(QObject *receiver) const;

    QPointer<QProgressDialog> m_dialog;
};
