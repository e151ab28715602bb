#pragma once

#include <QWidget>

class QTextBrowser;

// Help -> User Manual: the manual that comes with the program, in a window
// of its own beside the editor.
class UserManualWindow : public QWidget
{
    Q_OBJECT

public:
    explicit UserManualWindow(QWidget *parent = nullptr);

    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser = nullptr;
};
