#include "jsonarena.h"
#include "listtexts.h"
#include "messagebox.h"
#include "scanfiledoc.h"
#include "testfiles.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

namespace {

using Doc = CKVLTOfflineScannerDoc;

struct RecordingView final : CDocumentView {
    std::vector<int64_t> hints;
    void OnUpdate(CDocumentView*, int64_t hint, void*) override { hints.push_back(hint); }
};

class ScanFile : public ::testing::Test {
  protected:
    TempDir folder;
    ScriptedPresenter boxes;
    Doc doc;

    bool open(const std::string& text) {
        return doc.OnOpenDocument(folder.write("scan.json", text));
    }
    std::string id(const cJSON* volume) { return Doc::StringField(volume, "id"); }
};

// ------------------------------------------------------------------ the documented example

TEST_F(ScanFile, ExampleZonesAndLabels) {
    ASSERT_TRUE(open(kExampleScanFile));
    ASSERT_EQ(doc.GetZones().size(), 2u);
    EXPECT_EQ(doc.GetZones()[0].firstSlot, 1);
    EXPECT_EQ(doc.GetZones()[0].lastSlot, 20);
    EXPECT_EQ(doc.GetZones()[1].firstSlot, 21);
    EXPECT_EQ(doc.GetZones()[1].lastSlot, 30);
    EXPECT_EQ(doc.GetSlotCount(), 30);
    const std::pair<uint32_t, const char*> labels[] = {
        {1, "A:1.1"}, {9, "A:1.9"}, {10, "A:2.0"},       {11, "A:2.1"},     {20, "A:3.0"},
        {21, "B:1"},  {30, "B:10"}, {31, "Logic Error"}, {0, "Logic Error"}};
    for (auto [slot, label] : labels)
        EXPECT_EQ(doc.SlotLabel(slot), label) << slot;
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ScanFile, ExampleVolumesAndLists) {
    ASSERT_TRUE(open(kExampleScanFile));
    ASSERT_EQ(doc.GetIncomingVolumes().size(), 2u);
    EXPECT_EQ(id(doc.GetIncomingVolumes()[0]), "V1");
    EXPECT_EQ(id(doc.GetIncomingVolumes()[1]), "V3");
    ASSERT_EQ(doc.GetOutgoingVolumes().size(), 1u);
    EXPECT_EQ(id(doc.GetOutgoingVolumes()[0]), "V3");
    ASSERT_EQ(doc.GetSlotVolumes().size(), 1u);
    EXPECT_EQ(id(doc.GetSlotVolumes().find(12)), "V2");

    EXPECT_EQ(listRowCount(doc, ScanList::Map), 30u);
    EXPECT_EQ(listCellText(doc, ScanList::Map, 11, MAP_ZONE), "A:2.2");
    EXPECT_EQ(listCellText(doc, ScanList::Map, 11, MAP_SEQ), "12");
    EXPECT_EQ(listCellText(doc, ScanList::Map, 11, MAP_VOLUME), "V2");
    EXPECT_EQ(listCellText(doc, ScanList::Map, 11, MAP_SOURCE), "DC9")
        << "unknown ids show as they are";
    EXPECT_EQ(listCellText(doc, ScanList::Map, 12, MAP_VOLUME), "");
    EXPECT_EQ(listCellText(doc, ScanList::Incoming, 0, VOLUME_REPOSITORY), "Main data centre");
    EXPECT_EQ(listCellText(doc, ScanList::Outgoing, 0, VOLUME_REPOSITORY), "Main data centre");
    EXPECT_EQ(listCellText(doc, ScanList::Map, 29, MAP_ZONE), "B:10");
}

TEST_F(ScanFile, OpenNotifiesTheViewsAndNamesTheDocument) {
    RecordingView view;
    doc.AddView(&view);
    ASSERT_TRUE(open(kExampleScanFile));
    EXPECT_EQ(view.hints, std::vector<int64_t>{30});
    EXPECT_EQ(doc.GetTitle(), "scan.json");
    EXPECT_EQ(doc.GetPathName(), folder.path("scan.json"));
    EXPECT_FALSE(doc.IsModified());
}

// ------------------------------------------------------------------ load rules

TEST_F(ScanFile, OnlyVolumes) {
    ASSERT_TRUE(open(R"({"volumes":[{"id":"A"},{"id":"B","slot":0},{"id":7},{"id":""}]})"));
    EXPECT_EQ(doc.MapRowCount(), 0u);
    EXPECT_TRUE(doc.GetZones().empty());
    ASSERT_EQ(doc.GetIncomingVolumes().size(), 3u) << "a numeric id is in no list";
    EXPECT_EQ(id(doc.GetIncomingVolumes()[1]), "B") << "slot 0 means incoming";
    EXPECT_EQ(doc.GetVolumesById().count(""), 1u) << "an empty id is a valid key";
    EXPECT_EQ(doc.GetVolumesById().size(), 3u);
}

TEST_F(ScanFile, LaterDuplicatesWinInTheMapsButBothStayInTheArrays) {
    ASSERT_TRUE(open(R"({"repository":{"slots":5,"repositories":[{"id":"R","description":"one"},
        {"id":"R","description":"two"},{"id":"","description":"ignored"}]},
        "volumes":[{"id":"X","slot":3},{"id":"Y","slot":3},{"id":"Z","target":"R"},{"id":"Z","target":""}]})"));
    EXPECT_EQ(id(doc.GetSlotVolumes().find(3)), "Y");
    EXPECT_EQ(doc.GetOutgoingVolumes().size(), 2u)
        << "an empty target still makes a volume outgoing";
    EXPECT_EQ(doc.GetVolumesById().find("Z"), doc.GetOutgoingVolumes()[1]);
    EXPECT_EQ(doc.RepositoryText(doc.GetOutgoingVolumes()[0], "target"), "two");
    EXPECT_EQ(doc.GetRepositoryDescriptions().count(""), 0u);
}

TEST_F(ScanFile, WrongTypesReadAsEmpty) {
    ASSERT_TRUE(open(R"({"repository":{"slots":"30","zones":{"zone":"A"}},
        "volumes":[{"id":"A","slot":"4","source":12,"target":null}]})"));
    EXPECT_EQ(doc.GetSlotCount(), 0);
    EXPECT_TRUE(doc.GetZones().empty());
    ASSERT_EQ(doc.GetIncomingVolumes().size(), 1u) << "a string slot is no slot";
    EXPECT_TRUE(doc.GetOutgoingVolumes().empty());
    EXPECT_EQ(listCellText(doc, ScanList::Incoming, 0, VOLUME_REPOSITORY), "");
}

TEST_F(ScanFile, ASecondLoadReplacesEverything) {
    ASSERT_TRUE(open(kExampleScanFile));
    ASSERT_TRUE(
        open(R"({"repository":{"slots":4,"zones":[{"zone":"Q","slot_start":1,"slot_end":4}]},
        "volumes":[{"id":"N1"}]})"));
    EXPECT_EQ(doc.GetSlotCount(), 4);
    EXPECT_EQ(doc.GetZones().size(), 1u);
    EXPECT_TRUE(doc.GetRepositoryDescriptions().empty());
    EXPECT_EQ(doc.GetVolumesById().count("V1"), 0u);
    EXPECT_EQ(doc.GetIncomingVolumes().size(), 1u);
    EXPECT_TRUE(doc.GetSlotVolumes().empty());
    EXPECT_TRUE(doc.GetOutgoingVolumes().empty());
    EXPECT_EQ(doc.SlotLabel(4), "Q:4");
}

TEST_F(ScanFile, ZonesThatShrinkTheRunningTotal) {
    ASSERT_TRUE(open(R"({"repository":{"slots":10,"zones":[
        {"zone":"A","slot_start":1,"slot_end":5},
        {"zone":"E","slot_start":10,"slot_end":9},
        {"zone":"N","slot_start":10,"slot_end":7},
        {"zone":"B","slot_start":1,"slot_end":3}]}})"));
    EXPECT_EQ(doc.GetZones()[1].firstSlot, 6);
    EXPECT_EQ(doc.GetZones()[1].lastSlot, 5);
    EXPECT_EQ(doc.GetZones()[2].lastSlot, 3);
    EXPECT_EQ(doc.GetZones()[3].firstSlot, 4);
    EXPECT_EQ(doc.SlotLabel(4), "A:4") << "the first zone that holds the slot";
    EXPECT_EQ(doc.SlotLabel(6), "B:3");
}

TEST_F(ScanFile, WidestTextsAreThoseOfTheWidestCells) {
    // Each column's widest text, found from the document's arrays, against
    // every cell asked for row by row; the width is the text's length here.
    const TextMeasure length = [](std::string_view text) { return double(text.size()); };
    const std::string volumes = R"("volumes":[{"id":"V1","source":"DC1","slot":3,"assigned":"x"},
        {"id":"LONGERID7","source":"UNLISTED-REPOSITORY","target":"DC1","slot":14},
        {"id":"V3","source":"DC1"},{"id":"V4","target":"DC1","slot":99},
        {"id":"V5","source":7,"target":"FIRST","target":"A-LONGER-SECOND-TARGET","slot":2}]})";
    for (const char* zones :
         {R"([{"zone":"A","slot_start":1,"slot_end":9,"slots_per_level":4},
              {"zone":"LONGZONE","slot_start":1,"slot_end":3}])", // in order, then "Logic Error"
          R"([{"zone":"A","slot_start":1,"slot_end":5},{"zone":"N","slot_start":10,"slot_end":7},
              {"zone":"B","slot_start":1,"slot_end":9}])"}) {     // overlapping: the slow path
        ASSERT_TRUE(open(std::string(R"({"repository":{"slots":14,"zones":)") + zones +
                         R"(,"repositories":[{"id":"DC1","description":"Main data centre"}]},)" +
                         volumes));
        for (ScanList list : {ScanList::Map, ScanList::Incoming, ScanList::Outgoing}) {
            const std::vector<std::string> found = listWidestTexts(
                doc, list, std::vector<TextMeasure>(size_t(listColumnCount(list)), length));
            ASSERT_EQ(found.size(), size_t(listColumnCount(list)));
            for (int column = 0; column < listColumnCount(list); ++column) {
                std::string widest;
                for (uint32_t row = 0; row < listRowCount(doc, list); ++row) {
                    std::string text = listCellText(doc, list, row, column);
                    if (text.size() > widest.size())
                        widest = text;
                }
                EXPECT_EQ(found[size_t(column)], widest)
                    << zones << " list " << int(list) << " column " << column;
            }
        }
    }
}

// A reporter that notes every report and answers as told.
struct RecordingProgress final : ProgressReporter {
    std::vector<std::pair<uint64_t, uint64_t>> reports;
    size_t stopAt = SIZE_MAX; // answer false from this report on
    bool report(uint64_t done, uint64_t total) override {
        reports.emplace_back(done, total);
        return reports.size() <= stopAt;
    }
};

TEST_F(ScanFile, LoadingReportsTheBytesReadAndCanBeStopped) {
    // Over 8 MB, so the file is read in two pieces.
    std::string text = R"({"repository":{"slots":3},"volumes":[)";
    for (int i = 0; text.size() < (size_t(9) << 20); ++i)
        text += "{\"id\":\"V" + std::to_string(i) + "\",\"source\":\"DC1\"},";
    text += R"({"id":"LAST"}]})";
    const std::string path = folder.write("big.json", text);
    RecordingProgress progress;
    ASSERT_TRUE(doc.OnOpenDocument(path, &progress));
    ASSERT_GE(progress.reports.size(), 3u);
    EXPECT_EQ(progress.reports.front(), std::make_pair(uint64_t(0), uint64_t(text.size())));
    EXPECT_TRUE(std::find(progress.reports.begin(), progress.reports.end(),
                          std::make_pair(uint64_t(text.size()), uint64_t(text.size()))) !=
                progress.reports.end());
    EXPECT_TRUE(doc.GetVolumesById().find("LAST") != nullptr);

    // Stopped after the first piece: no message, a new untitled document, the
    // views emptied.
    RecordingView view;
    doc.AddView(&view);
    RecordingProgress stopping;
    stopping.stopAt = 1;
    EXPECT_FALSE(doc.OnOpenDocument(path, &stopping));
    doc.RemoveView(&view);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_EQ(doc.GetRootNode(), nullptr);
    EXPECT_EQ(view.hints, std::vector<int64_t>{0});
}

// Records the reports on the caller's thread and lets the work wait until
// the reporter has heard so many, or a minute has passed (a safety net, not a
// measure: the assertions on the reports then fail).
struct AwaitedProgress final : ProgressReporter {
    RecordingProgress recording;
    std::mutex mutex;
    std::condition_variable heard;
    bool report(uint64_t done, uint64_t total) override {
        std::lock_guard lock(mutex);
        const bool goOn = recording.report(done, total);
        heard.notify_all();
        return goOn;
    }
    void awaitReports(size_t count) {
        std::unique_lock lock(mutex);
        heard.wait_for(lock, std::chrono::minutes(1),
                       [&] { return recording.reports.size() >= count; });
    }
};

TEST(LongWork, RunsToItsEndWhileTheReporterHearsItIsBusy) {
    AwaitedProgress progress;
    progress.recording.stopAt = 1; // the user asks to stop at the second report
    bool ran = false;
    const bool goOn = runReportingProgress(
        [&] {
            progress.awaitReports(2); // still busy when the user asked to stop
            ran = true;
        },
        &progress);
    EXPECT_TRUE(ran) << "work that cannot stop halfway runs to its end";
    EXPECT_FALSE(goOn);
    ASSERT_GE(progress.recording.reports.size(), 2u);
    for (const auto& report : progress.recording.reports)
        EXPECT_EQ(report, std::make_pair(uint64_t(0), uint64_t(0))) << "busy, no measure";
    // Without a reporter the work runs on the caller's thread.
    std::thread::id where;
    EXPECT_TRUE(runReportingProgress([&] { where = std::this_thread::get_id(); }, nullptr));
    EXPECT_EQ(where, std::this_thread::get_id());
}

TEST_F(ScanFile, AbsurdNumbersNeverCrash) {
    ASSERT_TRUE(open(R"({"repository":{"slots":-5,"zones":[
        {"zone":"A","slot_start":-2147483648,"slot_end":2147483647,"slots_per_level":-3},
        {"zone":"B","slot_start":0,"slot_end":1e300}]},
        "volumes":[{"id":"A","slot":1e12},{"id":"B","slot":-7},{"id":"C","slot":2147483647}]})"));
    EXPECT_EQ(doc.MapRowCount(), 0u) << "a negative slot count means no rows";
    // 1e12 reads as the largest 32-bit value, so "C" replaces "A" there.
    EXPECT_EQ(doc.GetSlotVolumes().size(), 2u);
    EXPECT_EQ(id(doc.GetSlotVolumes().find(2147483647u)), "C");
    EXPECT_EQ(id(doc.GetSlotVolumes().find(uint32_t(-7))), "B");
    EXPECT_EQ(doc.GetZones()[0].lastSlot, INT32_MAX);
    EXPECT_EQ(doc.SlotLabel(1), "A:1");
    EXPECT_EQ(doc.SlotLabel(4000000000u), "Logic Error");
    EXPECT_TRUE(doc.AutoSelectSlots(true).empty());
    EXPECT_TRUE(doc.AutoSelectSlots(false).empty());
}

// ------------------------------------------------------------------ bad files

TEST_F(ScanFile, NotJsonIsAParseErrorAndLeavesNoDocumentBoundToThePath) {
    ASSERT_TRUE(open(kExampleScanFile));
    RecordingView view;
    doc.AddView(&view);
    std::string bad = folder.write("bad.json", "{\"repository\": {\"slots\": 3");
    EXPECT_FALSE(doc.OnOpenDocument(bad));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Failed to parse Strovane Offline Scanfile: line 1, column 27: "
                                   "',' or '}' was expected.");
    EXPECT_EQ(boxes.shown[0].caption, "Parse Error");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_EQ(doc.GetRootNode(), nullptr);
    EXPECT_EQ(doc.MapRowCount(), 0u);
    EXPECT_TRUE(doc.GetVolumesById().empty());
    EXPECT_EQ(view.hints, std::vector<int64_t>{0}) << "the views drop the old rows";
    // Saving now can only go to a new name; the bad file is never rewritten.
    EXPECT_EQ(readFile(bad), "{\"repository\": {\"slots\": 3");
}

TEST_F(ScanFile, MissingUnreadableAndDirectoryPathsAreReported) {
    for (const std::string& path : {folder.path("nothing.json"), folder.root()}) {
        boxes.shown.clear();
        EXPECT_FALSE(doc.OnOpenDocument(path));
        ASSERT_EQ(boxes.shown.size(), 1u) << path;
        EXPECT_EQ(boxes.shown[0].caption, "Open Error");
        EXPECT_NE(boxes.shown[0].text.find(path), std::string::npos);
        EXPECT_EQ(doc.GetPathName(), "");
    }
}

TEST_F(ScanFile, DeepNestingAndEmptyFiles) {
    EXPECT_FALSE(open(std::string(100000, '[') + std::string(100000, ']')));
    EXPECT_FALSE(open(""));
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].caption, "Parse Error");
}

TEST_F(ScanFile, TextAfterTheDocumentIsRefusedWithWhereItStarts) {
    // Saving would have dropped the second document: the file is refused.
    std::string text = "{\"volumes\":[{\"id\":\"A\"}]}\n \n  {\"volumes\":[{\"id\":\"B\"}]}";
    EXPECT_FALSE(open(text));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Parse Error");
    EXPECT_EQ(boxes.shown[0].text, "Failed to parse Strovane Offline Scanfile: line 3, column 3: "
                                   "the end of the file was expected.");
    EXPECT_EQ(readFile(folder.path("scan.json")), text);
    // Blanks and line ends after the document are fine, so is a zero byte.
    const char endsInBlanks[] = "{\"volumes\":[]}\r\n\t \0";
    EXPECT_TRUE(open(std::string(endsInBlanks, sizeof endsInBlanks - 1)));
}

// What python (an independent reader) reads from the saved file, as JSON.
std::string readBack(const std::string& path, const std::string& expression) {
    return runPython("import json, sys\n"
                     "doc = json.load(open(sys.argv[1]), object_pairs_hook=lambda p: p)\n"
                     "d = lambda pairs: dict(pairs)\n"
                     "print(" +
                         expression + ")",
                     path);
}

TEST_F(ScanFile, ValuesThePrinterCannotWriteAreSavedAsTheyStood) {
    ASSERT_TRUE(
        open(R"({"repository":{"slots":2,"zones":[{"zone":"A","slot_start":1,"slot_end":2}]},
        "numbers":[1234567890123456789, 1e400, -1e400, 0.10000000000000001, -0, 2.50, 1E2, 7],
        "volumes":[{"id":"V1","note":"a\u0000b\u0000"},{"id":"V2","slot":1}]})"));
    std::string error;
    ASSERT_TRUE(doc.AssignSlot(doc.GetIncomingVolumes()[0], 2, error)) << error;
    ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
    std::string saved = readFile(doc.GetPathName());
    EXPECT_NE(saved.find("[1234567890123456789, 1e400, -1e400, 0.10000000000000001, -0, 2.5, "
                         "100, 7]"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("\"note\":\t\"a\\u0000b\\u0000\""), std::string::npos) << saved;
    // Another reader gets the values of the original file.
    std::string numbers = readBack(doc.GetPathName(), "repr(d(doc)['numbers'])");
    EXPECT_EQ(numbers, "[1234567890123456789, inf, -inf, 0.1, 0, 2.5, 100, 7]\n");
    EXPECT_EQ(readBack(doc.GetPathName(), "repr(d(d(doc)['volumes'][0])['note'])"),
              "'a\\x00b\\x00'\n");
    // The document reads the numbers as before.
    EXPECT_EQ(doc.GetSlotVolumes().size(), 2u);

    // Quotes and backslashes inside strings do not end them early.
    ASSERT_TRUE(open(R"({"s":"1e400 \" \\","t":"\\\"1e400","n":1e400,"volumes":[]})"));
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
    EXPECT_EQ(readFile(doc.GetPathName()),
              "{\n\t\"s\":\t\"1e400 \\\" \\\\\",\n\t\"t\":\t\"\\\\\\\"1e400\",\n\t\"n\":\t1e400,\n"
              "\t\"volumes\":\t[]\n}");

    // A raw zero byte inside a string is kept as the zero character it stands for.
    const char zeroByte[] = "{\"volumes\":[{\"id\":\"A\",\"t\":\"x\0y\"}]}";
    ASSERT_TRUE(open(std::string(zeroByte, sizeof zeroByte - 1)));
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
    EXPECT_EQ(readBack(doc.GetPathName(), "repr(d(d(doc)['volumes'][0])['t'])"), "'x\\x00y'\n");
}

TEST_F(ScanFile, AMemberNameWithAZeroCharacterIsRefusedByName) {
    EXPECT_FALSE(open("{\"volumes\":[{\"id\":\"A\",\n \"ta\\u0000g\":1}]}"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Failed to parse Strovane Offline Scanfile: line 2, column 2: the member name "
              "\"ta\\u0000g\" holds a zero character, which cannot be saved back as it stands.");
}

// ------------------------------------------------------------------ saving

TEST_F(ScanFile, SavingAnUnchangedFileRewritesItInThePrintersLayout) {
    ASSERT_TRUE(open(kExampleScanFile));
    ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
    std::string saved = readFile(doc.GetPathName());
    cJSON* original = cJSON_Parse(kExampleScanFile);
    char* printed = cJSON_Print(original);
    EXPECT_EQ(saved, printed) << "exactly the printed text, no zero byte, no added line end";
    cJSON* reread = cJSON_Parse(saved.c_str());
    EXPECT_TRUE(cJSON_Compare(original, reread, true));
    cJSON_free(printed);
    cJSON_Delete(original);
    cJSON_Delete(reread);
    EXPECT_EQ(folder.entries(), 1) << "no temporary file is left behind";
}

TEST_F(ScanFile, SaveAsBindsTheNewPath) {
    ASSERT_TRUE(open(kExampleScanFile));
    doc.SetModifiedFlag();
    std::string other = folder.path("copy.json");
    ASSERT_TRUE(doc.OnSaveDocument(other));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "copy.json");
    // The copy holds the document as the printer lays it out; the original
    // keeps its own bytes.
    cJSON* example = cJSON_Parse(kExampleScanFile);
    char* printed = cJSON_Print(example);
    EXPECT_EQ(readFile(other), printed);
    EXPECT_EQ(readFile(folder.path("scan.json")), kExampleScanFile);
    cJSON_free(printed);
    cJSON_Delete(example);
}

TEST_F(ScanFile, AFailedSaveLeavesTheOldFileAndTheChanges) {
    ASSERT_TRUE(open(kExampleScanFile));
    std::string path = doc.GetPathName();
    std::string before = readFile(path);
    std::string error;
    ASSERT_TRUE(doc.AssignSlot(doc.GetIncomingVolumes()[0], 1, error)) << error;
    ASSERT_TRUE(doc.IsModified());

    // A disk that fills up: the file-size limit stops the write halfway.
    bool saved = false;
    {
        FileSizeLimit tiny(64);
        saved = doc.OnSaveDocument(path);
    }

    EXPECT_FALSE(saved);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(folder.entries(), 1) << "the partial temporary file is removed";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Save Error");
    EXPECT_NE(boxes.shown[0].text.find(path), std::string::npos);
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);

    // A folder that does not exist.
    EXPECT_FALSE(doc.OnSaveDocument(folder.path("missing/scan.json")));
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(doc.GetPathName(), path);

    // And the save still works once the disk has room again.
    EXPECT_TRUE(doc.OnSaveDocument(path));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_NE(readFile(path), before);
}

// Allocations above this size fail while the hooks below are installed.
size_t g_allocationLimit = 0;
void* limitedMalloc(size_t size) {
    return size > g_allocationLimit ? nullptr : std::malloc(size);
}

TEST_F(ScanFile, NoMemoryToPrintWritesNothing) {
    ASSERT_TRUE(open(kExampleScanFile));
    std::string before = readFile(doc.GetPathName());
    std::string error;
    ASSERT_TRUE(doc.AssignSlot(doc.GetIncomingVolumes()[0], 1, error)) << error;
    g_allocationLimit = 256; // the printer needs more than that for this tree
    cJSON_Hooks hooks{limitedMalloc, std::free};
    cJSON_InitHooks(&hooks);
    bool saved = doc.OnSaveDocument(doc.GetPathName());
    installJsonArenaHooks(); // the document's tree lives in an arena

    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(doc.GetPathName()), before) << "never an empty or half file";
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Save Error");
    EXPECT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
}

TEST_F(ScanFile, SavingANewDocumentWritesAnEmptyFile) {
    std::string path = folder.write("new.json", "old contents");
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(readFile(path), "");
}

TEST_F(ScanFile, SavingKeepsThePermissionsOfTheFile) {
    ASSERT_TRUE(open(kExampleScanFile));
    chmod(doc.GetPathName().c_str(), 0640);
    ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
    struct stat status {};
    stat(doc.GetPathName().c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

} // namespace
