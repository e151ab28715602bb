#include "mainactions.h"

#include "generalsettings.h"
#include "menutable.h"

#include "document/palette.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QSettings>
#include <QWidget>

namespace
{

QString translated(const char *text)
{
    return QCoreApplication::translate("MenuTable", text);
}

QList<QKeySequence> shortcutsOf(const MenuEntry &entry)
{
    QList<QKeySequence> keys;
    if (entry.standardKey != QKeySequence::UnknownKey)
        keys = QKeySequence::keyBindings(entry.standardKey);
    if (entry.keys) {
        for (const QString &key : QString::fromLatin1(entry.keys).split(QLatin1Char('|'))) {
            const QKeySequence sequence(key);
            if (!keys.contains(sequence))
                keys.append(sequence);
        }
    }
    return keys;
}

// Group values are small exact numbers or pixel aspects; compare them loosely.
bool sameValue(double a, double b)
{
    return qFuzzyCompare(a + 1.0, b + 1.0);
}

} // namespace

MainActions::MainActions(QWidget *window, QObject *canvas, QObject *paintSettings,
                         QMenuBar *menuBar)
    : QObject(window), m_window(window), m_canvas(canvas), m_paintSettings(paintSettings),
      m_menuBar(menuBar)
{
    for (const MenuEntry &entry : MenuTable::entries()) {
        addEntry(entry);
        if (entry.submenu && qstrcmp(entry.name, "paletteMenu") == 0)
            addPaletteEntries(m_actions.value(QLatin1String(entry.name))->menu());
    }
    for (const MenuEntry &entry : MenuTable::hiddenEntries())
        addEntry(entry);
    addPenColorKeys();
}

void MainActions::addEntry(const MenuEntry &entry)
{
    QMenu *parentMenu = entry.menu ? m_menus.value(QString::fromLatin1(entry.menu)) : nullptr;
    if (!entry.name) {
        if (parentMenu)
            parentMenu->addSeparator();
        return;
    }
    const QString name = QString::fromLatin1(entry.name);

    if (entry.submenu) {
        const QString path = parentMenu ? QString::fromLatin1(entry.menu) + QLatin1Char('>') +
                                              QString::fromLatin1(entry.text)
                                        : QString::fromLatin1(entry.text);
        QMenu *menu = parentMenu ? parentMenu->addMenu(translated(entry.text))
                                 : m_menuBar->addMenu(translated(entry.text));
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        menu->setToolTipsVisible(true);
        m_menus.insert(path, menu);
        m_actions.insert(name, menu->menuAction());
        return;
    }

    auto *action = new QAction(translated(entry.text), m_window);
    action->setObjectName(name);
    action->setShortcuts(shortcutsOf(entry));
    if (entry.appShortcut)
        action->setShortcutContext(Qt::ApplicationShortcut);
    if (entry.toolTip)
        action->setToolTip(translated(entry.toolTip));
    if (entry.check != EntryCheck::None) {
        action->setCheckable(true);
        action->setChecked(entry.check == EntryCheck::On);
    }
    if (entry.group) {
        const QString groupName = QString::fromLatin1(entry.group);
        QActionGroup *group = m_groups.value(groupName);
        if (!group) {
            group = new QActionGroup(this);
            group->setObjectName(groupName);
            m_groups.insert(groupName, group);
        }
        group->addAction(action);
    }
    if (entry.group || entry.data != 0)
        action->setData(entry.data);
    if (parentMenu)
        parentMenu->addAction(action);
    else
        m_window->addAction(action);
    m_actions.insert(name, action);
    connectEntry(entry, action);
}

void MainActions::addPaletteEntries(QMenu *menu)
{
    auto *group = new QActionGroup(this);
    group->setObjectName(QStringLiteral("palette"));
    m_groups.insert(group->objectName(), group);
    for (PaletteVariant variant : paletteVariants()) {
        QAction *action = menu->addAction(paletteVariantName(variant));
        action->setObjectName(QStringLiteral("palette%1").arg(variant));
        action->setCheckable(true);
        action->setData(double(variant));
        group->addAction(action);
        m_actions.insert(action->objectName(), action);
    }
    const MenuEntry entry{.group = "palette", .slot = "setPaletteVariant(QAction*)"};
    connectEntry(entry, group->actions().constFirst());
}

void MainActions::addPenColorKeys()
{
    for (int index = 0; index < 16; ++index) {
        auto *action = new QAction(tr("Pen Color %1").arg(index), m_window);
        action->setObjectName(QStringLiteral("penColor%1").arg(index));
        const QString key = QString::number(index % 8 + 1);
        action->setShortcut(QKeySequence(index < 8 ? key : QStringLiteral("Shift+") + key));
        connect(action, &QAction::triggered, this, [this, index] { emit penColorChosen(index); });
        m_window->addAction(action);
        m_actions.insert(action->objectName(), action);
    }
}

QObject *MainActions::receiver(EntryTarget target) const
{
    switch (target) {
    case EntryTarget::Canvas:
        return m_canvas;
    case EntryTarget::Paint:
        return m_paintSettings;
    case EntryTarget::Application:
        return qApp;
    case EntryTarget::Window:
        break;
    }
    return m_window;
}

void MainActions::connectEntry(const MenuEntry &entry, QAction *action)
{
    if (!entry.slot)
        return;
    QObject *target = receiver(entry.target);
    const int index = target->metaObject()->indexOfSlot(entry.slot);
    if (index < 0) {
        // The command arrives with a later part of the program; until then the
        // entry shows where it will be, greyed.
        m_unavailable.insert(action->objectName());
        action->setEnabled(false);
        return;
    }
    const QMetaMethod slot = target->metaObject()->method(index);
    if (slot.parameterCount() == 0) {
        connect(action, QMetaMethod::fromSignal(&QAction::triggered), target, slot);
    } else if (slot.parameterMetaType(0) == QMetaType::fromType<bool>()) {
        connect(action, QMetaMethod::fromSignal(&QAction::toggled), target, slot);
        // The receiver starts from the entry's own check state.
        slot.invoke(target, Q_ARG(bool, action->isChecked()));
    } else if (slot.parameterMetaType(0) == QMetaType::fromType<QAction *>()) {
        QActionGroup *group = action->actionGroup();
        if (group && !m_connectedGroups.contains(group)) {
            m_connectedGroups.insert(group);
            connect(group, QMetaMethod::fromSignal(&QActionGroup::triggered), target, slot);
        }
    } else {
        // One value argument, an enumeration or an integer: the entry's data.
        connect(action, &QAction::triggered, target, [target, slot, action] {
            int value = action->data().toInt();
            slot.invoke(target, QGenericArgument(slot.parameterTypeName(0).constData(), &value));
        });
    }
}

QAction *MainActions::action(const QString &name) const
{
    return m_actions.value(name);
}

void MainActions::setAvailableEnabled(const QString &name, bool enabled)
{
    if (QAction *entry = m_actions.value(name))
        entry->setEnabled(enabled && !m_unavailable.contains(name));
}

void MainActions::checkValue(const QString &groupName, double value)
{
    if (QActionGroup *group = m_groups.value(groupName)) {
        // Group commands run on triggered(), which checking does not emit, so
        // the group keeps itself exclusive and no command runs.
        for (QAction *member : group->actions()) {
            if (sameValue(member->data().toDouble(), value)) {
                member->setChecked(true);
                return;
            }
        }
    }
}

double MainActions::checkedValue(const QString &groupName, double fallback) const
{
    const QActionGroup *group = m_groups.value(groupName);
    const QAction *checked = group ? group->checkedAction() : nullptr;
    return checked ? checked->data().toDouble() : fallback;
}

void MainActions::applyRules(const ActionState &state)
{
    for (const MenuEntry &entry : MenuTable::entries()) {
        if (entry.rule != EntryRule::Always && entry.rule != EntryRule::History)
            setAvailableEnabled(QLatin1String(entry.name), ActionRules::holds(entry.rule, state));
    }
}

void MainActions::readSetting(const QString &key)
{
    const QSettings settings;
    const QVariant stored = settings.value(key);
    QList<std::pair<QAction *, bool>> members; // with the table's first check
    for (const MenuEntry &entry : MenuTable::entries()) {
        if (!entry.settingsKey || key != QLatin1String(entry.settingsKey))
            continue;
        QAction *entryAction = m_actions.value(QString::fromLatin1(entry.name));
        if (!entry.group) {
            entryAction->setChecked(GeneralSettings::toBool(stored, entry.check == EntryCheck::On));
            return;
        }
        members.append({entryAction, entry.check == EntryCheck::On});
    }
    double value = 0.0;
    bool ok = false;
    if (stored.isValid())
        value = stored.toDouble(&ok);
    for (const auto &[member, checkedFirst] : std::as_const(members)) {
        // Without a readable value the member the table checks first is meant.
        if (ok ? sameValue(member->data().toDouble(), value) : checkedFirst) {
            // Triggering checks it and runs the group's command.
            member->trigger();
            return;
        }
    }
    // A group is exclusive against the user's clicks only; it can be emptied here.
    for (const auto &member : std::as_const(members))
        member.first->setChecked(false);
}

void MainActions::writeSetting(const QString &key) const
{
    QSettings settings;
    for (const MenuEntry &entry : MenuTable::entries()) {
        if (!entry.settingsKey || key != QLatin1String(entry.settingsKey))
            continue;
        const QAction *entryAction = m_actions.value(QString::fromLatin1(entry.name));
        // A group's key is written by its checked member; an unchecked group keeps
        // what was stored.
        if (!entry.group) {
            settings.setValue(key, entryAction->isChecked());
            return;
        }
        if (entryAction->isChecked()) {
            settings.setValue(key, entry.data);
            return;
        }
    }
}
