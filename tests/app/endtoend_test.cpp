// The whole slotting session as an operator runs it: the program started on
// a copy of the sample, IntelliSlot from the map's context menu, barcodes
// typed into the scan dialog, Ctrl+S while a list has the focus, and the
// saved file read back by another JSON reader.
#include "appguitest.h"

#include "scandialog.h"
#include "scanwnd.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// Counts an independent reader finds in the file: incoming (id, no slot or
// slot 0) and outgoing (id and a text target) volumes.
const char* kCountScript = R"(
import json, sys
vols = json.load(open(sys.argv[1]))['volumes']
def num(v): return isinstance(v, (int, float)) and not isinstance(v, bool)
ids = [v for v in vols if isinstance(v.get('id'), str)]
inc = [v['id'] for v in ids if not (num(v.get('slot')) and int(v['slot']) != 0)]
out = [v['id'] for v in ids if isinstance(v.get('target'), str)]
print(len(inc), len(out), ' '.join(inc))
)";

int footerNumber(CKVLTListCtrl* list, int pane) {
    return int(list->GetFooter()->PaneContent(pane).number);
}

QString cell(CKVLTListCtrl* list, int row, int column) {
    return list->GetItemText(row, column);
}

} // namespace

TEST_F(AppGuiTest, IntelliSlotScanAndSaveFromTheWindow) {
    ASSERT_TRUE(startOnCopy());
    EXPECT_EQ(shownTitle(), "scan.json - Strovane Offline Scanner");

    // What the file holds, as another reader sees it.
    const QStringList counts =
        QString::fromStdString(runPython(kCountScript, m_copy)).trimmed().split(' ');
    ASSERT_GE(counts.size(), 5) << counts.join(' ').toStdString();
    const int incomingAtStart = counts[0].toInt();
    const int outgoingAtStart = counts[1].toInt();
    const QStringList incomingIds = counts.mid(2);
    ASSERT_EQ(incomingAtStart, 42);

    EXPECT_EQ(map()->GetItemCount(), 360);
    EXPECT_EQ(incoming()->GetItemCount(), incomingAtStart);
    EXPECT_EQ(outgoing()->GetItemCount(), outgoingAtStart);
    EXPECT_EQ(footerNumber(incoming(), 0), incomingAtStart);
    EXPECT_EQ(footerNumber(map(), 0), 360);
    for (int r = 0; r < incomingAtStart; ++r)
        ASSERT_EQ(cell(incoming(), r, 0), incomingIds[r]) << "row " << r;

    std::vector<int> chosen;
    QString statusAtOpen;
    std::vector<QString> statuses;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Volume Scaner");
        statusAtOpen = dialog->StatusLine()->text();
        for (int r = map()->GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); r >= 0;
             r = map()->GetNextItem(r, CKVLTListCtrl::LVNI_SELECTED))
            chosen.push_back(r);
        EXPECT_EQ(footerNumber(map(), 1), 42);

        CScanWnd* field = dialog->BarcodeField();
        // 1: the first incoming volume, typed in lower case.
        QTest::keyClicks(field, incomingIds[0].toLower());
        EXPECT_EQ(field->text(), incomingIds[0]) << "typed text is upper-cased";
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible()) << "Enter scans, it does not close the dialog";
        EXPECT_EQ(field->text(), "");
        statuses.push_back(dialog->StatusLine()->text());
        EXPECT_EQ(incoming()->GetItemCount(), incomingAtStart - 1);
        EXPECT_EQ(footerNumber(incoming(), 0), incomingAtStart - 1);
        EXPECT_EQ(cell(incoming(), 0, 0), incomingIds[1]);
        EXPECT_EQ(outgoing()->GetItemCount(), outgoingAtStart);
        ASSERT_FALSE(chosen.empty());
        EXPECT_EQ(cell(map(), chosen[0], 4), incomingIds[0]);
        EXPECT_EQ(cell(map(), chosen[0], 5), kFixedAssigned);
        EXPECT_EQ(cell(map(), chosen[0], 2), "Disaster recovery site"); // source DC2
        EXPECT_EQ(map()->GetItemImage(chosen[0], 4), 1);

        // 2: unknown barcode: refused, nothing moves.
        QTest::keyClicks(field, "nosuch1");
        QTest::keyClick(field, Qt::Key_Return);
        statuses.push_back(dialog->StatusLine()->text());
        EXPECT_EQ(incoming()->GetItemCount(), incomingAtStart - 1);

        // 3: the same volume again: refused.
        QTest::keyClicks(field, incomingIds[0]);
        QTest::keyClick(field, Qt::Key_Return);
        statuses.push_back(dialog->StatusLine()->text());

        // 4: the third incoming volume (mixed case, keypad Enter) takes the next chosen slot.
        QTest::keyClicks(field, "Ab0146l9");
        QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
        statuses.push_back(dialog->StatusLine()->text());
        EXPECT_EQ(incoming()->GetItemCount(), incomingAtStart - 2);
        EXPECT_EQ(cell(incoming(), 0, 0), incomingIds[1]);
        EXPECT_EQ(cell(incoming(), 1, 0), incomingIds[3]);
        ASSERT_GE(chosen.size(), 2u);
        EXPECT_EQ(cell(map(), chosen[1], 4), "AB0146L9");
        // A source that is not a known repository shows as it stands.
        EXPECT_EQ(cell(map(), chosen[1], 2), "TAPE-HUB-7");

        QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    });
    ScriptedMenuTracker menus;
    menus.choosePath({QStringLiteral("Slot Select"), QStringLiteral("&IntelliSlot")});
    map()->ShowContextMenu(map()->viewport()->mapToGlobal(QPoint(30, 30)));
    EXPECT_TRUE(menus.errors.isEmpty()) << menus.errors.join(';').toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Cancel closed the dialog";

    EXPECT_EQ(chosen.size(), 42u);
    EXPECT_EQ(statusAtOpen, "42 of 42 selected slots remain");
    // The refusals show in the dialog itself, each with the count below it.
    EXPECT_EQ(statuses, (std::vector<QString>{"41 of 42 selected slots remain",
                                              "Barcode Error: Barcode 'NOSUCH1' is unknown\n"
                                              "41 of 42 selected slots remain",
                                              "Barcode Error: Barcode '" + incomingIds[0] +
                                                  "' has already been assigned to a slot\n"
                                                  "41 of 42 selected slots remain",
                                              "40 of 42 selected slots remain"}));
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_TRUE(doc()->IsModified());

    // Ctrl+S while the incoming list has the keyboard focus.
    frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    incoming()->setFocus();
    QTest::keyClick(incoming(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(doc()->IsModified());
    EXPECT_TRUE(m_boxes.shown.empty()) << "saving showed a box";

    // The saved file: the two volumes end with "slot" and "assigned", every
    // other volume and every other member is as it was.
    const std::string check = R"(
import json, sys
before = json.load(open(')" + std::string(KVLT_SAMPLE_FILE) +
                              R"('), object_pairs_hook=list)
after = json.load(open(sys.argv[1]), object_pairs_hook=list)
def vols(doc): return dict(doc)['volumes']
b, a = vols(before), vols(after)
print(len(b) == len(a))
changed = []
for old, new in zip(b, a):
    if old == new: continue
    changed.append(dict(new)['id'])
    print(new[:-2] == old, new[-2][0], int(new[-2][1]), new[-1][0], new[-1][1])
print(' '.join(changed))
print([k for k, _ in before if k != 'volumes'] == [k for k, _ in after if k != 'volumes'],
      [p for p in before if p[0] != 'volumes'] == [p for p in after if p[0] != 'volumes'])
)";
    const std::string expected = "True\n"
                                 "True slot " +
                                 std::to_string(chosen[0] + 1) + " assigned " + kFixedAssigned +
                                 "\n"
                                 "True slot " +
                                 std::to_string(chosen[1] + 1) + " assigned " + kFixedAssigned +
                                 "\n" + incomingIds[0].toStdString() +
                                 " AB0146L9\n"
                                 "True True\n";
    EXPECT_EQ(runPython(check, m_copy), expected);
}
