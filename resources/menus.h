// Menus, accelerators and strings of the offline scanner as plain data.
//
// A menu resource is a bar of popups, as the platform's menu resources are:
// the "MAP" and "LISTCTRL" context menus are each a bar holding one popup.
// Texts carry their "&" mnemonic and, after a tab, the shortcut label, exactly
// as shown to the user. Qt-free; menuqt.h turns them into QMenus.
#pragma once

#include <span>
#include <string_view>

struct MenuItemDef {
    std::string_view text;                // empty for a separator
    unsigned id = 0;                      // command id; 0 for separators and popups
    std::span<const MenuItemDef> items{}; // entries of a popup; empty for a command

    bool isSeparator() const { return text.empty() && items.empty(); }
    bool isPopup() const { return !items.empty(); }
};

struct MenuResourceDef {
    unsigned id = 0;
    std::string_view name;               // the resource's name, "MAP", "LISTCTRL"
    std::span<const MenuItemDef> popups; // the bar: one entry per popup
};

// The menu resource of that id, or nullptr when there is none (callers show
// "Unable to load menu resource" then).
const MenuResourceDef* findMenuResource(unsigned id);

// Every menu resource, for tests and for building menus up front.
std::span<const MenuResourceDef> menuResources();

// One keyboard shortcut of an accelerator table. The keys are written in
// Qt's portable key-sequence text ("Ctrl+O", "Alt+Backspace", "Shift+F6").
struct AcceleratorDef {
    std::string_view keys;
    unsigned command = 0;
};

// The accelerator table of that id (the main window's is 128); empty when
// there is none.
std::span<const AcceleratorDef> findAccelerators(unsigned id);

// The string resource of that id; empty when there is none.
std::string_view resourceString(unsigned id);
