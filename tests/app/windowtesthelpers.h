#pragma once

// The main window as the app tests drive it: a Save As chooser answered by
// the test, message boxes answered by a timer, and a one-node history edit.

#include "app/elidedlabel.h"
#include "app/firststart.h"
#include "app/mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

// A main window whose Save As chooser answers from the test.
class TestWindow : public MainWindow
{
public:
    QString chosenPath;
    QStringList proposals;

protected:
    QString chooseSavePath(const QString &proposedPath) override
    {
        proposals << proposedPath;
        return chosenPath;
    }
};

// Answers every message box that opens while it lives, noting what it said.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->windowTitle() + QLatin1Char('|') + box->text();
            looks << std::pair(box->icon(), box->defaultButton()
                                                ? box->standardButton(box->defaultButton())
                                                : QMessageBox::NoButton);
            // Never leave a box open: that would hang the test.
            (box->button(answer) ? box->button(answer) : box->buttons().constFirst())->click();
        });
        m_timer.start(10);
    }
    QStringList texts;
    QList<std::pair<QMessageBox::Icon, QMessageBox::StandardButton>> looks;

private:
    QTimer m_timer;
};

inline void recordEdit(Project &project)
{
    const quint8 old = project.slot(ColorSlot::Background);
    project.setSlot(ColorSlot::Background, quint8(old + 1));
    HistoryNode node;
    node.kind = HistoryEntryKind::AssignSlot;
    node.changes << HistoryChange::colorIndex(quint8(ColorSlot::Background), old, old + 1);
    project.history().push(node);
}

inline void recordEdit(MainWindow &window)
{
    recordEdit(window.project());
    window.updateWindowTitle();
}

// The window's entry with this text.
inline QAction *action(const MainWindow &window, const char *text)
{
    for (QAction *action : window.findChildren<QAction *>())
        if (action->text() == QLatin1String(text))
            return action;
    qFatal("no action %s", text);
}

// The window's entry with this object name.
inline QAction *entry(const QObject &window, const char *name)
{
    auto *found = window.findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

// Settings of the test's own, empty at the start of each test.
inline void freshSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
}

inline bool shownAndExposed(QWidget &window, QSize size = QSize(800, 600))
{
    window.resize(size);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

inline QString fieldText(const MainWindow &window, const char *name)
{
    return window.findChild<ElidedLabel *>(QLatin1String(name))->fullText();
}

inline const QString Prompt =
    QStringLiteral("KORVEN|The project has been modified.\nDo you want to save your changes?");
