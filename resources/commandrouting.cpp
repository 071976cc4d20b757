#include "commandrouting.h"

#include "menuqt.h"
#include "menus.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>
#include <map>

// ---- Command events ----------------------------------------------------------

CommandEvent::CommandEvent(unsigned id) : QEvent(eventType()), m_nId(id) {
    // A target that does not know the command leaves it unaccepted.
    setAccepted(false);
}

QEvent::Type CommandEvent::eventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool sendCommand(QObject* target, unsigned id) {
    if (!target || id == 0)
        return false;
    CommandEvent event(id);
    QCoreApplication::sendEvent(target, &event);
    return event.isAccepted();
}

void routeMenuCommands(QMenu* menu, QObject* target) {
    // QMenu::triggered also fires for the entries of its submenus.
    QObject::connect(menu, &QMenu::triggered, target,
                     [target](QAction* action) { sendCommand(target, commandId(action)); });
}

// ---- Popup tracking --------------------------------------------------------------

namespace {

class InteractiveMenuTracker final : public PopupMenuTracker {
  public:
    QAction* track(QMenu* menu, const QPoint& globalPos) override { return menu->exec(globalPos); }
};

InteractiveMenuTracker g_interactiveTracker;
Seam<PopupMenuTracker> g_tracker(g_interactiveTracker);

QAction* findAction(const QMenu* menu, unsigned id) {
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = findAction(sub, id))
                return found;
        } else if (commandId(action) == id) {
            return action;
        }
    }
    return nullptr;
}

QAction* findAction(const QMenu* menu, const QStringList& path) {
    const QMenu* level = menu;
    for (qsizetype i = 0; i < path.size() && level; ++i) {
        QAction* match = nullptr;
        for (QAction* action : level->actions())
            if (!action->isSeparator() && action->text() == path[i]) {
                match = action;
                break;
            }
        if (!match)
            return nullptr;
        if (i + 1 == path.size())
            return match->menu() ? nullptr : match;
        level = match->menu();
    }
    return nullptr;
}

} // namespace

PopupMenuTracker* setPopupMenuTracker(PopupMenuTracker* tracker) {
    return g_tracker.replace(tracker);
}

unsigned trackPopupMenu(QMenu* menu, const QPoint& globalPos, QObject* target) {
    if (!menu)
        return 0;
    const unsigned id = commandId(g_tracker.current().track(menu, globalPos));
    if (id != 0)
        sendCommand(target, id);
    return id;
}

// ---- Accelerators ------------------------------------------------------------------

void installAccelerators(QWidget* window, unsigned tableId, QObject* target) {
    // One action per command, holding all of its shortcuts: two actions with
    // the same key would make the key ambiguous and neither would fire.
    std::map<unsigned, QList<QKeySequence>> shortcuts;
    for (const AcceleratorDef& accel : findAccelerators(tableId))
        shortcuts[accel.command].append(
            QKeySequence::fromString(resourceText(accel.keys), QKeySequence::PortableText));
    for (const auto& [id, keys] : shortcuts) {
        auto* action = new QAction(window);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        setCommandId(action, id);
        QObject::connect(action, &QAction::triggered, target,
                         [target, id = id] { sendCommand(target, id); });
        window->addAction(action);
    }
}

// ---- Snapshots and the scripted tracker -------------------------------------------

MenuSnapshot snapshotMenu(const QMenu* menu) {
    MenuSnapshot snapshot;
    if (!menu)
        return snapshot;
    snapshot.text = menu->title();
    snapshot.enabled = menu->isEnabled();
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            MenuSnapshot separator;
            separator.separator = true;
            snapshot.items.push_back(separator);
        } else if (const QMenu* sub = action->menu()) {
            MenuSnapshot popup = snapshotMenu(sub);
            popup.text = action->text();
            popup.enabled = action->isEnabled();
            snapshot.items.push_back(std::move(popup));
        } else {
            MenuSnapshot entry;
            entry.text = action->text();
            entry.id = commandId(action);
            entry.checked = action->isCheckable() && action->isChecked();
            entry.enabled = action->isEnabled();
            snapshot.items.push_back(std::move(entry));
        }
    }
    return snapshot;
}

const MenuSnapshot* MenuSnapshot::find(const QStringList& path) const {
    const MenuSnapshot* level = this;
    for (const QString& text : path) {
        const MenuSnapshot* match = nullptr;
        for (const MenuSnapshot& item : level->items)
            if (!item.separator && item.text == text) {
                match = &item;
                break;
            }
        if (!match)
            return nullptr;
        level = match;
    }
    return level;
}

QStringList MenuSnapshot::texts() const {
    QStringList result;
    for (const MenuSnapshot& item : items)
        result.append(item.separator ? QStringLiteral("-") : item.text);
    return result;
}

QAction* ScriptedMenuTracker::track(QMenu* menu, const QPoint& globalPos) {
    shown.push_back({snapshotMenu(menu), globalPos});
    if (m_choices.empty())
        return nullptr;
    const Choice choice = m_choices.front();
    m_choices.pop_front();
    if (choice.id == 0 && choice.path.isEmpty())
        return nullptr; // dismissed
    QAction* action = choice.id != 0 ? findAction(menu, choice.id) : findAction(menu, choice.path);
    if (!action || !action->isEnabled()) {
        errors.append(choice.id != 0 ? QStringLiteral("no enabled entry with id %1").arg(choice.id)
                                     : QStringLiteral("no enabled entry %1")
                                           .arg(choice.path.join(QStringLiteral(" > "))));
        return nullptr;
    }
    // A real menu triggers the chosen entry (toggling a checkable one).
    action->trigger();
    return action;
}
