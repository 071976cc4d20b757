// The menus, accelerators and strings as the user and the list control see them.
#include "menuqt.h"
#include "menus.h"
#include "resource.h"

#include "commandrouting.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace {

QStringList sl(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts)
        list.append(QString::fromUtf8(t));
    return list;
}

// ---- Data ----------------------------------------------------------------------

TEST(MenuData, EveryMenuTheProgramLoadsIsThere) {
    ASSERT_NE(findMenuResource(IDR_MAINFRAME), nullptr);
    ASSERT_NE(findMenuResource(318), nullptr);
    ASSERT_NE(findMenuResource(319), nullptr);
    EXPECT_EQ(findMenuResource(318)->name, "MAP");
    EXPECT_EQ(findMenuResource(319)->name, "LISTCTRL");
    EXPECT_EQ(findMenuResource(0), nullptr);
    ASSERT_NE(findMenuResource(IDR_OUTGOING), nullptr);
    EXPECT_EQ(findMenuResource(IDR_OUTGOING)->name, "OUTGOING");
    EXPECT_EQ(findMenuResource(321), nullptr);
    EXPECT_EQ(menuResources().size(), 4u);
}

TEST(MenuData, ListMenuTextsEndInTheirCommandKeys) {
    const MenuResourceDef* list = findMenuResource(IDR_LISTCTRL);
    ASSERT_EQ(list->popups.size(), 1u);
    std::string keys;
    // Depth-first, in menu order, exactly as the list control copies them.
    auto walk = [&](auto&& self, std::span<const MenuItemDef> items) -> void {
        for (const MenuItemDef& item : items) {
            if (item.isPopup())
                self(self, item.items);
            else if (!item.isSeparator())
                keys += item.text.back();
        }
    };
    walk(walk, list->popups[0].items);
    EXPECT_EQ(keys, "EPAIR123498");
}

TEST(MenuData, AcceleratorsParseAndEachKeyHasOneCommand) {
    std::map<std::string_view, unsigned> table;
    for (const AcceleratorDef& a : findAccelerators(IDR_MAINFRAME)) {
        EXPECT_TRUE(table.emplace(a.keys, a.command).second) << "twice: " << a.keys;
        // Every key text must parse, or the shortcut would silently vanish.
        EXPECT_FALSE(
            QKeySequence::fromString(resourceText(a.keys), QKeySequence::PortableText).isEmpty())
            << a.keys;
    }
    const std::map<std::string_view, unsigned> expected = {
        {"Ctrl+N", 57600}, {"Ctrl+O", 57601},        {"Ctrl+S", 57603},       {"Ctrl+P", 57607},
        {"Ctrl+Z", 57643}, {"Alt+Backspace", 57643}, {"Ctrl+X", 57635},       {"Shift+Del", 57635},
        {"Ctrl+C", 57634}, {"Ctrl+Ins", 57634},      {"Ctrl+V", 57637},       {"Shift+Ins", 57637},
        {"F6", 57680},     {"Shift+F6", 57681},      {"Ctrl+Shift+F", 57636}, {"F3", 57640},
    };
    EXPECT_EQ(table, expected);
    EXPECT_TRUE(findAccelerators(IDR_MAP).empty());
}

// ---- Qt menus ----------------------------------------------------------------

TEST(QtMenus, MainMenuBarShowsFileEditAndHelp) {
    QMenuBar bar;
    ASSERT_TRUE(fillMenuBar(&bar, IDR_MAINFRAME));
    ASSERT_EQ(bar.actions().size(), 3);
    QMenu* file = bar.actions()[0]->menu();
    QMenu* help = bar.actions()[2]->menu();
    EXPECT_EQ(bar.actions()[0]->text(), "&File");
    EXPECT_EQ(bar.actions()[1]->text(), "&Edit");
    EXPECT_EQ(bar.actions()[2]->text(), "&Help");
    const MenuSnapshot editSnap = snapshotMenu(bar.actions()[1]->menu());
    EXPECT_EQ(
        editSnap.texts(),
        sl({"&Undo Scan\tCtrl+Z", "-", "&Find Volume...\tCtrl+Shift+F", "Find &Next\tF3", "-",
            "&Return to Incoming", "&Check Outgoing...", "C&lear Check Marks", "Shelf &Audit..."}));
    EXPECT_EQ(editSnap.items[0].id, ID_EDIT_UNDO);
    EXPECT_EQ(editSnap.items[3].id, ID_EDIT_REPEAT);
    EXPECT_EQ(editSnap.items[8].id, ID_SHELF_AUDIT);
    const MenuSnapshot fileSnap = snapshotMenu(file);
    EXPECT_EQ(fileSnap.texts(),
              sl({"&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-", "E&xit"}));
    EXPECT_EQ(fileSnap.items[0].id, ID_FILE_OPEN);
    EXPECT_EQ(fileSnap.items[1].id, ID_FILE_SAVE);
    EXPECT_EQ(fileSnap.items[2].id, ID_FILE_SAVE_AS);
    EXPECT_TRUE(fileSnap.items[3].separator);
    EXPECT_EQ(fileSnap.items[4].id, ID_APP_EXIT);
    const MenuSnapshot helpSnap = snapshotMenu(help);
    EXPECT_EQ(helpSnap.texts(), sl({"&About Strovane Offline Scanner..."}));
    EXPECT_EQ(helpSnap.items[0].id, ID_APP_ABOUT);
    EXPECT_FALSE(fillMenuBar(&bar, 4242));
    EXPECT_EQ(bar.actions().size(), 3);
}

TEST(QtMenus, MapMenuHasTheSlottingCommands) {
    std::unique_ptr<QMenu> bar = loadMenu(IDR_MAP);
    ASSERT_TRUE(bar);
    QMenu* popup = menuPopup(bar.get(), 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(menuPopup(bar.get(), 1), nullptr);
    EXPECT_EQ(menuPopup(bar.get(), -1), nullptr);
    const MenuSnapshot snap = snapshotMenu(popup);
    EXPECT_EQ(snap.texts(),
              sl({"Scan Incoming", "Slot Select", "-", "&Return to Incoming", "Shelf &Audit..."}));
    EXPECT_EQ(snap.items[0].id, ID_SCAN_INCOMING);
    EXPECT_EQ(snap.items[3].id, ID_VOLUME_RETURN);
    EXPECT_EQ(snap.items[4].id, ID_SHELF_AUDIT);
    const MenuSnapshot* slotSelect = snap.find(sl({"Slot Select"}));
    ASSERT_NE(slotSelect, nullptr);
    EXPECT_EQ(slotSelect->id, 0u); // a popup carries no command
    EXPECT_EQ(slotSelect->texts(), sl({"&First Available", "&IntelliSlot"}));
    EXPECT_EQ(slotSelect->items[0].id, 32772u);
    EXPECT_EQ(slotSelect->items[1].id, 32773u);
}

TEST(QtMenus, ListMenuKeepsTabsMnemonicsAndNesting) {
    std::unique_ptr<QMenu> bar = loadMenu(IDR_LISTCTRL);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->actions()[0]->text(), "LISTCTRL");
    const MenuSnapshot snap = snapshotMenu(menuPopup(bar.get(), 0));
    EXPECT_EQ(snap.texts(), sl({"&Export \tCtrl+E", "&Print\tCtrl+P", "Select", "View"}));
    EXPECT_EQ(snap.find(sl({"Select"}))->texts(),
              sl({"All\tCtrl+A", "Invert\tCtrl+I", "Random\tCtrl+R"}));
    EXPECT_EQ(
        snap.find(sl({"View"}))->texts(),
        sl({"Icon\tCtrl+1", "List\tCtrl+2", "Report\tCtrl+3", "Small Icon\tCtrl+4", "Extras"}));
    EXPECT_EQ(snap.find(sl({"View", "Extras"}))->texts(),
              sl({"&Display GridLines\tCtrl+9", "Display Pyjama Paper Style\tCtrl+8"}));
    EXPECT_EQ(loadMenu(4242), nullptr);
}

TEST(QtMenus, AppendedCommandsCarryIdAndCheckMark) {
    QMenu menu;
    QAction* plain = appendCommand(&menu, "Zone", 57344);
    QAction* checked = appendCommand(&menu, "Report\tCtrl+3", 57345, true);
    EXPECT_EQ(commandId(plain), 57344u);
    EXPECT_EQ(commandId(checked), 57345u);
    const MenuSnapshot snap = snapshotMenu(&menu);
    EXPECT_FALSE(snap.items[0].checked);
    EXPECT_TRUE(snap.items[1].checked);
    EXPECT_EQ(commandId(nullptr), 0u);
    EXPECT_EQ(commandId(menu.addSeparator()), 0u);
    EXPECT_EQ(commandId(menu.addMenu("Popup")->menuAction()), 0u);
    QAction foreign("foreign");
    EXPECT_EQ(commandId(&foreign), 0u);
}

} // namespace
