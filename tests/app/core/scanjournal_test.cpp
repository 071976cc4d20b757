// The scan journal, the one-writer lock and the save checks as a document
// sees them: what a later run recovers, what it refuses, and what is left on
// disk.
#include "messagebox.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"
#include "testsupport.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

using Doc = CKVLTOfflineScannerDoc;

constexpr const char* kFile =
    R"({"repository":{"slots":6},"volumes":[{"id":"A"},{"id":"B"},{"id":"C"},{"id":"S","slot":2}]})";

class Journal : public ::testing::Test {
  protected:
    TempDir folder;
    ScopedEnv data{"XDG_DATA_HOME", folder.path("data")};
    ScriptedPresenter boxes;
    std::string file = folder.write("scan.json", kFile);
    int64_t now = 1700000000;

    // A document opened for scanning, as the window and kvlt-scan open one.
    std::unique_ptr<Doc> open() {
        auto doc = std::make_unique<Doc>();
        doc->SetClock([this] { return now++; });
        EXPECT_TRUE(doc->OnOpenDocument(file));
        // A second writer gets it read-only; the tests check IsReadOnly.
        (void)doc->OpenForScanning();
        return doc;
    }
    // Scans the barcodes into slots 3, 4, 5...
    static void scan(Doc& doc, const std::vector<std::string>& barcodes) {
        RowSelection slots({2, 3, 4, 5});
        ScanSession session(doc, slots);
        for (const std::string& barcode : barcodes)
            ASSERT_EQ(session.scan(barcode), ScanOutcome::Accepted) << barcode;
    }
    static std::string member(const Doc& doc, const char* id, const char* key) {
        const cJSON* item = cJSON_GetObjectItem(doc.GetVolumesById().find(id), key);
        return item == nullptr        ? "-"
               : cJSON_IsString(item) ? item->valuestring
                                      : std::to_string(item->valueint);
    }
};

TEST_F(Journal, ACrashedRunsScansComeBackAsTheyWereAndASaveEndsTheJournal) {
    std::string journal, firstTime;
    {
        auto crashed = open();
        scan(*crashed, {"b", "A"});
        journal = crashed->JournalPath();
        firstTime = member(*crashed, "B", "assigned");
        // A write that a power cut cut short, after the two synced lines.
        int fd = ::open(journal.c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::write(fd, "{\"id\":\"C\",\"sl", 13), 13);
        ::close(fd);
    } // gone without a save, as a killed run goes

    now += 500;
    auto doc = open();
    EXPECT_FALSE(doc->IsReadOnly());
    RecoveryOutcome outcome = doc->OfferRecovery();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Recover 2 unsaved scans from an earlier run?");
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(outcome.result, RecoveryResult::Recovered);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(member(*doc, "B", "slot"), "3");
    EXPECT_EQ(member(*doc, "A", "slot"), "4");
    EXPECT_EQ(member(*doc, "B", "assigned"), firstTime) << "the time of the scan, not of recovery";
    EXPECT_EQ(doc->GetIncomingVolumes().size(), 1u);

    // Scanning goes on in the same run: a second crash brings back all three.
    RowSelection slots({5});
    ScanSession session(*doc, slots);
    ASSERT_EQ(session.scan("C"), ScanOutcome::Accepted);
    doc.reset();
    doc = open();
    EXPECT_EQ(doc->OfferRecovery().count, 3u);
    EXPECT_EQ(member(*doc, "C", "slot"), "6");

    ASSERT_TRUE(doc->OnSaveDocument(file));
    EXPECT_FALSE(fileExists(journal));
    doc.reset();
    doc = open();
    EXPECT_EQ(doc->OfferRecovery().result, RecoveryResult::Nothing);
}

TEST_F(Journal, DeclinedScansAreKeptForAnExplicitRecoveryOrDiscardedForGood) {
    {
        auto crashed = open();
        scan(*crashed, {"A", "B"});
    }
    auto doc = open();
    boxes.queue(MsgAnswer::No);  // not now
    boxes.queue(MsgAnswer::Yes); // but keep them for later
    RecoveryOutcome declined = doc->OfferRecovery();
    EXPECT_EQ(declined.result, RecoveryResult::Declined);
    EXPECT_EQ(boxes.shown.back().text.substr(0, 30), "Keep the 2 scans for later?\n\nY");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(fileExists(doc->JournalPath()));
    EXPECT_NE(declined.journalPath.find("-kept-"), std::string::npos) << declined.journalPath;
    doc.reset();

    // A batch run (no kept journals) leaves them; an explicit recovery applies them.
    doc = open();
    EXPECT_EQ(doc->OfferRecovery(nullptr, false).result, RecoveryResult::Nothing);
    EXPECT_EQ(member(*doc, "A", "slot"), "-");
    doc.reset();
    doc = open();
    RecoveryOutcome recovered = doc->OfferRecovery(nullptr, true);
    EXPECT_EQ(recovered.result, RecoveryResult::Recovered);
    EXPECT_EQ(member(*doc, "A", "slot"), "3");
    EXPECT_FALSE(fileExists(declined.journalPath));
    EXPECT_TRUE(fileExists(doc->JournalPath())) << "the live journal holds them now";

    // Discarded: a crash right after shows nothing, and neither does any later open.
    boxes.queue(MsgAnswer::No);
    ASSERT_TRUE(doc->SaveModified("Save?", {}, MsgIcon::Question, nullptr, [] { return true; }));
    doc.reset();
    doc = open();
    EXPECT_EQ(doc->OfferRecovery().result, RecoveryResult::Nothing);
    EXPECT_EQ(member(*doc, "A", "slot"), "-");
}

TEST_F(Journal, ScansForOtherBytesAreNeverAppliedAndKeptAside) {
    std::string journal;
    {
        auto crashed = open();
        scan(*crashed, {"A"});
        journal = crashed->JournalPath();
    }
    writeFile(file, std::string(kFile) + "\n"); // same JSON, other bytes
    auto doc = open();
    RecoveryOutcome outcome = doc->OfferRecovery();
    EXPECT_EQ(outcome.result, RecoveryResult::NotApplied);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(member(*doc, "A", "slot"), "-");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Recovery Error");
    EXPECT_EQ(boxes.shown[0].text, "The scan journal holds 1 unsaved scans of " + file +
                                       " from an earlier run, but they were not applied: the "
                                       "file has changed since they were scanned.\n\nThe journal "
                                       "is kept as " +
                                       outcome.journalPath + ".");
    EXPECT_FALSE(fileExists(journal));
    EXPECT_NE(readFile(outcome.journalPath).find("\"id\":\"A\""), std::string::npos);
    // Saving the file later does not sweep the kept journal away.
    scan(*doc, {"B"});
    ASSERT_TRUE(doc->OnSaveDocument(file));
    EXPECT_TRUE(fileExists(outcome.journalPath));
}

TEST_F(Journal, OneWriterPerFile) {
    auto first = open();
    auto second = open();
    EXPECT_FALSE(first->IsReadOnly());
    ASSERT_TRUE(second->IsReadOnly());
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(second->ReadOnlyText(), file + " is open for scanning in process " +
                                          std::to_string(getpid()) + " (appcore_tests) on host " +
                                          host + ".");
    // The read-only one cannot save over it; a copy elsewhere is fine.
    EXPECT_FALSE(second->OnSaveDocument(file));
    EXPECT_EQ(boxes.shown.back().caption, "Save Error");
    EXPECT_TRUE(second->OnSaveDocument(folder.path("copy.json")));
    EXPECT_FALSE(second->IsReadOnly()) << "scanning goes on in the copy";
    // Nor can the writer of the copy save over the first one's file.
    EXPECT_FALSE(second->OnSaveDocument(file));

    first.reset(); // the lock goes with the run, and so does its lock file
    auto third = open();
    EXPECT_FALSE(third->IsReadOnly());
}

TEST_F(Journal, ASaveNeverOverwritesAnEditMadeOnDiskSinceTheLoad) {
    auto doc = open();
    scan(*doc, {"A"});
    const std::string edited = std::string(kFile) + " ";
    writeFile(file, edited);
    EXPECT_FALSE(doc->OnSaveDocument(file));
    EXPECT_EQ(readFile(file), edited);
    EXPECT_EQ(boxes.shown.back().text,
              file + " has been changed on disk since it was loaded.\n\nIt was not saved, so the "
                     "changes made there are kept.");
    EXPECT_TRUE(fileExists(doc->JournalPath())) << "the scans are still in the journal";

    doc->SetAskBeforeOverwritingChanges(true);
    boxes.queue(MsgAnswer::No);
    EXPECT_FALSE(doc->OnSaveDocument(file));
    EXPECT_EQ(readFile(file), edited);
    boxes.queue(MsgAnswer::Yes);
    EXPECT_TRUE(doc->OnSaveDocument(file));
    EXPECT_NE(readFile(file).find("\"assigned\""), std::string::npos);
    // Our own save is no edit from elsewhere.
    scan(*doc, {"B"});
    size_t asked = boxes.shown.size();
    EXPECT_TRUE(doc->OnSaveDocument(file));
    EXPECT_EQ(boxes.shown.size(), asked);
}

TEST_F(Journal, ASaveByTheLockHolderSweepsUpWhatKilledSavesLeft) {
    const std::string stale = folder.write(".kvlt-save-Ab12Cd", std::string(1000, 'x'));
    const std::string other = folder.write(".kvlt-save-longer-name", "keep");
    auto doc = open();
    scan(*doc, {"A"});
    ASSERT_TRUE(doc->OnSaveDocument(file));
    EXPECT_FALSE(fileExists(stale));
    EXPECT_TRUE(fileExists(other));
}

} // namespace

namespace {

TEST_F(Journal, ATakeBackLeavesTheFileAsItWasBeforeTheScanAfterACrashToo) {
    // An earlier "assigned" with a zero character and a number only its text keeps.
    const std::string original =
        "{\"repository\":{\"slots\":6},\"volumes\":[{\"id\":\"A\",\"assigned\":\"x\\u0000y\","
        "\"n\":1e400},{\"id\":\"B\"},{\"id\":\"S\",\"slot\":2}]}";
    writeFile(file, original);
    auto doc = open();
    ASSERT_TRUE(doc->OnSaveDocument(file)); // in the printer's layout
    const std::string before = readFile(file);
    doc.reset();
    doc = open();
    scan(*doc, {"A", "B"});
    std::string error;
    EXPECT_EQ(doc->TakeBackSlot(doc->GetVolumesById().find("A"), error), TakeBackResult::Done);
    EXPECT_EQ(doc->TakeBackSlot(doc->GetVolumesById().find("S"), error),
              TakeBackResult::FromServer);
    EXPECT_EQ(doc->SlottedSinceOpened().size(), 1u);
    doc.reset(); // a crash: the journal holds the scans and the take-back
    doc = open();
    EXPECT_EQ(doc->OfferRecovery().result, RecoveryResult::Recovered);
    EXPECT_EQ(doc->TakeBackSlot(doc->GetVolumesById().find("B"), error), TakeBackResult::Done);
    ASSERT_TRUE(doc->OnSaveDocument(file));
    EXPECT_EQ(readFile(file), before);
}

} // namespace

namespace {

TEST_F(Journal, CheckMarksAloneComeBackWithoutAQuestion) {
    writeFile(file,
              "{\"repository\":{\"slots\":6},\"volumes\":[{\"id\":\"O\",\"target\":\"R2\"}]}");
    {
        auto crashed = open();
        std::string error;
        ASSERT_TRUE(crashed->CheckOutgoing(crashed->GetVolumesById().find("O"), error)) << error;
    }
    auto doc = open();
    EXPECT_EQ(doc->OfferRecovery().result, RecoveryResult::Nothing);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    EXPECT_EQ(doc->OutgoingChecks().count(doc->GetVolumesById().find("O")), 1u);
}

} // namespace
