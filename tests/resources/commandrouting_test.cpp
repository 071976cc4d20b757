// A chosen entry or a pressed shortcut reaches its target as its command id.
#include "commandrouting.h"
#include "menuqt.h"
#include "resource.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A window that records the commands it receives and accepts only those it knows.
class RecordingTarget : public QWidget {
  public:
    std::vector<unsigned> received;
    std::set<unsigned> known;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == CommandEvent::eventType()) {
            auto* command = static_cast<CommandEvent*>(e);
            received.push_back(command->id());
            if (known.count(command->id()))
                command->accept();
            return true;
        }
        return QWidget::event(e);
    }
};

QStringList sl(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts)
        list.append(QString::fromUtf8(t));
    return list;
}

TEST(CommandRouting, SendCommandReportsWhetherTheTargetHandledIt) {
    RecordingTarget target;
    target.known = {ID_SCAN_INCOMING};
    EXPECT_TRUE(sendCommand(&target, ID_SCAN_INCOMING));
    EXPECT_FALSE(sendCommand(&target, ID_FILE_NEW));
    EXPECT_FALSE(sendCommand(&target, 0));
    EXPECT_FALSE(sendCommand(nullptr, ID_SCAN_INCOMING));
    EXPECT_EQ(target.received, (std::vector<unsigned>{ID_SCAN_INCOMING, ID_FILE_NEW}));
}

TEST(CommandRouting, RoutedMenuSendsEntriesOfSubmenus) {
    RecordingTarget target;
    std::unique_ptr<QMenu> bar = loadMenu(IDR_MAP);
    QMenu* popup = menuPopup(bar.get(), 0);
    routeMenuCommands(popup, &target);
    QMenu* slotSelect = popup->actions()[1]->menu();
    slotSelect->actions()[1]->trigger(); // "&IntelliSlot"
    popup->actions()[0]->trigger();      // "Scan Incoming"
    popup->actions()[1]->trigger();      // the popup's own action carries no command
    EXPECT_EQ(target.received,
              (std::vector<unsigned>{ID_SLOTSELECT_INTELLISLOT, ID_SCAN_INCOMING}));
}

TEST(CommandRouting, ScriptedTrackerRecordsTheMenuAndChoosesByPathOrId) {
    RecordingTarget target;
    std::unique_ptr<QMenu> bar = loadMenu(IDR_MAP);
    QMenu* popup = menuPopup(bar.get(), 0);
    ScriptedMenuTracker tracker;
    tracker.choosePath(sl({"Slot Select", "&First Available"}));
    tracker.chooseId(ID_SCAN_INCOMING);
    tracker.dismiss();

    EXPECT_EQ(trackPopupMenu(popup, QPoint(100, 200), &target), ID_SLOTSELECT_FIRSTAVAILABLE);
    EXPECT_EQ(trackPopupMenu(popup, QPoint(5, 5), &target), ID_SCAN_INCOMING);
    EXPECT_EQ(trackPopupMenu(popup, QPoint(5, 5), &target), 0u);
    EXPECT_EQ(trackPopupMenu(popup, QPoint(5, 5), &target), 0u); // queue empty: dismissed
    EXPECT_EQ(target.received,
              (std::vector<unsigned>{ID_SLOTSELECT_FIRSTAVAILABLE, ID_SCAN_INCOMING}));
    ASSERT_EQ(tracker.shown.size(), 4u);
    EXPECT_EQ(tracker.shown[0].position, QPoint(100, 200));
    EXPECT_EQ(tracker.shown[0].menu.texts().mid(0, 2), sl({"Scan Incoming", "Slot Select"}));
    EXPECT_TRUE(tracker.errors.isEmpty());
}

TEST(CommandRouting, ScriptedTrackerRefusesMissingAndDisabledEntries) {
    RecordingTarget target;
    QMenu menu;
    appendCommand(&menu, "Enabled", 100);
    appendCommand(&menu, "Disabled", 101)->setEnabled(false);
    QMenu* sub = menu.addMenu("Sub");
    appendCommand(sub, "Deep", 102);
    ScriptedMenuTracker tracker;
    tracker.chooseId(101);
    tracker.chooseId(999);
    tracker.choosePath(sl({"Sub"})); // a popup is not a command
    tracker.choosePath(sl({"Sub", "Deep"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(trackPopupMenu(&menu, {}, &target), 0u);
    EXPECT_EQ(trackPopupMenu(&menu, {}, &target), 102u);
    EXPECT_EQ(tracker.errors.size(), 3);
    EXPECT_EQ(target.received, std::vector<unsigned>{102});
    EXPECT_FALSE(tracker.shown[0].menu.items[1].enabled);
}

TEST(CommandRouting, ScriptedTrackerTogglesACheckableEntryLikeARealMenu) {
    RecordingTarget target;
    QMenu menu;
    QAction* grid = appendCommand(&menu, "&Display GridLines\tCtrl+9", 57350, true);
    ScriptedMenuTracker tracker;
    tracker.chooseId(57350);
    trackPopupMenu(&menu, {}, &target);
    EXPECT_TRUE(tracker.shown[0].menu.items[0].checked); // shown with its mark
    EXPECT_FALSE(grid->isChecked());
}

TEST(CommandRouting, TrackerIsRestoredWhenTheScriptEnds) {
    PopupMenuTracker* before = setPopupMenuTracker(nullptr);
    setPopupMenuTracker(before);
    {
        ScriptedMenuTracker tracker;
        EXPECT_EQ(setPopupMenuTracker(&tracker), &tracker);
    }
    EXPECT_EQ(setPopupMenuTracker(before), before);
}

TEST(CommandRouting, RealPopupChosenWithTheKeyboardReachesTheTarget) {
    RecordingTarget target;
    std::unique_ptr<QMenu> bar = loadMenu(IDR_MAP);
    QMenu* popup = menuPopup(bar.get(), 0);
    // The popup runs its own event loop; the keys are typed once it is up.
    QTimer::singleShot(0, [] {
        QWidget* shown = QApplication::activePopupWidget();
        ASSERT_NE(shown, nullptr);
        QTest::keyClick(shown, Qt::Key_Down);
        QTest::keyClick(shown, Qt::Key_Return);
    });
    EXPECT_EQ(trackPopupMenu(popup, QPoint(10, 10), &target), ID_SCAN_INCOMING);
    EXPECT_EQ(target.received, std::vector<unsigned>{ID_SCAN_INCOMING});

    QTimer::singleShot(0,
                       [] { QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape); });
    EXPECT_EQ(trackPopupMenu(popup, QPoint(10, 10), &target), 0u);
    EXPECT_EQ(target.received.size(), 1u);
}

// ---- Accelerators ------------------------------------------------------------

class AcceleratorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QHBoxLayout(&window);
        model.setRowCount(3);
        model.setColumnCount(2);
        table = new QTableView(&window);
        table->setModel(&model);
        layout->addWidget(table);
        installAccelerators(&window, IDR_MAINFRAME, &target);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        table->setFocus();
    }

    QWidget window;
    RecordingTarget target;
    QStandardItemModel model;
    QTableView* table = nullptr;
};

TEST_F(AcceleratorTest, ShortcutsReachTheTargetBeforeTheFocusedList) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        unsigned command;
    } presses[] = {
        {Qt::Key_S, Qt::ControlModifier, ID_FILE_SAVE},
        {Qt::Key_O, Qt::ControlModifier, ID_FILE_OPEN},
        {Qt::Key_P, Qt::ControlModifier, ID_FILE_PRINT},
        {Qt::Key_C, Qt::ControlModifier, ID_EDIT_COPY},
        {Qt::Key_Insert, Qt::ControlModifier, ID_EDIT_COPY},
        {Qt::Key_Delete, Qt::ShiftModifier, ID_EDIT_CUT},
        {Qt::Key_Backspace, Qt::AltModifier, ID_EDIT_UNDO},
        {Qt::Key_F6, Qt::NoModifier, ID_NEXT_PANE},
        {Qt::Key_F6, Qt::ShiftModifier, ID_PREV_PANE},
    };
    for (const auto& press : presses) {
        target.received.clear();
        QTest::keyClick(table, press.key, press.modifiers);
        EXPECT_EQ(target.received, std::vector<unsigned>{press.command}) << press.command;
    }
}

TEST_F(AcceleratorTest, KeysOutsideTheTableGoToTheFocusedWidget) {
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_3, Qt::ControlModifier);
    EXPECT_TRUE(target.received.empty());
    // Ctrl+A reached the table: it selected everything.
    EXPECT_EQ(table->selectionModel()->selectedIndexes().size(), 6);
}

} // namespace
