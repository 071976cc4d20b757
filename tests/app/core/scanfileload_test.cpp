// Loading and saving scan files with the one-pass loader: what the user is
// told about a file that is not JSON, that a save writes exactly the bytes
// cJSON's printer writes (on the sample, a million-slot file and every value
// the printer cannot write as it stood), and that the program's changes
// through cJSON stay safe on a tree that lives in an arena.
#include "jsonarena.h"
#include "messagebox.h"
#include "scanfile_generator.h"
#include "scanfiledoc.h"
#include "testsupport.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

// What cJSON_Print makes of a tree.
std::string printed(const cJSON* tree) {
    std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_Print(tree), cJSON_free);
    return text ? text.get() : "(cJSON_Print failed)";
}

class ScanFileLoad : public ::testing::Test {
  protected:
    TempDir folder;
    ScriptedPresenter boxes;
    CKVLTOfflineScannerDoc doc;

    bool open(const std::string& text) {
        return doc.OnOpenDocument(folder.write("scan.json", text));
    }
    void assign(cJSON* volume, uint32_t slot) {
        std::string error;
        EXPECT_TRUE(doc.AssignSlot(volume, slot, error)) << error;
    }
    // Saves unchanged over the file and gives the bytes written.
    std::string saved() {
        doc.SetModifiedFlag();
        EXPECT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
        return readFile(doc.GetPathName());
    }
    // The parse error the user was shown, after the fixed opening words.
    std::string parseError(const std::string& text) {
        boxes.shown.clear();
        EXPECT_FALSE(open(text)) << text;
        if (boxes.shown.size() != 1)
            return "(" + std::to_string(boxes.shown.size()) + " boxes)";
        EXPECT_EQ(boxes.shown[0].caption, "Parse Error");
        const std::string opening = "Failed to parse Strovane Offline Scanfile: ";
        const std::string& shown = boxes.shown[0].text;
        return shown.rfind(opening, 0) == 0 ? shown.substr(opening.size()) : shown;
    }
};

// ------------------------------------------------------------------ what the user is told

TEST_F(ScanFileLoad, ParseErrorsSayTheLineTheColumnAndWhatWasExpected) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "line 1, column 1: a value was expected."},
        {"{\n\t\"volumes\": [\n\t\t{\"id\": \"A\"}\n\t\t{\"id\": \"B\"}\n\t]\n}",
         "line 4, column 3: ',' or ']' was expected."},
        {"{\"repository\": {\"slots\": 3", "line 1, column 27: ',' or '}' was expected."},
        {"{\"volumes\": [],}", "line 1, column 16: a member name in double quotes was expected."},
        {"{\"volumes\" []}", "line 1, column 12: ':' was expected after the member name."},
        // Columns count characters: "é" is two bytes and one column.
        {"{\"é\": tru}", "line 1, column 7: a value was expected."},
        {"{\"a\": \"open\n", "line 1, column 7: a closing quote was expected for the string that "
                             "starts here."},
        {"[\"\\x\"]", "line 1, column 3: one of the escapes \\\" \\\\ \\/ \\b \\f \\n \\r \\t "
                      "\\u was expected."},
        {"[\"\\u12\"]", "line 1, column 3: four hex digits were expected after \\u."},
        {"[\"\\ud800x\"]", "line 1, column 3: a surrogate pair was expected: \\uD800 to \\uDBFF, "
                           "then \\uDC00 to \\uDFFF."},
        {"[-]", "line 1, column 2: a number was expected."},
        {"{}\n{}", "line 2, column 1: the end of the file was expected."},
    };
    for (auto [text, expected] : cases)
        EXPECT_EQ(parseError(text), expected) << text;
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_EQ(doc.GetRootNode(), nullptr);
}

TEST_F(ScanFileLoad, NestingIsBoundedWhereCJsonBoundsIt) {
    // As deep as cJSON reads loads; one more is refused with a message, and
    // no depth of input runs out of stack.
    EXPECT_TRUE(open(std::string(1000, '[') + std::string(1000, ']')));
    EXPECT_EQ(parseError(std::string(1001, '[') + std::string(1001, ']')),
              "line 1, column 1001: arrays and objects nested at most 1000 deep were expected.");
    EXPECT_EQ(parseError(std::string(5000000, '[')),
              "line 1, column 1001: arrays and objects nested at most 1000 deep were expected.");
}

TEST_F(ScanFileLoad, KvltScanPrintsTheParseErrorWithItsPosition) {
    std::string path = folder.write("bad.json", "{\n  \"volumes\": [\n    {\"id\": 7,}\n  ]\n}\n");
    CommandResult result = runCommand({KVLT_SCAN, "info", path});
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Parse Error: Failed to parse Strovane Offline Scanfile: line 3, column "
                          "14: a member name in double quotes was expected.\n");
}

// ------------------------------------------------------------------ the bytes saved

TEST_F(ScanFileLoad, TheSampleSavesAsCJsonPrintsIt) {
    const std::string sample = readFile(KVLT_SAMPLE);
    ASSERT_TRUE(open(sample));
    JsonPtr parsed(cJSON_Parse(sample.c_str()), cJSON_Delete);
    EXPECT_EQ(saved(), printed(parsed.get()));
    // With scans added (members from the heap among the arena's).
    assign(doc.GetIncomingVolumes()[0], 2);
    assign(doc.GetIncomingVolumes()[0], 3);
    EXPECT_EQ(saved(), printed(doc.GetRootNode()));
}

TEST_F(ScanFileLoad, AMillionSlotFileSavesAsCJsonPrintsIt) {
    // The generator writes the file with cJSON_Print.
    const std::string path = folder.path("million.json");
    ASSERT_TRUE(generateScanFile(path, ScanFileShape{}));
    const std::string original = readFile(path);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.MapRowCount(), 1000000u);
    EXPECT_EQ(doc.GetIncomingVolumes().size(), 300000u);
    std::string bytes = saved();
    EXPECT_TRUE(bytes == original) << "the unchanged file is rewritten as it was";
    for (int i = 0; i < 100; ++i)
        assign(doc.GetIncomingVolumes()[0], uint32_t(999000 + i));
    bytes = saved();
    EXPECT_TRUE(bytes == printed(doc.GetRootNode())) << "and with scans as cJSON prints them";
}

TEST_F(ScanFileLoad, ValuesThePrinterWouldChangeAreSavedAsTheyStood) {
    // Every case the printer would not give back: zero characters (escaped
    // and raw), numbers beyond the double range, more digits than a double holds,
    // digits the printer shortens; beside values it gives back as it read
    // them (-0, 2.50 as 2.5, 1E2 as 100, 007 as 7).
    std::string text = "{\"zeros\":[\"a\\u0000b\", \"raw # zero\"],"
                       "\"big\":[1e400, -1e400, 1e-400, 123456789012345678901234567890],"
                       "\"digits\":[1234567890123456789, -9223372036854775809, "
                       "0.30000000000000004, 0.10000000000000001],"
                       "\"plain\":[-0, 2.50, 1E2, 007, 1e15, 999999999999999],"
                       "\"volumes\":[{\"id\":\"V1\"}]}";
    text[text.find("raw ") + 4] = '\0';
    ASSERT_TRUE(open(text));
    const std::string expected =
        "{\n"
        "\t\"zeros\":\t[\"a\\u0000b\", \"raw \\u0000 zero\"],\n"
        "\t\"big\":\t[1e400, -1e400, 1e-400, 123456789012345678901234567890],\n"
        "\t\"digits\":\t[1234567890123456789, -9223372036854775809, 0.30000000000000004, "
        "0.10000000000000001],\n"
        "\t\"plain\":\t[-0, 2.5, 100, 7, 1e+15, 999999999999999],\n"
        "\t\"volumes\":\t[{\n"
        "\t\t\t\"id\":\t\"V1\"\n"
        "\t\t}]\n"
        "}";
    EXPECT_EQ(saved(), expected);
    // Saved and loaded again, the file stays as it is.
    ASSERT_TRUE(doc.OnOpenDocument(doc.GetPathName()));
    EXPECT_EQ(saved(), expected);
    // Another reader gets the values of the original file.
    EXPECT_EQ(runPython("import json, sys\n"
                        "d = json.load(open(sys.argv[1]))\n"
                        "print(repr(d['zeros'][:2]), d['big'][:2], d['digits'][:2])",
                        doc.GetPathName()),
              "['a\\x00b', 'raw \\x00 zero'] [inf, -inf] [1234567890123456789, "
              "-9223372036854775809]\n");
    // An escape with bad hex digits, which cJSON reads as a zero character.
    ASSERT_TRUE(open("[\"bad \\uZZZZ hex\"]"));
    EXPECT_EQ(saved(), "[\"bad \\uZZZZ hex\"]");
}

// ------------------------------------------------------------------ changes through cJSON

TEST_F(ScanFileLoad, ChangesThroughCJsonAreSafeOnTheArenaTree) {
    ASSERT_TRUE(
        open("{\"volumes\":[{\"id\":\"A\",\"source\":\"DC1\",\"slot\":4,\"assigned\":\"x\"},"
             "{\"id\":\"B\",\"source\":\"DC1\",\"note\":\"n\\u0000\",\"n\":1e400},"
             "{\"id\":\"C\"}]}"));
    cJSON* volumes = cJSON_GetObjectItemCaseSensitive(doc.GetRootNode(), "volumes");
    cJSON* a = cJSON_GetArrayItem(volumes, 0);
    cJSON* b = cJSON_GetArrayItem(volumes, 1);
    // A scan taken back: its members go, arena's and heap's alike.
    cJSON_DeleteItemFromObject(a, "slot");
    cJSON_DeleteItemFromObject(a, "assigned");
    assign(cJSON_GetArrayItem(volumes, 2), 9);
    cJSON_DeleteItemFromObject(cJSON_GetArrayItem(volumes, 2), "assigned");
    // Shared texts ("DC1" twice) are not written in place; an own one is.
    cJSON* source = cJSON_GetObjectItemCaseSensitive(b, "source");
    EXPECT_EQ(cJSON_SetValuestring(source, "Z"), nullptr);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(a, "source")->valuestring, "DC1");
    EXPECT_NE(cJSON_SetValuestring(cJSON_GetObjectItemCaseSensitive(a, "id"), "Q"), nullptr);
    // A value whose text was kept prints its new value once it changes.
    cJSON_SetNumberValue(cJSON_GetObjectItemCaseSensitive(b, "n"), 5);
    cJSON_SetValuestring(cJSON_GetObjectItemCaseSensitive(b, "note"), "m");
    // Moved under a new name, replaced, detached and deleted.
    cJSON_AddItemToObject(a, "moved", cJSON_DetachItemFromObject(b, "source"));
    cJSON_ReplaceItemViaPointer(volumes, a, cJSON_Duplicate(a, true));
    cJSON_Delete(cJSON_DetachItemFromArray(volumes, 1));

    const std::string expected = "{\n\t\"volumes\":\t[{\n"
                                 "\t\t\t\"id\":\t\"Q\",\n"
                                 "\t\t\t\"source\":\t\"DC1\",\n"
                                 "\t\t\t\"moved\":\t\"DC1\"\n"
                                 "\t\t}, {\n"
                                 "\t\t\t\"id\":\t\"C\",\n"
                                 "\t\t\t\"slot\":\t9\n"
                                 "\t\t}]\n}";
    EXPECT_EQ(saved(), expected);
    EXPECT_EQ(printed(doc.GetRootNode()), expected);
    // The kept texts apply only to the values they were read with.
    ASSERT_TRUE(open("{\"note\":\"n\\u0000\",\"n\":1e400}"));
    cJSON_SetNumberValue(cJSON_GetObjectItemCaseSensitive(doc.GetRootNode(), "n"), 5);
    cJSON_SetValuestring(cJSON_GetObjectItemCaseSensitive(doc.GetRootNode(), "note"), "m");
    EXPECT_EQ(saved(), "{\n\t\"note\":\t\"m\",\n\t\"n\":\t5\n}");
    // Loading another file drops the tree with every member added to it.
    doc.OnNewDocument();
    EXPECT_EQ(doc.GetRootNode(), nullptr);
}

} // namespace
