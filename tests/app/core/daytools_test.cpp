// The operator's tools beyond scanning: the outgoing check, the shelf audit
// and taking scans back, against a hand-built file with every case.
#include "messagebox.h"
#include "outgoingcheck.h"
#include "scanworkflow.h"
#include "shelfaudit.h"
#include "testfiles.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

using Doc = CKVLTOfflineScannerDoc;

// Ten slots in zone S. Slots 1 to 4 hold A1 to A4; B7 is in slot 7; F9 came
// slotted from the server (slot 9, no "assigned"). IN1 and IN2 are incoming;
// O1, O2 and O3 are outgoing (O3 still on the shelf in slot 8).
const char* const kShelfFile =
    R"({"repository":{"slots":10,"zones":[{"zone":"S","slot_start":1,"slot_end":10}]},
        "volumes":[{"id":"A1","slot":1,"assigned":"x"},{"id":"A2","slot":2,"assigned":"x"},
                   {"id":"A3","slot":3,"assigned":"x"},{"id":"A4","slot":4,"assigned":"x"},
                   {"id":"B7","slot":7,"assigned":"x"},{"id":"F9","slot":9},
                   {"id":"IN1","source":"X"},{"id":"IN2","source":"X"},
                   {"id":"O1","target":"T"},{"id":"O2","target":"T"},
                   {"id":"O3","target":"T","slot":8,"assigned":"x"}]})";

class DayTools : public ::testing::Test {
  protected:
    TempDir folder;
    ScopedEnv data{"XDG_DATA_HOME", folder.path("data")};
    ScriptedPresenter boxes;
    Doc doc;
    std::string path;

    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        doc.SetClock([] { return int64_t(1796632200); });
        path = folder.write("shelf.json", kShelfFile);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        ASSERT_EQ(doc.OpenForScanning(), ScanningStatus::Ready);
    }
    std::vector<std::string> cells(const std::vector<AuditRow>& rows) {
        std::vector<std::string> lines;
        for (const AuditRow& row : rows) {
            std::string line;
            for (int c = 0; c < AUDIT_COLUMN_COUNT; ++c)
                line += (c ? "|" : "") + auditCellText(doc, row, c);
            lines.push_back(line);
        }
        return lines;
    }
};

// ------------------------------------------------------------------ outgoing check

TEST_F(DayTools, OutgoingCheckMarksFlagsAndListsWhatIsLeft) {
    OutgoingCheck check(doc, true);
    EXPECT_EQ(check.statusText(), "0 of 3 outgoing volumes checked");
    EXPECT_EQ(check.check(" o1\n").outcome, CheckOutcome::Checked);
    const CheckScan notOutgoing = check.check("IN1");
    EXPECT_EQ(notOutgoing.outcome, CheckOutcome::NotOutgoing);
    EXPECT_EQ(notOutgoing.text, "Barcode 'IN1' is not an outgoing volume");
    EXPECT_EQ(check.check("NOPE").text,
              "Barcode 'NOPE' is not an outgoing volume: no volume in the file has it");
    const CheckScan repeated = check.check("O1");
    EXPECT_EQ(repeated.outcome, CheckOutcome::Repeated);
    EXPECT_EQ(repeated.text, "Barcode 'O1' has already been checked");
    EXPECT_EQ(check.check("o3").outcome, CheckOutcome::Checked);
    EXPECT_EQ(check.statusText(), "2 of 3 outgoing volumes checked");
    ASSERT_EQ(check.unchecked().size(), 1u);
    EXPECT_STREQ(Doc::StringField(check.unchecked()[0], "id"), "O2");
    // The marks are the document's, journaled; the file is not changed.
    EXPECT_EQ(doc.OutgoingChecks().size(), 2u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(readFile(path), kShelfFile);
}

TEST_F(DayTools, AnUnjournaledCheckLeavesTheDocumentAlone) {
    OutgoingCheck check(doc, false);
    EXPECT_EQ(check.check("O2").outcome, CheckOutcome::Checked);
    EXPECT_EQ(check.check("O2").outcome, CheckOutcome::Repeated);
    EXPECT_EQ(check.checkedCount(), 1u);
    EXPECT_TRUE(doc.OutgoingChecks().empty());
}

// ------------------------------------------------------------------ shelf audit

TEST_F(DayTools, AuditAsFoundPlacesEachTapeByTheSlotTheFileGivesIt) {
    // Slots 1 to 5; A1 and A3 are there, B7 (slot 7), IN1 (no slot) and an
    // unknown tape too; A3 is scanned twice.
    ShelfAudit audit(doc, {5, 1, 2, 3, 4, 3}, false);
    EXPECT_EQ(audit.expectedCount(), 4u);
    EXPECT_EQ(audit.scan("a3").outcome, AuditScanOutcome::Present);
    const AuditScan wrong = audit.scan("B7");
    EXPECT_EQ(wrong.outcome, AuditScanOutcome::WrongSlot);
    EXPECT_EQ(wrong.text, "Volume 'B7' belongs in slot S:7 (7)");
    EXPECT_EQ(audit.scan("IN1").outcome, AuditScanOutcome::Surplus);
    EXPECT_EQ(audit.scan("XX9").text,
              "Barcode 'XX9' is unknown: it is not expected in these slots");
    EXPECT_EQ(audit.scan("A3").outcome, AuditScanOutcome::Repeated);
    EXPECT_EQ(audit.scan("").outcome, AuditScanOutcome::Ignored);
    EXPECT_EQ(audit.scan("A1").outcome, AuditScanOutcome::Present);
    EXPECT_EQ(audit.statusText(), "5 scanned; 2 of 4 expected volumes found");

    const std::vector<AuditRow> rows = audit.results();
    EXPECT_EQ(cells(rows), (std::vector<std::string>{"S:1|1|A1|A1|Present|", "S:2|2|A2||Absent|",
                                                     "S:3|3|A3|A3|Present|", "S:4|4|A4||Absent|",
                                                     "S:5|5|||Empty|", "|||B7|Wrong Slot|S:7 (7)",
                                                     "|||IN1|Surplus|", "|||XX9|Surplus|"}));
    EXPECT_FALSE(auditPassed(rows));
}

TEST_F(DayTools, AuditSlotBySlotHoldsEachTapeAgainstItsOwnSlot) {
    ShelfAudit audit(doc, {1, 2, 3, 4, 5, 6}, true);
    EXPECT_EQ(audit.currentSlot(), 1u);
    EXPECT_EQ(audit.scan("A1").outcome, AuditScanOutcome::Present);
    // A3 sits in slot 2: wrong slot, and A2 is missing there.
    const AuditScan swapped = audit.scan("A3");
    EXPECT_EQ(swapped.outcome, AuditScanOutcome::WrongSlot);
    EXPECT_EQ(swapped.slot, 2u);
    EXPECT_EQ(swapped.text, "Volume 'A3' belongs in slot S:3 (3); 'A2' was expected here");
    EXPECT_EQ(audit.scan("A3").outcome, AuditScanOutcome::Repeated) << "and the slot stays";
    EXPECT_EQ(audit.currentSlot(), 3u);
    EXPECT_EQ(audit.scan("-").outcome, AuditScanOutcome::NothingHere);
    EXPECT_EQ(audit.scan("A4").outcome, AuditScanOutcome::Present);
    EXPECT_EQ(audit.scan("IN2").outcome, AuditScanOutcome::Surplus);
    EXPECT_EQ(audit.statusText(), "Slot S:6 (6), 6 of 6: scan what is there, or Enter alone for "
                                  "an empty slot. 2 of 4 expected volumes found");

    // Slot 6 was never reached.
    EXPECT_EQ(cells(audit.results()),
              (std::vector<std::string>{"S:1|1|A1|A1|Present|", "S:2|2|A2||Absent|",
                                        "S:2|2||A3|Wrong Slot|S:3 (3)", "S:3|3|A3||Absent|",
                                        "S:4|4|A4|A4|Present|", "S:5|5||IN2|Surplus|",
                                        "S:6|6|||Not Audited|"}));
    EXPECT_EQ(audit.scan("").outcome, AuditScanOutcome::NothingHere);
    EXPECT_EQ(audit.scan("A2").outcome, AuditScanOutcome::NoSlotLeft);
    EXPECT_EQ(audit.currentSlot(), 0u);
}

TEST_F(DayTools, AnAuditWhereEverythingIsInPlacePasses) {
    ShelfAudit audit(doc, {1, 2, 6}, true);
    audit.scan("A1");
    audit.scan("A2");
    audit.scan("");
    EXPECT_TRUE(auditPassed(audit.results()));
    EXPECT_FALSE(doc.IsModified());
}

// ------------------------------------------------------------------ taking back

TEST_F(DayTools, ScanThenUndoSavesTheBytesThatWereThere) {
    // The file as the printer writes it, so that bytes compare.
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const std::string before = readFile(path);
    RowSelection slots({4, 5}); // slots 5 and 6
    ScanSession session(doc, slots);
    ASSERT_EQ(session.scan("IN2"), ScanOutcome::Accepted);
    ASSERT_EQ(session.scan("IN1"), ScanOutcome::Accepted);
    std::string error;
    cJSON* volume = nullptr;
    uint32_t slot = 0;
    // Undo gives the slot back to the session: the next scan takes it.
    ASSERT_EQ(session.undoLast(error, &volume, &slot), TakeBackResult::Done);
    EXPECT_STREQ(Doc::StringField(volume, "id"), "IN1");
    EXPECT_EQ(slot, 6u);
    EXPECT_EQ(session.statusText(), "1 of 2 selected slots remain");
    ASSERT_EQ(session.scan("IN1"), ScanOutcome::Accepted);
    EXPECT_EQ(Doc::NumberField(volume, "slot"), 6);
    ASSERT_EQ(session.undoLast(error), TakeBackResult::Done);
    ASSERT_EQ(session.undoLast(error), TakeBackResult::Done);
    EXPECT_EQ(session.undoLast(error), TakeBackResult::NotSlotted) << "nothing left of this run";
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(readFile(path), before);
}

TEST_F(DayTools, OnlyWhatThisToolSlottedIsTakenBack) {
    std::string error, caption;
    EXPECT_EQ(doc.TakeBackSlot(doc.GetVolumesById().find("F9"), error), TakeBackResult::FromServer);
    EXPECT_EQ(takeBackRefusalText(TakeBackResult::FromServer, "F9", error, caption),
              "Volume 'F9' was slotted by the server, not by this tool, and cannot be returned "
              "to incoming here");
    EXPECT_EQ(caption, "Slotting Error");
    EXPECT_EQ(doc.TakeBackSlot(doc.GetVolumesById().find("IN1"), error),
              TakeBackResult::NotSlotted);
    // A volume this tool slotted in an earlier run ("assigned") goes back.
    EXPECT_EQ(doc.TakeBackSlot(doc.GetVolumesById().find("B7"), error), TakeBackResult::Done);
    EXPECT_EQ(doc.GetSlotVolumes().find(7), nullptr);
    EXPECT_EQ(doc.GetIncomingVolumes().size(), 5u); // IN1, IN2, B7 and the unslotted O1, O2
}

} // namespace
