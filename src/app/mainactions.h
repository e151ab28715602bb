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
// wires each entry to its slot on the window, the canvas or the application,
// and keeps the enabling rules and the persisted check states.
class MainActions : public QObject
{
    Q_OBJECT

public:
    MainActions(QWidget *window, QObject *canvas, QMenuBar *menuBar);

    // By object name; sub-menus answer with their menu action.
    QAction *action(const QString &name) const;
    QActionGroup *group(const QString &name) const;
    QMenu *menu(const QString &name) const;
    // Whether the entry's command exists in this build; the others stay disabled.
    bool isAvailable(const QString &name) const;
    // Enables an available entry.
    void setAvailableEnabled(const QString &name, bool enabled);

    // Checks the member of `group` whose data is `value`, without running its slot.
    void checkValue(const QString &group, double value);
    double checkedValue(const QString &group) const;

    void applyRules(const ActionState &state);
    void readSettings();
    void writeSettings() const;

signals:
    // A pen colour key: colour index 0..15.
    void penColorChosen(int index);

private:
    QMenu *menuFor(const QString &path);
    void addEntry(const MenuEntry &entry);
    void addPaletteEntries();
    void addPenColorKeys();
    void connectEntry(const MenuEntry &entry, QAction *action);
    QObject *receiver(EntryTarget target) const;

    QWidget *m_window = nullptr;
    QObject *m_canvas = nullptr;
    QMenuBar *m_menuBar = nullptr;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QActionGroup *> m_groups;
    QHash<QString, QMenu *> m_menus;      // by path
    QHash<QString, QMenu *> m_namedMenus; // by object name
    QHash<QString, MenuEntry> m_entries;  // by object name
    QSet<QString> m_unavailable;
    QSet<QActionGroup *> m_connectedGroups;
};
