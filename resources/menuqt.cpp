#include "menuqt.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QString resourceText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

unsigned commandId(const QAction* action) {
    if (!action || action->isSeparator() || action->menu())
        return 0;
    bool ok = false;
    const unsigned id = action->data().toUInt(&ok);
    return ok ? id : 0;
}

// The command id travels in the action's data, so a copied or rebuilt menu
// keeps it without any table beside the menu.
void setCommandId(QAction* action, unsigned id) {
    action->setData(id);
}

QAction* appendCommand(QMenu* menu, const QString& text, unsigned id, bool checked) {
    QAction* action = menu->addAction(text);
    setCommandId(action, id);
    if (checked) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    return action;
}

void appendMenuItems(QMenu* menu, std::span<const MenuItemDef> items) {
    for (const MenuItemDef& item : items) {
        if (item.isSeparator()) {
            menu->addSeparator();
        } else if (item.isPopup()) {
            QMenu* popup = menu->addMenu(resourceText(item.text));
            appendMenuItems(popup, item.items);
        } else {
            appendCommand(menu, resourceText(item.text), item.id);
        }
    }
}

std::unique_ptr<QMenu> loadMenu(unsigned id, QWidget* parent) {
    const MenuResourceDef* def = findMenuResource(id);
    if (!def)
        return nullptr;
    auto bar = std::make_unique<QMenu>(resourceText(def->name), parent);
    appendMenuItems(bar.get(), def->popups);
    return bar;
}

QMenu* menuPopup(QMenu* bar, int index) {
    if (!bar || index < 0)
        return nullptr;
    const QList<QAction*> actions = bar->actions();
    if (index >= actions.size())
        return nullptr;
    return actions[index]->menu();
}

bool fillMenuBar(QMenuBar* bar, unsigned id) {
    const MenuResourceDef* def = findMenuResource(id);
    if (!def)
        return false;
    for (const MenuItemDef& popupDef : def->popups) {
        QMenu* popup = bar->addMenu(resourceText(popupDef.text));
        appendMenuItems(popup, popupDef.items);
    }
    return true;
}
