// The operator's day in the window: undo and Return to Incoming, Find
// Volume, the outgoing check and the shelf audit at a scanner's pace, the
// status bar's counts, the keyboard's context menu, and the window's place
// and column widths kept for the next start.
#include "appguitest.h"

#include "filedialogs.h"
#include "kvltlistexport.h"
#include "outgoingcheckdialog.h"
#include "resource.h"
#include "scandialog.h"
#include "scanwnd.h"
#include "shelfauditdialog.h"
#include "taskdialog.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

namespace {

// Twenty slots in zone S. A1 to A4 in slots 1 to 4 and B7 in slot 7, slotted
// by this tool ("assigned"); F9 slotted by the server; IN1 to IN5 incoming;
// O1 and O2 outgoing (and incoming, having no slot), O3 outgoing from slot 8.
const char* const kDayFile =
    R"({"repository":{"slots":20,"zones":[{"zone":"S","slot_start":1,"slot_end":20}]},
        "volumes":[{"id":"A1","slot":1,"assigned":"x"},{"id":"A2","slot":2,"assigned":"x"},
                   {"id":"A3","slot":3,"assigned":"x"},{"id":"A4","slot":4,"assigned":"x"},
                   {"id":"B7","slot":7,"assigned":"x"},{"id":"F9","slot":9},
                   {"id":"IN1"},{"id":"IN2"},{"id":"IN3"},{"id":"IN4"},{"id":"IN5"},
                   {"id":"O1","target":"T"},{"id":"O2","target":"T"},
                   {"id":"O3","target":"T","slot":8,"assigned":"x"}]})";

QStringList selectedTexts(const CKVLTListCtrl& list, int column = 0) {
    QStringList texts;
    for (int r = list.GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); r >= 0;
         r = list.GetNextItem(r, CKVLTListCtrl::LVNI_SELECTED))
        texts << list.GetItemText(r, column);
    return texts;
}

int rowOf(const CKVLTListCtrl& list, const QString& text, int column = 0) {
    for (int r = 0; r < list.GetItemCount(); ++r)
        if (list.GetItemText(r, column) == text)
            return r;
    return -1;
}

QStringList lines(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class DayTest : public AppGuiTest {
  protected:
    void SetUp() override {
        AppGuiTest::SetUp();
        m_path = m_dir.filePath("day.json");
        ASSERT_TRUE(writeFile(m_path.toStdString(), kDayFile));
    }
    bool startOnDay() {
        if (!start({m_path}))
            return false;
        frame()->activateWindow();
        return QTest::qWaitForWindowActive(frame());
    }
    // The counts follow once the event loop runs.
    QString pane(int index) const {
        QApplication::processEvents();
        return frame()->CountPanes()[index]->text();
    }

    QString m_path;
};

// ------------------------------------------------------------------ undo

TEST_F(DayTest, UndoTakesBackScansInTheDialogAndTheWindowAndTheBytesComeBack) {
    ASSERT_TRUE(startOnDay());
    // The layout every save writes, as the bytes before the scans.
    ASSERT_TRUE(frame()->OnFileSave());
    const std::string before = readFile(m_path.toStdString());
    EXPECT_EQ(pane(0), "Incoming: 7");

    // A selection in the incoming list below the volumes scanned stays on IN3.
    incoming()->SelectItem(rowOf(*incoming(), "IN3"));
    map()->SelectItem(9);
    map()->SelectItem(10);
    EXPECT_EQ(pane(2), "Free slots selected: 2");
    QString afterUndo, afterRescan;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        CScanWnd* field = dialog->BarcodeField();
        for (const char* barcode : {"in1", "in2"}) {
            QTest::keyClicks(field, barcode);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        afterUndo = dialog->StatusLine()->text();
        QTest::keyClicks(field, "IN2");
        QTest::keyClick(field, Qt::Key_Return);
        afterRescan = map()->GetItemText(10, MAP_VOLUME);
        dialog->UndoButton()->click();
        dialog->reject();
    });
    m_boxes.queue(MsgAnswer::Yes); // 2 slots for 7 volumes: go on
    sendCommand(map(), ID_SCAN_INCOMING);
    EXPECT_EQ(afterUndo, "Scan of IN2 in slot S:11 taken back.\n1 of 2 selected slots remain");
    EXPECT_EQ(afterRescan, "IN2") << "the slot given back was used again";
    EXPECT_EQ(map()->GetItemText(9, MAP_VOLUME), "IN1");
    EXPECT_EQ(map()->GetItemText(10, MAP_VOLUME), "");
    EXPECT_EQ(selectedTexts(*incoming()), QStringList{"IN3"});
    EXPECT_EQ(pane(1), "Slotted since opened: 1");

    // Ctrl+Z in the window takes back IN1; then there is nothing left.
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    map()->setFocus();
    QTest::keyClick(map(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(frame()->MessagePane()->text(), "Scan of IN1 in slot S:10 taken back");
    EXPECT_EQ(incoming()->GetItemText(0, 0), "IN1") << "back at its place";
    EXPECT_EQ(selectedTexts(*incoming()), QStringList{"IN3"});
    EXPECT_EQ(pane(0), "Incoming: 7");
    EXPECT_EQ(pane(1), "Slotted since opened: 0");
    QTest::keyClick(map(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(frame()->MessagePane()->text(), "Nothing to undo: no scan of this run is left");
    EXPECT_EQ(m_boxes.shown.size(), 1u) << "only the slot-count question";

    QTest::keyClick(map(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(readFile(m_path.toStdString()), before);
}

TEST_F(DayTest, ReturnToIncomingTakesBackOnlyWhatThisToolSlotted) {
    ASSERT_TRUE(startOnDay());
    for (int row : {4, 6, 8}) // slot 5 is empty, B7 ours, F9 the server's
        map()->SelectItem(row);
    m_boxes.queue(MsgAnswer::Yes);
    sendCommand(map(), ID_VOLUME_RETURN);
    ASSERT_EQ(m_boxes.shown.size(), 2u);
    EXPECT_EQ(m_boxes.shown[0].text,
              "Return the 2 volumes in the selected slots to the incoming volumes?");
    EXPECT_EQ(m_boxes.shown[1].caption, "Slotting Error");
    EXPECT_EQ(m_boxes.shown[1].text, "Volume 'F9' was slotted by the server, not by this tool, "
                                     "and cannot be returned to incoming here.");
    EXPECT_EQ(map()->GetItemText(6, MAP_VOLUME), "");
    EXPECT_EQ(map()->GetItemText(8, MAP_VOLUME), "F9");
    EXPECT_EQ(rowOf(*incoming(), "B7"), 0);
    EXPECT_EQ(frame()->MessagePane()->text(), "1 volumes returned to incoming");
    EXPECT_EQ(pane(2), "Free slots selected: 2");
}

// ------------------------------------------------------------------ find

TEST_F(DayTest, FindSelectsTheMatchesInEveryListAndF3GoesOn) {
    ASSERT_TRUE(startOnDay());
    ScriptedTaskDialogPresenter dialogs;
    map()->SelectItem(15); // kept: the map has no match of the next find
    dialogs.queue({IDOK, {}, {}, QStringLiteral("in[23]")});
    map()->setFocus();
    QTest::keyClick(map(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].state.windowTitle, "Find Volume");
    EXPECT_EQ(selectedTexts(*incoming()), (QStringList{"IN2", "IN3"}));
    EXPECT_EQ(map()->GetSelectedCount(), 1);
    EXPECT_EQ(frame()->MessagePane()->text(),
              "'in[23]': 2 found (2 in Incoming Volumes); F3 shows the next");
    EXPECT_TRUE(incoming()->hasFocus());

    // O* is in all three lists; F3 walks them in order.
    dialogs.queue({IDOK, {}, {}, QStringLiteral("O*")});
    QTest::keyClick(incoming(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialogs.shown.back().state.inputText, "in[23]") << "the last pattern is offered";
    EXPECT_EQ(selectedTexts(*outgoing()), (QStringList{"O1", "O2", "O3"}));
    EXPECT_EQ(selectedTexts(*map(), MAP_VOLUME), QStringList{"O3"});
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_EQ(frame()->MessagePane()->text(), "'O*': 3 of 6, O1 in Outgoing Volumes");
    EXPECT_TRUE(outgoing()->hasFocus());

    dialogs.queue({IDOK, {}, {}, QStringLiteral("NOPE")});
    QTest::keyClick(outgoing(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(frame()->MessagePane()->text(), "'NOPE' not found");
    EXPECT_TRUE(m_boxes.shown.empty()) << "never a box";
}

// ------------------------------------------------------------------ outgoing check

TEST_F(DayTest, CheckOutgoingAtScannerSpeedMarksFlagsAndSummarises) {
    ASSERT_TRUE(startOnDay());
    const std::vector<std::string> pile = {"o1", "IN1", "o1 ", "O3", "NOPE"};
    ScannerWedge wedge(pile, 20);
    QStringList flagged, unchecked;
    QString refusal;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<COutgoingCheckDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        QObject::connect(dialog, &QDialog::finished, dialog, [&, dialog] {
            flagged = lines(dialog->RefusedList());
            unchecked = lines(dialog->UncheckedList());
            refusal = frame()->RefusalPane()->toolTip();
        });
        wedge.start();
    });
    sendCommand(outgoing(), ID_CHECK_OUTGOING);
    EXPECT_EQ(wedge.lost, 0);
    EXPECT_EQ(wedge.receivers, std::vector<QString>(pile.size(), QStringLiteral("CScanWnd")));
    EXPECT_EQ(flagged,
              (QStringList{"Check Error: Barcode 'IN1' is not an outgoing volume",
                           "Check Error: Barcode 'O1' has already been checked",
                           "Check Error: Barcode 'NOPE' is not an outgoing volume: no volume in "
                           "the file has it"}));
    EXPECT_EQ(unchecked, QStringList{"O2"});
    EXPECT_EQ(refusal, "Last refusal: Check Error: Barcode 'NOPE' is not an outgoing volume: no "
                       "volume in the file has it");
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].caption, "Check Outgoing");
    EXPECT_EQ(m_boxes.shown[0].text, "2 of 3 outgoing volumes are checked.\n\nNot checked yet "
                                     "(1):\nO2\n\nScanned, but not outgoing (2):\nIN1\nNOPE");

    // The marks show, and export, in a column of their own; the file is not changed.
    EXPECT_EQ(outgoing()->GetColumnTitle(2), "Checked");
    outgoing()->SelectAllItems();
    const ExportTable table = CKVLTListExport::ListTable(*outgoing());
    ASSERT_EQ(table.titles.size(), 3u);
    std::string cells;
    for (uint64_t row = 0; row < table.itemCount; ++row) {
        std::string text;
        table.cell(row, 0, text);
        cells += text + "=";
        table.cell(row, 2, text);
        cells += text + " ";
    }
    EXPECT_EQ(cells, "O1=Yes O2=No O3=Yes ");
    EXPECT_FALSE(doc()->IsModified());
    EXPECT_EQ(readFile(m_path.toStdString()), kDayFile);

    // A crash keeps them: the next start offers them from the journal (the
    // scripted boxes answer Yes).
    m_boxes.shown.clear();
    stop();
    ASSERT_TRUE(startOnDay());
    EXPECT_EQ(doc()->OutgoingChecks().size(), 2u);
    EXPECT_EQ(outgoing()->GetItemText(0, 2), "Yes");

    // Clearing ends the check.
    m_boxes.queue(MsgAnswer::Yes);
    sendCommand(outgoing(), ID_CLEAR_CHECKS);
    EXPECT_EQ(outgoing()->GetColumnCount(), 2);
    EXPECT_TRUE(doc()->OutgoingChecks().empty());
}

// ------------------------------------------------------------------ shelf audit

TEST_F(DayTest, ShelfAuditSlotBySlotAtScannerSpeedListsAndExportsEveryCase) {
    ASSERT_TRUE(startOnDay());
    // Slots 1 to 5: A1 in place, A3 in slot 2, nothing in 3, A4 in place, IN2 in 5.
    const std::vector<std::string> pile = {"A1", "a3", "", "A4", "IN2"};
    ScannerWedge wedge(pile, 20);
    QStringList flagged, result;
    QString summary, csvText;
    ScriptedFileDialogs saveDialog;
    const QString csv = m_dir.filePath("audit.csv");
    saveDialog.queue(csv);
    whenModalOf<CAuditSetupDlg>([&](CAuditSetupDlg* setup) {
        EXPECT_FALSE(setup->SelectedButton()->isEnabled()) << "nothing selected";
        setup->FromBox()->setValue(1);
        setup->ToBox()->setValue(5);
        setup->BySlotBox()->setChecked(true);
        whenModalOf<CShelfAuditDialog>([&](CShelfAuditDialog* dialog) {
            QObject::connect(dialog, &QDialog::finished, dialog,
                             [&, dialog] { flagged = lines(dialog->RefusedList()); });
            wedge.start();
        });
        setup->accept();
    });
    whenModalOf<CAuditResultDlg>([&](CAuditResultDlg* dialog) {
        summary = dialog->Summary()->text();
        for (int r = 0; r < dialog->List()->GetItemCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < dialog->List()->GetColumnCount(); ++c)
                cells << dialog->List()->GetItemText(r, c);
            result << cells.join('|');
        }
        CKVLTListExport(*dialog->List()).ExportCSV(EXPORT_OPEN_NOTHING);
        dialog->accept();
    });
    sendCommand(map(), ID_SHELF_AUDIT);
    EXPECT_EQ(wedge.lost, 0);
    EXPECT_EQ(flagged, (QStringList{"Wrong Slot: Volume 'A3' belongs in slot S:3 (3); 'A2' was "
                                    "expected here",
                                    "Surplus: Barcode 'IN2' is in no slot of the file"}));
    EXPECT_EQ(result, (QStringList{"S:1|1|A1|A1|Present|", "S:2|2|A2||Absent|",
                                   "S:2|2||A3|Wrong Slot|S:3 (3)", "S:3|3|A3||Absent|",
                                   "S:4|4|A4|A4|Present|", "S:5|5||IN2|Surplus|"}));
    EXPECT_EQ(summary, "Not as expected: 2 absent, 1 wrong slot, 1 surplus, 2 present.");
    EXPECT_EQ(runPython("import csv,sys\nfor row in csv.reader(open(sys.argv[1],newline='')): "
                        "print('|'.join(row))",
                        csv.toStdString()),
              "Zone|Seq.|Expected|Found|Result|Belongs In\nS:1|1|A1|A1|Present|\n"
              "S:2|2|A2||Absent|\nS:2|2||A3|Wrong Slot|S:3 (3)\nS:3|3|A3||Absent|\n"
              "S:4|4|A4|A4|Present|\nS:5|5||IN2|Surplus|\n");
    EXPECT_FALSE(doc()->IsModified());
    EXPECT_EQ(readFile(m_path.toStdString()), kDayFile);
}

// ------------------------------------------------------------------ keyboard menu

TEST_F(DayTest, ADialogOpenedFromAKeyboardMenuTakesNoKeyOfTheMenu) {
    ASSERT_TRUE(startOnDay());
    map()->setFocus();
    for (int row = 9; row < 12; ++row)
        map()->SelectItem(row);
    map()->SetFocusedItem(11);
    ScriptedMenuTracker menus;
    menus.chooseId(ID_SCAN_INCOMING);
    int refused = -1;
    QWidget* popup = nullptr;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        // The Return that chose the entry, held down, and the menu key's late event.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(dialog->BarcodeField(), &repeat);
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              dialog->BarcodeField()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(dialog->BarcodeField(), &key);
        refused = dialog->RefusedList()->count();
        popup = QApplication::activePopupWidget();
        dialog->reject();
    });
    m_boxes.queue(MsgAnswer::Yes);
    QTest::keyClick(map(), Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(menus.shown.size(), 1u);
    const QRect row = map()->GetItemRect(11);
    EXPECT_EQ(menus.shown[0].position,
              map()->viewport()->mapToGlobal(QPoint(row.left() + 5, row.bottom())));
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(popup, nullptr);
    EXPECT_EQ(map()->GetSelectedCount(), 3) << "the prepared selection stayed";
}

// ------------------------------------------------------------------ the window

TEST_F(DayTest, TheWindowComesBackWhereItWasWithItsColumnWidths) {
    ASSERT_TRUE(startOnDay());
    frame()->resize(900, 560);
    map()->SetColumnWidth(MAP_SEQ, 77);
    incoming()->SetColumnWidth(0, 123);
    ASSERT_TRUE(frame()->close());
    stop();
    ASSERT_TRUE(start());
    EXPECT_EQ(frame()->size(), QSize(900, 560));
    EXPECT_EQ(map()->GetColumnWidth(MAP_SEQ), 77);
    EXPECT_EQ(incoming()->GetColumnWidth(0), 123);
}
