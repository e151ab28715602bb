#pragma once

#include "actionrules.h"
#include "menuentry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QWidget;

// Builds the main window's menus and hidden actions from the menu table,
// wires each entry to its slot on the window, the canvas, the paint settings
// or the application,
// and keeps the enabling rules and the persisted check states.
class MainActions : public QObject
{
    Q_OBJECT

public:
    MainActions(QWidget *window, QObject *canvas, QObject *paintSettings, QMenuBar *menuBar);

    // By object name; sub-menus answer with their menu action.
    QAction *action(const QString &name) const;
    // Enables an entry whose command exists in this build; the others stay greyed.
    void setAvailableEnabled(const QString &name, bool enabled);

    // Checks the member of `group` whose data is `value`, without running its slot.
    void checkValue(const QString &group, double value);
    // The checked member's data; `fallback` when none is checked.
    double checkedValue(const QString &group, double fallback = 0.0) const;

    void applyRules(const ActionState &state);
    // Restores the entry or group persisted under `key`: a toggle is checked
    // from it, and the group member whose data equals it is checked and
    // triggered. A value no member carries leaves the whole group unchecked.
    void readSetting(const QString &key);
    void writeSetting(const QString &key) const;

signals:
    // A pen colour key: colour index 0..15.
    void penColorChosen(int index);

private:
    void addEntry(const MenuEntry &entry);
    void addPaletteEntries(QMenu *menu);
    void addPenColorKeys();
    void connectEntry(const MenuEntry &entry, QAction *action);
    QObject *receiver(EntryTarget target) const;

    QWidget *m_window = nullptr;
    QObject *m_canvas = nullptr;
    QObject *m_paintSettings = nullptr;
    QMenuBar *m_menuBar = nullptr;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QActionGroup *> m_groups;
    QHash<QString, QMenu *> m_menus; // by path
    QSet<QString> m_unavailable;
    QSet<QActionGroup *> m_connectedGroups;
};
