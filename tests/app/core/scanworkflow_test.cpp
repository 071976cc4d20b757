#include "listtexts.h"
#include "messagebox.h"
#include "scanworkflow.h"
#include "testfiles.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

using Doc = CKVLTOfflineScannerDoc;

// 2026-12-07 08:30:00 UTC
constexpr int64_t kScanTime = 1796632200;

class Scanning : public ::testing::Test {
  protected:
    TempDir folder;
    ScriptedPresenter boxes;
    Doc doc;

    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        doc.SetClock([] { return kScanTime; });
    }
    void open(const std::string& text) {
        ASSERT_TRUE(doc.OnOpenDocument(folder.write("scan.json", text)));
    }
    // Ten free slots, volumes IN1..IN3 incoming, "lower" with a lower-case
    // id, ZERO with "slot": 0, S5 already in slot 5.
    void openTenSlots() {
        open(R"({"repository":{"slots":10,"zones":[{"zone":"R","slot_start":1,"slot_end":10}]},
            "volumes":[{"id":"IN1","source":"X"},{"id":"IN2"},{"id":"IN3"},{"id":"lower"},
                       {"id":"ZERO","slot":0},{"id":"S5","slot":5}]})");
    }
    std::vector<std::string> incomingIds() {
        std::vector<std::string> ids;
        doc.GetIncomingVolumes().forEach(
            [&](cJSON* v) { ids.push_back(Doc::StringField(v, "id")); });
        return ids;
    }
};

struct RecordingListener final : ScanListener {
    std::vector<uint32_t> visible;
    void makeRowVisible(uint32_t row) override { visible.push_back(row); }
};

// A view of the document: the slots its updates announced.
struct RecordingView final : CDocumentView {
    std::vector<int64_t> slotted;
    void OnUpdate(CDocumentView*, int64_t hint, void*) override { slotted.push_back(hint); }
};

// ------------------------------------------------------------------ scans

TEST_F(Scanning, AcceptedScansUseTheChosenSlotsInAscendingRowOrder) {
    openTenSlots();
    RowSelection chosen({8, 1, 6}); // picked in any order
    RecordingListener listener;
    RecordingView view;
    doc.AddView(&view);
    ScanSession session(doc, chosen, &listener);
    EXPECT_EQ(session.statusText(), "3 of 3 selected slots remain");

    EXPECT_EQ(session.scan("in2"), ScanOutcome::Accepted) << "lower-case finds the upper-case id";
    EXPECT_EQ(session.statusText(), "2 of 3 selected slots remain");
    EXPECT_EQ(session.scan("IN1"), ScanOutcome::Accepted);
    EXPECT_EQ(listener.visible, (std::vector<uint32_t>{1, 6}));
    EXPECT_EQ(view.slotted, (std::vector<int64_t>{2, 7})) << "each slot announced once";
    doc.RemoveView(&view);
    EXPECT_EQ(Doc::StringField(doc.GetSlotVolumes().find(2), "id"), std::string("IN2"));
    EXPECT_EQ(Doc::StringField(doc.GetSlotVolumes().find(7), "id"), std::string("IN1"));
    EXPECT_EQ(incomingIds(), (std::vector<std::string>{"IN3", "lower", "ZERO"}));
    EXPECT_EQ(listCellText(doc, ScanList::Map, 1, MAP_VOLUME), "IN2");
    EXPECT_EQ(listCellText(doc, ScanList::Map, 1, MAP_ASSIGNED),
              "Monday, December 07, 2026 - 08:30:00 (UTC)");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Scanning, RefusedScansChangeNothing) {
    openTenSlots();
    RowSelection chosen({0, 1, 2});
    ScanSession session(doc, chosen);
    struct Case {
        std::string barcode;
        ScanOutcome outcome;
        std::string text;
    } cases[] = {
        {"nope", ScanOutcome::Unknown, "Barcode 'NOPE' is unknown"},
        {"", ScanOutcome::Unknown, "Barcode '' is unknown"},
        {"lower", ScanOutcome::Unknown, "Barcode 'LOWER' is unknown"},
        {"zero", ScanOutcome::AlreadySlotted, "Barcode 'ZERO' has already been assigned to a slot"},
        {"S5", ScanOutcome::AlreadySlotted, "Barcode 'S5' has already been assigned to a slot"},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        EXPECT_EQ(session.scan(c.barcode), c.outcome) << c.barcode;
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, c.text);
        EXPECT_EQ(boxes.shown[0].caption, "Barcode Error");
        EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);
        EXPECT_EQ(session.statusText(), "3 of 3 selected slots remain");
    }
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetSlotVolumes().size(), 1u);
}

TEST_F(Scanning, BarcodesAreTrimmedAndAListenerCanShowTheRefusalsItself) {
    openTenSlots();
    RowSelection chosen({0, 1});
    struct Showing final : ScanListener {
        std::vector<std::string> shown;
        bool scanRefused(ScanOutcome, const std::string& text,
                         const std::string& caption) override {
            shown.push_back(caption + ": " + text);
            return true;
        }
    } listener;
    ScanSession session(doc, chosen, &listener);
    EXPECT_EQ(session.scan(" in1 \r"), ScanOutcome::Accepted) << "blanks around the barcode";
    EXPECT_EQ(session.scan("\tIN2"), ScanOutcome::Accepted);
    EXPECT_EQ(session.scan("  "), ScanOutcome::Unknown);
    EXPECT_EQ(session.scan("IN 3"), ScanOutcome::Unknown) << "a blank inside stays";
    EXPECT_EQ(listener.shown,
              (std::vector<std::string>{"Barcode Error: Barcode '' is unknown",
                                        "Barcode Error: Barcode 'IN 3' is unknown"}));
    EXPECT_TRUE(boxes.shown.empty()) << "no message box when the listener shows the refusal";
    EXPECT_EQ(Doc::StringField(doc.GetSlotVolumes().find(1), "id"), std::string("IN1"));
}

TEST_F(Scanning, TheSameBarcodeTwiceAndABarcodeAfterTheLastSlot) {
    openTenSlots();
    RowSelection chosen({3});
    ScanSession session(doc, chosen);
    EXPECT_EQ(session.scan("IN1"), ScanOutcome::Accepted);
    EXPECT_EQ(session.nextPosition(), 0);
    EXPECT_EQ(session.scan("IN1"), ScanOutcome::AlreadySlotted);
    EXPECT_EQ(session.scan("IN2"), ScanOutcome::NoSlotLeft);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].caption, "Slotting Error");
    EXPECT_EQ(boxes.shown[1].text,
              "Barcode 'IN2' was not slotted: all 1 selected slots have been used.");
    EXPECT_EQ(doc.GetSlotVolumes().count(0), 0u) << "never slot 0";
    EXPECT_EQ(Doc::StringField(doc.GetSlotVolumes().find(4), "id"), std::string("IN1"));
    EXPECT_EQ(session.statusText(), "0 of 1 selected slots remain");
    EXPECT_EQ(incomingIds().front(), "IN2");
}

TEST_F(Scanning, SlotAndAssignedAreTheLastTwoMembersOfTheSavedVolume) {
    openTenSlots();
    RowSelection chosen({9});
    ScanSession session(doc, chosen);
    ASSERT_EQ(session.scan("IN1"), ScanOutcome::Accepted);
    ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));

    cJSON* saved = cJSON_Parse(readFile(doc.GetPathName()).c_str());
    ASSERT_NE(saved, nullptr);
    cJSON* volume = cJSON_GetArrayItem(cJSON_GetObjectItem(saved, "volumes"), 0);
    std::vector<std::string> keys;
    for (cJSON* member = volume->child; member; member = member->next)
        keys.push_back(member->string);
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "source", "slot", "assigned"}));
    EXPECT_EQ(cJSON_GetObjectItem(volume, "slot")->valuedouble, 10.0);
    EXPECT_STREQ(cJSON_GetObjectItem(volume, "assigned")->valuestring,
                 "Monday, December 07, 2026 - 08:30:00 (UTC)");
    cJSON_Delete(saved);

    Doc reread;
    ASSERT_TRUE(reread.OnOpenDocument(doc.GetPathName()));
    EXPECT_EQ(reread.GetIncomingVolumes().size(), 4u);
    EXPECT_EQ(reread.GetSlotVolumes().size(), 2u);
}

TEST_F(Scanning, AnAssignedTimeWithoutASlotIsReplacedWhereItStands) {
    open(R"json({"repository":{"slots":3,"zones":[{"zone":"R","slot_start":1,"slot_end":3}]},
        "volumes":[{"id":"OLD","assigned":"Friday, January 01, 2021 - 00:00:00 (UTC)",
                    "note":"x","assigned":7}]})json");
    RowSelection chosen({0});
    ScanSession session(doc, chosen);
    ASSERT_EQ(session.scan("OLD"), ScanOutcome::Accepted);
    ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
    // Every reader, whichever "assigned" it takes, sees the new time.
    EXPECT_EQ(runPython(R"(
import json, sys
volume = json.load(open(sys.argv[1]), object_pairs_hook=lambda p: p)[1][1][0]
print(volume)
)",
                        doc.GetPathName()),
              "[('id', 'OLD'), ('assigned', 'Monday, December 07, 2026 - 08:30:00 (UTC)'), "
              "('note', 'x'), ('assigned', 'Monday, December 07, 2026 - 08:30:00 (UTC)'), "
              "('slot', 1)]\n");
}

// ------------------------------------------------------------------ choosing slots

TEST_F(Scanning, HandPickedSlotsAreChecked) {
    openTenSlots();
    RowSelection none;
    EXPECT_EQ(requireSlotSelection(none), 0u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "You must select one item from the list.");
    EXPECT_EQ(boxes.shown[0].caption, "Selection Required");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Warning);

    boxes.shown.clear();
    RowSelection occupied({1, 4, 6}); // row 4 is slot 5, taken by S5
    EXPECT_FALSE(checkHandPickedSlots(doc, occupied, 3));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Slot number 5 is already occupied");
    EXPECT_EQ(boxes.shown[0].caption, "Slotting Error");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Information);

    boxes.shown.clear();
    boxes.queue(MsgAnswer::No);
    RowSelection two({0, 1});
    EXPECT_FALSE(checkHandPickedSlots(doc, two, 2));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "You have only selected 2 free slots, but you have 5 Volumes "
                                   "to slot.\n\nDo you want to continue anyway?");
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Question);
    boxes.queue(MsgAnswer::Yes);
    EXPECT_TRUE(checkHandPickedSlots(doc, two, 2));

    boxes.shown.clear();
    RowSelection five({0, 1, 2, 3, 6});
    EXPECT_TRUE(checkHandPickedSlots(doc, five, 5));
    EXPECT_TRUE(boxes.shown.empty()) << "as many slots as volumes: no question";
}

TEST_F(Scanning, AutomaticSelectionOnTheExampleMap) {
    // 20 slots, 4, 9, 10 and 15 taken, as many incoming volumes as asked.
    auto file = [](int incoming) {
        std::string text = R"({"repository":{"slots":20},"volumes":[{"id":"a","slot":4},)"
                           R"({"id":"b","slot":9},{"id":"c","slot":10},{"id":"d","slot":15})";
        for (int i = 0; i < incoming; ++i)
            text += ",{\"id\":\"N" + std::to_string(i) + "\"}";
        return text + "]}";
    };
    open(file(4));
    EXPECT_EQ(doc.AutoSelectSlots(true), (std::vector<uint32_t>{0, 1, 2, 4}));
    EXPECT_EQ(doc.AutoSelectSlots(false), (std::vector<uint32_t>{4, 5, 6, 7}));
    open(file(9));
    EXPECT_EQ(doc.AutoSelectSlots(false), (std::vector<uint32_t>{4, 5, 6, 7, 15, 16, 17, 18, 19}));
    open(file(17));
    EXPECT_EQ(doc.AutoSelectSlots(true).size(), 16u) << "First Available keeps what it found";
    EXPECT_TRUE(doc.AutoSelectSlots(false).empty()) << "IntelliSlot gives all or nothing";
    open(file(0));
    EXPECT_TRUE(doc.AutoSelectSlots(true).empty());
    EXPECT_TRUE(doc.AutoSelectSlots(false).empty());
}

TEST_F(Scanning, SlotsAboveTheSlotCountAreIgnoredWhenSelecting) {
    open(
        R"({"repository":{"slots":3},"volumes":[{"id":"far","slot":99},{"id":"n1"},{"id":"n2"}]})");
    EXPECT_EQ(doc.AutoSelectSlots(true), (std::vector<uint32_t>{0, 1}));
}

} // namespace
