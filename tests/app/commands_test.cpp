// The repository map's three commands and the boxes they show: the selection
// check, hand-picked slots that are taken or too few, First Available and
// IntelliSlot when the free slots run out, and a barcode after the last
// chosen slot.
#include "appguitest.h"

#include "resource.h"
#include "scandialog.h"
#include "scanwnd.h"

#include <QLabel>
#include <QTest>

namespace {

std::vector<int> selectedRows(const CKVLTListCtrl& list) {
    std::vector<int> rows;
    for (int r = list.GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); r >= 0;
         r = list.GetNextItem(r, CKVLTListCtrl::LVNI_SELECTED))
        rows.push_back(r);
    return rows;
}

// A repository of `slots` slots in one zone; volumes "V<n>" with the given
// slots (0: incoming).
std::string smallScanFile(int slotTotal, const std::vector<int>& volumeSlots) {
    std::string volumes;
    for (size_t i = 0; i < volumeSlots.size(); ++i) {
        if (!volumes.empty())
            volumes += ",";
        volumes += "{\"id\":\"V" + std::to_string(i + 1) + "\",\"source\":\"DC1\"";
        if (volumeSlots[i] != 0)
            volumes += ",\"slot\":" + std::to_string(volumeSlots[i]);
        volumes += "}";
    }
    return "{\"repository\":{\"id\":\"DC1\",\"slots\":" + std::to_string(slotTotal) +
           ",\"zones\":[{\"zone\":\"A\",\"slot_start\":1,\"slot_end\":" +
           std::to_string(slotTotal) + "}]},\"volumes\":[" + volumes + "]}";
}

} // namespace

class MapCommandsTest : public AppGuiTest {
  protected:
    bool startOn(const std::string& json) {
        const QString path = m_dir.filePath("small.json");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(json.data(), qint64(json.size()));
        file.close();
        return start({path});
    }
    // Sends the command to the map as its context menu does.
    bool command(unsigned id) { return sendCommand(map(), id); }
};

TEST_F(MapCommandsTest, ScanIncomingWithNothingSelectedWarnsAsksAndWarnsAgain) {
    ASSERT_TRUE(startOnCopy());
    m_boxes.queue(MsgAnswer::Ok);
    m_boxes.queue(MsgAnswer::Yes); // continue anyway: the dialog still needs a slot
    EXPECT_TRUE(command(ID_SCAN_INCOMING));
    ASSERT_EQ(m_boxes.shown.size(), 3u);
    EXPECT_EQ(m_boxes.shown[0].text, "You must select one item from the list.");
    EXPECT_EQ(m_boxes.shown[0].caption, "Selection Required");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(m_boxes.shown[1].text, "You have only selected 0 free slots, but you have 42 Volumes "
                                     "to slot.\n\nDo you want to continue anyway?");
    EXPECT_EQ(m_boxes.shown[1].caption, "Slotting Error");
    EXPECT_EQ(m_boxes.shown[1].icon, MsgIcon::Question);
    EXPECT_EQ(m_boxes.shown[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(m_boxes.shown[2].caption, "Selection Required");
    EXPECT_EQ(m_boxes.shown[1].owner, static_cast<QWidget*>(map()));

    // Answering No stops after the question.
    m_boxes.shown.clear();
    m_boxes.queue(MsgAnswer::Ok);
    m_boxes.queue(MsgAnswer::No);
    command(ID_SCAN_INCOMING);
    EXPECT_EQ(m_boxes.shown.size(), 2u);
}

TEST_F(MapCommandsTest, HandPickedOccupiedSlotIsRefused) {
    ASSERT_TRUE(startOnCopy());
    // Slot 76 holds KT0091L8 in the sample; rows are slot - 1.
    ASSERT_EQ(map()->GetItemText(75, 4), "KT0091L8");
    map()->SelectItem(200);
    map()->SelectItem(75);
    command(ID_SCAN_INCOMING);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, "Slot number 76 is already occupied");
    EXPECT_EQ(m_boxes.shown[0].caption, "Slotting Error");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Information);
    EXPECT_FALSE(doc()->IsModified());
}

TEST_F(MapCommandsTest, HandPickedSlotsAreUsedInAscendingOrderThenScansAreRefused) {
    ASSERT_TRUE(startOn(smallScanFile(10, {0, 0, 0, 0, 2})));
    ASSERT_EQ(incoming()->GetItemCount(), 4);
    // Picked out of order: the dialog still fills 4, then 7, then 9.
    for (int row : {8, 3, 6})
        map()->SelectItem(row);
    std::vector<QString> statuses;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        statuses.push_back(dialog->StatusLine()->text());
        for (const char* barcode : {"v3", "v1", "v4", "v2"}) {
            QTest::keyClicks(dialog->BarcodeField(), barcode);
            QTest::keyClick(dialog->BarcodeField(), Qt::Key_Return);
            statuses.push_back(dialog->StatusLine()->text());
        }
        dialog->reject();
    });
    m_boxes.queue(MsgAnswer::Yes); // 3 slots for 4 volumes: continue anyway
    command(ID_SCAN_INCOMING);

    EXPECT_EQ(statuses,
              (std::vector<QString>{"3 of 3 selected slots remain", "2 of 3 selected slots remain",
                                    "1 of 3 selected slots remain", "0 of 3 selected slots remain",
                                    "Slotting Error: Barcode 'V2' was not slotted: all 3 selected "
                                    "slots have been used.\n0 of 3 selected slots remain"}));
    EXPECT_EQ(map()->GetItemText(3, 4), "V3");
    EXPECT_EQ(map()->GetItemText(6, 4), "V1");
    EXPECT_EQ(map()->GetItemText(8, 4), "V4");
    EXPECT_EQ(incoming()->GetItemCount(), 1);
    EXPECT_EQ(incoming()->GetItemText(0, 0), "V2");
    // The fourth barcode finds no slot left: refused in the dialog (no box),
    // never slot 0 or a taken one.
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].caption, "Slotting Error");
}

TEST_F(MapCommandsTest, FirstAvailableSelectsTheLowestFreeSlots) {
    ASSERT_TRUE(startOnCopy());
    QString status;
    std::vector<int> rows;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        status = dialog->StatusLine()->text();
        rows = selectedRows(*map());
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    command(ID_SLOTSELECT_FIRSTAVAILABLE);
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(status, "42 of 42 selected slots remain");
    // The 42 lowest rows whose slot shows no volume.
    std::vector<int> freeRows;
    for (int r = 0; r < map()->GetItemCount() && freeRows.size() < 42; ++r)
        if (map()->GetItemText(r, 4).isEmpty())
            freeRows.push_back(r);
    EXPECT_EQ(rows, freeRows);
    EXPECT_FALSE(doc()->IsModified()) << "cancelling without a scan changes nothing";
}

TEST_F(MapCommandsTest, WhenFreeSlotsRunOutFirstAvailableTakesWhatThereIsAndIntelliSlotNothing) {
    // 3 slots, slot 2 taken, 3 volumes waiting.
    ASSERT_TRUE(startOn(smallScanFile(3, {0, 2, 0, 0})));
    ASSERT_EQ(incoming()->GetItemCount(), 3);
    QString status;
    whenModal([&](QWidget* modal) {
        status = qobject_cast<CScanDialog*>(modal)->StatusLine()->text();
        qobject_cast<QDialog*>(modal)->reject();
    });
    command(ID_SLOTSELECT_FIRSTAVAILABLE);
    EXPECT_EQ(status, "2 of 2 selected slots remain");
    EXPECT_EQ(selectedRows(*map()), (std::vector<int>{0, 2}));

    command(ID_SLOTSELECT_INTELLISLOT);
    EXPECT_TRUE(selectedRows(*map()).empty());
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, "You must select one item from the list.");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MapCommandsTest, NoIncomingVolumesLeavesNothingSelected) {
    ASSERT_TRUE(startOn(smallScanFile(4, {1, 3})));
    map()->SelectItem(1);
    for (unsigned id : {ID_SLOTSELECT_FIRSTAVAILABLE, ID_SLOTSELECT_INTELLISLOT}) {
        m_boxes.shown.clear();
        command(id);
        EXPECT_TRUE(selectedRows(*map()).empty());
        ASSERT_EQ(m_boxes.shown.size(), 1u);
        EXPECT_EQ(m_boxes.shown[0].caption, "Selection Required");
    }
}

TEST_F(MapCommandsTest, EmptyBarcodeIsUnknownAndTheFieldUpperCasesPastedText) {
    ASSERT_TRUE(startOn(smallScanFile(4, {0})));
    map()->SelectItem(2);
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        QTest::keyClick(dialog->BarcodeField(), Qt::Key_Return);
        EXPECT_EQ(dialog->StatusLine()->text(),
                  "Barcode Error: Barcode '' is unknown\n1 of 1 selected slots remain");
        dialog->BarcodeField()->insert(QStringLiteral("v1"));
        EXPECT_EQ(dialog->BarcodeField()->text(), "V1");
        QTest::keyClick(dialog->BarcodeField(), Qt::Key_Return);
        EXPECT_EQ(dialog->StatusLine()->text(), "0 of 1 selected slots remain");
        dialog->reject();
    });
    command(ID_SCAN_INCOMING);
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(map()->GetItemText(2, 4), "V1");
    EXPECT_EQ(map()->GetItemText(2, 5), kFixedAssigned);
}
