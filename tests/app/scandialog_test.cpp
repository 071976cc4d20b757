// The scan dialog at a keyboard-wedge scanner's pace: every key goes to
// whatever has the keyboard at that moment, as a real scanner's do, so a
// message box that took the keyboard would swallow the next barcode.
#include "appguitest.h"

#include "resource.h"
#include "scandialog.h"
#include "scanwnd.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace {

// Twenty slots in one zone, volumes V1 to V12 waiting, V13 already in slot 20.
std::string pileFile() {
    std::string volumes;
    for (int i = 1; i <= 12; ++i)
        volumes += "{\"id\":\"V" + std::to_string(i) + "\",\"source\":\"DC1\"},";
    volumes += R"({"id":"V13","slot":20})";
    return R"({"repository":{"slots":20,"zones":[{"zone":"A","slot_start":1,"slot_end":20}]},)"
           R"("volumes":[)" +
           volumes + "]}";
}

} // namespace

class ScanDialogTest : public AppGuiTest {
  protected:
    bool startOnPile() {
        const QString path = m_dir.filePath("pile.json");
        return writeFile(path, pileFile()) && start({path});
    }
};

TEST_F(ScanDialogTest, AScannerAtTwentyBarcodesASecondLosesNoneAndRefusalsAreListed) {
    ASSERT_TRUE(startOnPile());
    frame()->activateWindow();
    // Lower case, a trailing blank and a leading tab as scanners send them;
    // refusals mixed in: unknown, slotted before, scanned twice.
    const std::vector<std::string> pile = {"v1",  "v2 ", "nope", "v3", "\tv4", "v13", "v5",
                                           "v6",  "v2",  "v7",   "v8", "bad1", "v9",  "v10",
                                           "v11", "v12", "v1",   "v5", "x",    "v3"};
    ScannerWedge wedge(pile, 20);
    QString lastStatus;
    bool refusalShown = false;
    QStringList refused;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        QObject::connect(dialog, &QDialog::finished, dialog, [&, dialog] {
            lastStatus = dialog->StatusLine()->text();
            refusalShown = dialog->IsShowingRefusal();
            for (int i = 0; i < dialog->RefusedList()->count(); ++i)
                refused << dialog->RefusedList()->item(i)->text();
        });
        wedge.start();
    });
    EXPECT_TRUE(sendCommand(map(), ID_SLOTSELECT_FIRSTAVAILABLE));

    EXPECT_TRUE(m_boxes.shown.empty()) << "a message box took the scanner's keys";
    EXPECT_EQ(wedge.lost, 0);
    EXPECT_EQ(wedge.receivers, std::vector<QString>(pile.size(), QStringLiteral("CScanWnd")))
        << "every Enter reached the barcode field";
    // V1 to V12 took slots 1 to 12 in the order they were scanned.
    const char* order[] = {"V1", "V2", "V3", "V4",  "V5",  "V6",
                           "V7", "V8", "V9", "V10", "V11", "V12"};
    for (int row = 0; row < 12; ++row)
        EXPECT_EQ(map()->GetItemText(row, 4), order[row]) << "slot " << row + 1;
    EXPECT_EQ(incoming()->GetItemCount(), 0);
    EXPECT_EQ(refused,
              (QStringList{"Barcode Error: Barcode 'NOPE' is unknown",
                           "Barcode Error: Barcode 'V13' has already been assigned to a slot",
                           "Barcode Error: Barcode 'V2' has already been assigned to a slot",
                           "Barcode Error: Barcode 'BAD1' is unknown",
                           "Barcode Error: Barcode 'V1' has already been assigned to a slot",
                           "Barcode Error: Barcode 'V5' has already been assigned to a slot",
                           "Barcode Error: Barcode 'X' is unknown",
                           "Barcode Error: Barcode 'V3' has already been assigned to a slot"}));
    // The last scan was refused: the status line says so, with the count below.
    EXPECT_TRUE(refusalShown);
    EXPECT_EQ(lastStatus, "Barcode Error: Barcode 'V3' has already been assigned to a slot\n"
                          "0 of 12 selected slots remain");
}

TEST_F(ScanDialogTest, AnAcceptedScanAfterARefusalShowsTheCountAgainInTheNormalColour) {
    ASSERT_TRUE(startOnPile());
    map()->SelectItem(0);
    map()->SelectItem(1);
    QColor refusalColour, normalColour;
    QString status;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        CScanWnd* field = dialog->BarcodeField();
        QTest::keyClicks(field, "nope");
        QTest::keyClick(field, Qt::Key_Return);
        refusalColour = dialog->StatusLine()->palette().color(QPalette::WindowText);
        QTest::keyClicks(field, "v1");
        // Ended by a line feed, as some scanners (and xdotool) send it.
        QKeyEvent lineFeed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\n"));
        QApplication::sendEvent(field, &lineFeed);
        normalColour = dialog->StatusLine()->palette().color(QPalette::WindowText);
        status = dialog->StatusLine()->text();
        EXPECT_EQ(dialog->RefusedList()->count(), 1) << "the refusal stays listed";
        EXPECT_EQ(dialog->focusWidget(), field) << "the keyboard stays in the barcode field";
        dialog->reject();
    });
    m_boxes.queue(MsgAnswer::Yes); // 2 slots for 12 volumes: go on
    sendCommand(map(), ID_SCAN_INCOMING);
    EXPECT_EQ(status, "1 of 2 selected slots remain");
    EXPECT_NE(refusalColour, normalColour);
    EXPECT_EQ(normalColour, QApplication::palette().color(QPalette::WindowText));
}

TEST_F(ScanDialogTest, AScanTheJournalCannotTakeIsRefusedInTheStatusLine) {
    ASSERT_TRUE(startOnPile());
    map()->SelectItem(0);
    // Something in the journal's place: no scan can be put on disk.
    const std::string journal = doc()->JournalPath();
    ASSERT_EQ(QDir().mkpath(QString::fromStdString(journal)), true);
    QString refusedStatus, acceptedStatus;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        CScanWnd* field = dialog->BarcodeField();
        QTest::keyClicks(field, "v1");
        QTest::keyClick(field, Qt::Key_Return);
        refusedStatus = dialog->StatusLine()->text();
        EXPECT_EQ(dialog->focusWidget(), field) << "the keyboard stays with the scanner";
        QDir().rmdir(QString::fromStdString(journal));
        QTest::keyClicks(field, "v1");
        QTest::keyClick(field, Qt::Key_Return);
        acceptedStatus = dialog->StatusLine()->text();
        dialog->reject();
    });
    m_boxes.queue(MsgAnswer::Yes); // 1 slot for 12 volumes: go on
    sendCommand(map(), ID_SCAN_INCOMING);
    EXPECT_EQ(m_boxes.shown.size(), 1u) << "only the question, no journal box";
    EXPECT_TRUE(refusedStatus.startsWith("Journal Error: Cannot open " +
                                         QString::fromStdString(journal) + ": Is a directory."))
        << refusedStatus.toStdString();
    EXPECT_TRUE(refusedStatus.endsWith("\n1 of 1 selected slots remain"));
    EXPECT_EQ(acceptedStatus, "0 of 1 selected slots remain") << "the slot was not used up";
    EXPECT_EQ(map()->GetItemText(0, 4), "V1");
}
