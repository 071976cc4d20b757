// The context menu, its generated ids and dispatch, and the Ctrl-key commands.
#include "commandrouting.h"
#include "kvltheaderctrl.h"
#include "messagebox.h"
#include "resource.h"
#include "taskdialog.h"
#include "testlist.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The repository map's set-up: owner menu "MAP", the list menu, six columns.
struct MapWindow : ListWindow {
    MapWindow() : ListWindow(30, 0) {
        for (const char* title : {"Zone", "Seq.", "Source", "Target", "Volume", "Assigned"})
            list->InsertColumn(list->GetColumnCount(), title);
        list->m_nListMenuId = IDR_LISTCTRL;
        list->SetContextMenu(IDR_MAP, 0, list, 0, nullptr);
    }
    MenuSnapshot menu() {
        std::unique_ptr<QMenu> popup = list->BuildContextMenu();
        return snapshotMenu(popup.get());
    }
};

QStringList texts(const MenuSnapshot* menu) {
    return menu ? menu->texts() : QStringList{"?"};
}

TEST(ContextMenu, MapMenuStructureAndIds) {
    MapWindow w;
    const MenuSnapshot menu = w.menu();
    EXPECT_EQ(menu.texts(), QStringList({"Scan Incoming", "Slot Select", "-", "&Return to Incoming",
                                         "Shelf &Audit...", "-", "Copy Column", "&Export \tCtrl+E",
                                         "&Print\tCtrl+P", "Select", "View"}));
    EXPECT_EQ(menu.find({"Scan Incoming"})->id, ID_SCAN_INCOMING);
    EXPECT_EQ(texts(menu.find({"Slot Select"})), QStringList({"&First Available", "&IntelliSlot"}));
    EXPECT_EQ(menu.find({"Slot Select", "&IntelliSlot"})->id, ID_SLOTSELECT_INTELLISLOT);

    const MenuSnapshot* copy = menu.find({"Copy Column"});
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->texts(),
              QStringList({"Zone", "Seq.", "Source", "Target", "Volume", "Assigned"}));
    for (unsigned i = 0; i < 6; ++i)
        EXPECT_EQ(copy->items[i].id, 57344 + i);
    EXPECT_EQ(menu.find({"&Export \tCtrl+E"})->id, 57350u);
    EXPECT_EQ(menu.find({"&Print\tCtrl+P"})->id, 57351u);
    EXPECT_EQ(texts(menu.find({"Select"})),
              QStringList({"All\tCtrl+A", "Invert\tCtrl+I", "Random\tCtrl+R"}));
    EXPECT_EQ(menu.find({"Select", "All\tCtrl+A"})->id, 57352u);
    EXPECT_EQ(menu.find({"Select", "Random\tCtrl+R"})->id, 57354u);
    EXPECT_EQ(texts(menu.find({"View"})),
              QStringList({"Icon\tCtrl+1", "List\tCtrl+2", "Report\tCtrl+3", "Small Icon\tCtrl+4",
                           "Extras"}));
    EXPECT_EQ(texts(menu.find({"View", "Extras"})),
              QStringList({"&Display GridLines\tCtrl+9", "Display Pyjama Paper Style\tCtrl+8"}));
    EXPECT_EQ(menu.find({"View", "Icon\tCtrl+1"})->id, 57355u);
    EXPECT_EQ(menu.find({"View", "Extras", "Display Pyjama Paper Style\tCtrl+8"})->id, 57360u);

    // The keys each generated entry stands for.
    EXPECT_EQ(w.list->m_mapCommandKeys.value(57350), 'E');
    EXPECT_EQ(w.list->m_mapCommandKeys.value(57353), 'I');
    EXPECT_EQ(w.list->m_mapCommandKeys.value(57359), '9');
    EXPECT_EQ(w.list->m_mapCopyColumn.value(57349), 5u);
    EXPECT_EQ(w.list->m_nNextCommandId, 57361u);

    // Built again: the same ids.
    const MenuSnapshot again = w.menu();
    EXPECT_EQ(again.find({"Copy Column"})->items[0].id, 57344u);
    EXPECT_EQ(again.find({"View", "Extras", "Display Pyjama Paper Style\tCtrl+8"})->id, 57360u);
    EXPECT_EQ(w.list->m_mapCommandKeys.size(), 11);
}

TEST(ContextMenu, CheckMarksFollowViewGridAndPyjama) {
    MapWindow w;
    auto checked = [&](const MenuSnapshot& m) {
        QStringList on;
        for (const MenuSnapshot& e : m.find({"View"})->items)
            if (e.checked)
                on << e.text;
        for (const MenuSnapshot& e : m.find({"View", "Extras"})->items)
            if (e.checked)
                on << e.text;
        return on;
    };
    EXPECT_EQ(checked(w.menu()), QStringList({"Report\tCtrl+3"}));
    w.list->SetView(CKVLTListCtrl::LVS_SMALLICON);
    w.list->ExecuteCommandKey('8');
    w.list->ExecuteCommandKey('9');
    EXPECT_EQ(checked(w.menu()), QStringList({"Small Icon\tCtrl+4", "&Display GridLines\tCtrl+9",
                                              "Display Pyjama Paper Style\tCtrl+8"}));
    const MenuSnapshot m = w.menu();
    EXPECT_FALSE(m.find({"Select", "All\tCtrl+A"})->checked);
}

TEST(ContextMenu, NoOwnerMenuMeansNoMenuButKeysStillWork) {
    ScriptedMenuTracker tracker;
    ListWindow w(5);
    w.list->m_nListMenuId = IDR_LISTCTRL;
    EXPECT_EQ(w.list->BuildContextMenu(), nullptr);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), QPoint(100, 100));
    QApplication::sendEvent(w.list->viewport(), &event);
    EXPECT_TRUE(tracker.shown.empty());
    QTest::keyClick(w.list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.list->GetSelectedCount(), 5);
}

TEST(ContextMenu, MissingMenusGiveTheirBoxes) {
    ScriptedPresenter boxes;
    MapWindow w;
    w.list->SetContextMenu(4242, 0, w.list, 0, nullptr);
    EXPECT_EQ(w.list->BuildContextMenu(), nullptr);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Unable to load menu resource");
    EXPECT_EQ(boxes.shown[0].caption, applicationName());
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::Ok);

    w.list->SetContextMenu(IDR_MAP, 3, w.list, 0, nullptr);
    EXPECT_EQ(w.list->BuildContextMenu(), nullptr);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Unable to find submenu");

    // A list menu that does not load leaves the owner's entries alone.
    w.list->SetContextMenu(IDR_MAP, 0, w.list, 0, nullptr);
    const QStringList mapEntries{"Scan Incoming", "Slot Select", "-", "&Return to Incoming",
                                 "Shelf &Audit..."};
    w.list->m_nListMenuId = 4243;
    EXPECT_EQ(w.menu().texts(), mapEntries);
    w.list->m_nListMenuId = 0;
    EXPECT_EQ(w.menu().texts(), mapEntries);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST(ContextMenu, RightClickShowsTheMenuAndRoutesTheChoice) {
    ScriptedMenuTracker tracker;
    ScriptedPresenter boxes;
    MapWindow w;
    // An owner command reaches the list, its command target.
    tracker.choosePath({"Slot Select", "&IntelliSlot"});
    const QPoint at = w.list->GetItemRect(2).center();
    QTest::mousePress(w.list->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, w.list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(w.list->viewport(), &click);
    ASSERT_EQ(tracker.shown.size(), 1u);
    EXPECT_EQ(tracker.shown[0].position, w.list->viewport()->mapToGlobal(at));
    EXPECT_EQ(w.list->ownCommands, std::vector<unsigned>{ID_SLOTSELECT_INTELLISLOT});
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{2})); // the right-clicked row

    // A generated entry: Copy Column > Seq. copies the selected rows' column.
    tracker.choosePath({"Copy Column", "Seq."});
    w.list->ShowContextMenu(QPoint(50, 60));
    EXPECT_EQ(QApplication::clipboard()->text(), "r2c1\r\n");
    EXPECT_EQ(boxes.shown.back().text, "1 items copied to clipboard.");

    // Select > Invert through the menu.
    tracker.choosePath({"Select", "Invert\tCtrl+I"});
    w.list->ShowContextMenu(QPoint(50, 60));
    EXPECT_EQ(w.list->GetSelectedCount(), 29);

    // From the keyboard (the menu key, or Shift+F10) the menu opens under
    // the focused row; with no focused row in view, 5 pixels into the client
    // area (inside the border, the header belonging to the client area).
    const QRect focused = w.list->GetItemRect(2);
    const QPoint underFocus =
        w.list->viewport()->mapToGlobal(QPoint(focused.left() + 5, focused.bottom()));
    tracker.dismiss();
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0),
                          w.list->viewport()->mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(w.list->viewport(), &key);
    EXPECT_EQ(tracker.shown.back().position, underFocus);
    tracker.dismiss();
    w.list->setFocus();
    QTest::keyClick(w.list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(tracker.shown.size(), 5u) << "Shift+F10 opens the menu";
    EXPECT_EQ(tracker.shown.back().position, underFocus);
    EXPECT_EQ(w.list->GetSelectedCount(), 29) << "the selection is as it was";
    QTest::keyClick(w.list, Qt::Key_F10);
    EXPECT_EQ(tracker.shown.size(), 5u) << "F10 alone opens nothing";
    w.list->SetFocusedItem(-1);
    tracker.dismiss();
    QApplication::sendEvent(w.list->viewport(), &key);
    EXPECT_EQ(tracker.shown.back().position,
              w.list->mapToGlobal(QPoint(w.list->frameWidth() + 5, w.list->frameWidth() + 5)));
    EXPECT_TRUE(tracker.errors.isEmpty());
}

TEST(ContextMenu, OtherCommandTargetsGetTheOwnerCommands) {
    struct Target : QObject {
        std::vector<unsigned> ids;
        bool event(QEvent* e) override {
            if (e->type() != CommandEvent::eventType())
                return QObject::event(e);
            ids.push_back(static_cast<CommandEvent*>(e)->id());
            e->accept();
            return true;
        }
    } target;
    ScriptedMenuTracker tracker;
    MapWindow w;
    w.list->SetContextMenu(IDR_MAP, 0, &target, 0, nullptr);
    tracker.chooseId(ID_SCAN_INCOMING);
    w.list->ShowContextMenu(QPoint(1, 1));
    EXPECT_EQ(target.ids, std::vector<unsigned>{ID_SCAN_INCOMING});
    EXPECT_TRUE(w.list->ownCommands.empty());
    // Without a target the commands go to the top-level window.
    w.list->SetContextMenu(IDR_MAP, 0, nullptr, 0, nullptr);
    EXPECT_EQ(w.list->GetCommandTarget(), &w.window);
}

TEST(ContextMenu, MenuOpeningMessageMayChangeThePopup) {
    struct Receiver : QObject {
        unsigned message = 0;
        bool event(QEvent* e) override {
            if (e->type() != KVLTMenuOpeningEvent::eventType())
                return QObject::event(e);
            auto* opening = static_cast<KVLTMenuOpeningEvent*>(e);
            message = opening->message();
            opening->popup()->addAction("Added by the owner");
            return true;
        }
    } receiver;
    MapWindow w;
    w.list->SetContextMenu(IDR_MAP, 0, w.list, 0x8001, &receiver);
    const MenuSnapshot menu = w.menu();
    EXPECT_EQ(receiver.message, 0x8001u);
    // The owner's change comes before the list's own entries.
    EXPECT_EQ(menu.texts().mid(4, 3), QStringList({"Shelf &Audit...", "Added by the owner", "-"}));
}

TEST(ContextMenu, IdsPast57400DoNothing) {
    ScriptedPresenter boxes;
    ListWindow w(4, 60);
    w.list->m_nListMenuId = IDR_LISTCTRL;
    w.list->SetContextMenu(IDR_MAP, 0, w.list, 0, nullptr);
    const MenuSnapshot menu = snapshotMenu(w.list->BuildContextMenu().get());
    EXPECT_EQ(menu.find({"Copy Column"})->items.size(), 60u);
    EXPECT_EQ(menu.find({"Copy Column", "Col56"})->id, 57400u);
    EXPECT_EQ(menu.find({"Select", "All\tCtrl+A"})->id, 57406u);
    // Beyond the handled range: nothing, neither a copy nor a selection.
    EXPECT_FALSE(w.list->OnListCommand(57401));
    EXPECT_FALSE(sendCommand(w.list, 57406));
    EXPECT_EQ(w.list->GetSelectedCount(), 0);
    EXPECT_TRUE(boxes.shown.empty());
    // Inside it: the copy of column 56 asks for a selection first.
    boxes.queue(MsgAnswer::No);
    EXPECT_TRUE(sendCommand(w.list, 57400));
    EXPECT_EQ(boxes.shown.size(), 1u);
    // An id in range that no entry took does nothing.
    boxes.shown.clear();
    w.list->SetContextMenu(IDR_MAP, 0, w.list, 0, nullptr);
    ListWindow two(2, 1);
    two.list->m_nListMenuId = IDR_LISTCTRL;
    two.list->SetContextMenu(IDR_MAP, 0, two.list, 0, nullptr);
    two.list->BuildContextMenu();
    EXPECT_TRUE(two.list->OnListCommand(57399));
    EXPECT_EQ(two.list->GetSelectedCount(), 0);
    EXPECT_TRUE(boxes.shown.empty());
}

// ------------------------------------------------------------------ key commands

TEST(CommandKeys, CtrlKeysRunTheirCommands) {
    ScriptedTaskDialogPresenter dialogs;
    ListWindow w(40, 3);
    w.list->setFocus();
    QTest::keyClick(w.list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.list->GetSelectedCount(), 40);
    QTest::keyClick(w.list, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(w.list->GetSelectedCount(), 0);
    QTest::keyClick(w.list, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(w.list->GetView(), CKVLTListCtrl::LVS_ICON);
    QTest::keyClick(w.list, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(w.list->GetView(), CKVLTListCtrl::LVS_LIST);
    QTest::keyClick(w.list, Qt::Key_4, Qt::ControlModifier);
    EXPECT_EQ(w.list->GetView(), CKVLTListCtrl::LVS_SMALLICON);
    QTest::keyClick(w.list, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(w.list->GetView(), CKVLTListCtrl::LVS_REPORT);
    QTest::keyClick(w.list, Qt::Key_8, Qt::ControlModifier);
    EXPECT_TRUE(w.list->m_bPyjama);
    QTest::keyClick(w.list, Qt::Key_8, Qt::ControlModifier);
    EXPECT_FALSE(w.list->m_bPyjama);
    QTest::keyClick(w.list, Qt::Key_9, Qt::ControlModifier);
    EXPECT_TRUE(w.list->m_bGridLines);
    EXPECT_TRUE(w.list->GetExtendedStyle() & CKVLTListCtrl::LVS_EX_GRIDLINES);
    QTest::keyClick(w.list, Qt::Key_9, Qt::ControlModifier);
    EXPECT_FALSE(w.list->m_bGridLines);
    EXPECT_FALSE(w.list->GetExtendedStyle() & CKVLTListCtrl::LVS_EX_GRIDLINES);

    TaskDialogAnswer five;
    five.inputText = "5";
    dialogs.queue(five);
    QTest::keyClick(w.list, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(w.list->GetSelectedCount(), 5);

    // Without Ctrl a letter is no command, and keypad digits are none either.
    QTest::keyClick(w.list, Qt::Key_A);
    EXPECT_EQ(w.list->GetSelectedCount(), 5);
    QTest::keyClick(w.list, Qt::Key_1, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(w.list->GetView(), CKVLTListCtrl::LVS_REPORT);
}

TEST(CommandKeys, GridLinesStartOffWhateverTheStyle) {
    ListWindow w(3);
    w.list->SetExtendedStyle(CKVLTListCtrl::LVS_EX_GRIDLINES);
    w.list->ExecuteCommandKey('9');
    EXPECT_TRUE(w.list->m_bGridLines);
    EXPECT_TRUE(w.list->GetExtendedStyle() & CKVLTListCtrl::LVS_EX_GRIDLINES);
}

TEST(CommandKeys, LowerCaseKeysRunTheUpperCaseCommand) {
    ListWindow w(6);
    w.list->ExecuteCommandKey('a');
    EXPECT_EQ(w.list->GetSelectedCount(), 6);
    w.list->ExecuteCommandKey('i');
    EXPECT_EQ(w.list->GetSelectedCount(), 0);
    w.list->ExecuteCommandKey('s');
    EXPECT_EQ(w.list->GetView(), CKVLTListCtrl::LVS_ICON);
}

TEST(CommandKeys, CycleViewFourTimesReturnsToTheStart) {
    ListWindow w(6);
    const std::vector<int> expected = {CKVLTListCtrl::LVS_ICON, CKVLTListCtrl::LVS_SMALLICON,
                                       CKVLTListCtrl::LVS_LIST, CKVLTListCtrl::LVS_REPORT};
    for (int view : expected) {
        QTest::keyClick(w.list, Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(w.list->GetView(), view);
    }
}

TEST(CommandKeys, CtrlZeroSizesTheFirstSixteenColumnsOnly) {
    ListWindow w(5, 20);
    w.list->text = [](int r, int c) {
        return QStringLiteral("a much longer text in row %1 column %2").arg(r).arg(c);
    };
    for (int c = 0; c < 20; ++c)
        w.list->SetColumnWidth(c, 10);
    QTest::keyClick(w.list, Qt::Key_0, Qt::ControlModifier);
    const int wanted =
        QFontMetrics(w.list->font()).horizontalAdvance("a much longer text in row 0 column 0");
    for (int c = 0; c < 16; ++c)
        EXPECT_GE(w.list->GetColumnWidth(c), wanted) << c;
    for (int c = 16; c < 20; ++c)
        EXPECT_EQ(w.list->GetColumnWidth(c), 10) << c;
}

TEST(CommandKeys, LaterKeysDoNothingUntilBound) {
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;
    ListWindow w(6);
    w.list->SelectItem(2);
    for (char key : {'E', 'P', 'e', 'p', 'Z', '5'})
        w.list->ExecuteCommandKey(key);
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{2}));
    EXPECT_EQ(w.list->GetView(), CKVLTListCtrl::LVS_REPORT);
    EXPECT_FALSE(w.list->m_bPyjama);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(dialogs.shown.empty());

    // The hook for export and print gets them upper-cased; the list's own
    // keys (the filter keys among them) never reach it.
    std::string seen;
    CKVLTListCtrl::SetCommandKeyHandler([&seen](CKVLTListCtrl&, char key) {
        seen += key;
        return true;
    });
    w.list->ExecuteCommandKey('e');
    QTest::keyClick(w.list, Qt::Key_P, Qt::ControlModifier);
    w.list->ExecuteCommandKey('A');
    w.list->ExecuteCommandKey('F');
    CKVLTListCtrl::SetCommandKeyHandler({});
    EXPECT_EQ(seen, "EP");
}

} // namespace
