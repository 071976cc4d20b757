// Qt menus built from the menu resources of menus.h.
//
// Every command action carries its command id (commandId), so whoever
// receives the chosen action knows the command exactly as the resource
// numbers it. Popups are actions with a submenu; separators are separators.
#pragma once

#include "menus.h"

#include <QString>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The command id an action carries; 0 for separators, popups and foreign actions.
unsigned commandId(const QAction* action);
void setCommandId(QAction* action, unsigned id);

// The menu resource as a bar: one action with a submenu per popup.
// nullptr when there is no menu resource of that id.
std::unique_ptr<QMenu> loadMenu(unsigned id, QWidget* parent = nullptr);

// The popup at index of a bar made by loadMenu; nullptr when out of range.
QMenu* menuPopup(QMenu* bar, int index);

// Appends the entries to the menu: commands, separators, popups (recursively).
void appendMenuItems(QMenu* menu, std::span<const MenuItemDef> items);

// Fills a window's menu bar with the popups of a menu resource; false when
// there is no such resource.
bool fillMenuBar(QMenuBar* bar, unsigned id);

// Appends a command entry with that id, with a check mark when checked is set.
QAction* appendCommand(QMenu* menu, const QString& text, unsigned id, bool checked = false);

// Converts a resource text (UTF-8) to a QString.
QString resourceText(std::string_view text);
