#pragma once

// The main window as the app tests drive it: a Save As chooser answered by
// the test, message boxes answered by a timer, and a one-node history edit.

#include "app/elidedlabel.h"
#include "app/firststart.h"
#include "app/mainwindow.h"
#include "rules/wholecanvasedits.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

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

// What the message boxes said while `act` ran, each answered with `answer`.
inline QStringList boxesDuring(QMessageBox::StandardButton answer, const std::function<void()> &act)
{
    BoxAnswerer boxes(answer);
    act();
    return boxes.texts;
}

// Runs `act` on the first modal dialog of type T that opens while it lives.
template <typename T> class WhenModal : public QObject
{
public:
    explicit WhenModal(std::function<void(T *)> act)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, act] {
            if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
                dialog && !seen) {
                seen = true;
                act(dialog);
            }
        });
        m_timer.start(10);
    }
    bool seen = false;

private:
    QTimer m_timer;
};

// Clicks a file in a chooser once the folder's listing has arrived.
inline void clickFile(QFileDialog *dialog, const QString &name)
{
    auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
    QModelIndex item;
    QVERIFY(QTest::qWaitFor([&] {
        item = list->model()
                   ->match(list->model()->index(0, 0, list->rootIndex()), Qt::DisplayRole, name, 1,
                           Qt::MatchExactly)
                   .value(0);
        return item.isValid();
    }));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(item).center());
}

// Picks `name` in the chooser of type T once it opens, after `first` has
// set the chooser up.
template <typename T>
WhenModal<T> choosing(const char *name, std::function<void(T *)> first = nullptr)
{
    return WhenModal<T>([name, first](T *dialog) {
        if (first)
            first(dialog);
        clickFile(dialog, QLatin1String(name));
        static_cast<QDialog *>(dialog)->accept();
    });
}

// Clicks the box's button with this text (mnemonics aside), or rejects the box.
inline void clickButton(QMessageBox *box, const char *text)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text().remove(u'&') == QLatin1String(text))
            button->click();
    if (box->isVisible())
        box->reject();
}

inline void recordEdit(Project &project)
{
    assignColorSlot(project, ColorSlot::Background,
                    quint8(project.slot(ColorSlot::Background) + 1));
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

// A box's button by the name a row of windowrows.txt gives it.
inline QMessageBox::StandardButton buttonOf(const QString &name)
{
    const QHash<QString, QMessageBox::StandardButton> buttons = {{"Save", QMessageBox::Save},
                                                                 {"Discard", QMessageBox::Discard},
                                                                 {"Cancel", QMessageBox::Cancel},
                                                                 {"Yes", QMessageBox::Yes}};
    return buttons.value(name, QMessageBox::NoButton);
}

// A row's field that reads "(hint)" stands for the first-start hint.
inline QString hintOr(const QString &field)
{
    return field == QLatin1String("(hint)") ? FirstStart::hint() : field;
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

inline bool shownAndActive(QWidget &window, QSize size = QSize(800, 600))
{
    if (!shownAndExposed(window, size))
        return false;
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

inline QString fieldText(const MainWindow &window, const char *name)
{
    return window.findChild<ElidedLabel *>(QLatin1String(name))->fullText();
}

inline QString statusText(const MainWindow &window)
{
    return fieldText(window, "statusMessage");
}

inline const QString Prompt =
    QStringLiteral("KORVEN|The project has been modified.\nDo you want to save your changes?");
