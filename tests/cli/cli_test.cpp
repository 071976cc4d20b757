// kvlt-scan as a script sees it: exit status, standard output, standard
// error and the bytes of the files it leaves.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include "testsupport.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Result = CommandResult;

class KvltScan : public ::testing::Test {
  protected:
    TempDir folder;
    fs::path dir = folder.root();
    TempDir dataHome; // where the scan journals and locks go, never the user's own

    // Runs kvlt-scan with args; prefix goes before the command in the shell
    // (ulimit and the like), input is its standard input.
    Result run(const std::vector<std::string>& args, const std::string& input = "",
               const std::string& prefix = "") {
        std::vector<std::string> command{KVLT_SCAN};
        command.insert(command.end(), args.begin(), args.end());
        CommandOptions options;
        options.input = input;
        options.prefix = prefix;
        options.environment = {"XDG_DATA_HOME=" + dataHome.root()};
        return runCommand(command, options);
    }

    std::string example(const std::string& name = "scan.json") {
        std::string path = (dir / name).string();
        writeFile(path, R"({"repository":{"slots":20,"zones":[
            {"zone":"A","slot_start":1,"slot_end":10,"slots_per_level":5},
            {"zone":"B","slot_start":1,"slot_end":10}],
            "repositories":[{"id":"DC1","description":"Main data centre"}]},
          "volumes":[{"id":"S4","slot":4,"source":"DC1","assigned":"earlier"},
            {"id":"S9","slot":9},{"id":"S10","slot":10},{"id":"S15","slot":15,"target":"DC1"},
            {"id":"N1","source":"DC1"},{"id":"N2","source":"ELSE"},{"id":"N3","target":""},
            {"id":"N4"},{"id":7},{"id":"S9","slot":9}],
          "keep":{"me":[1,2,3]}})");
        return path;
    }
};

// ------------------------------------------------------------------ reading commands

TEST_F(KvltScan, InfoPrintsSixLines) {
    Result r = run({"info", example()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "slots: 20\nzones: 2\nvolumes: 9\nincoming: 4\noutgoing: 2\nslotted: 4\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(KvltScan, ListShowsTheCellsSeparatedByTabs) {
    std::string file = example();
    std::vector<std::string> map = run({"list", "map", file}).lines();
    ASSERT_EQ(map.size(), 20u);
    EXPECT_EQ(map[0], "A:1.1\t1\t\t\t\t");
    EXPECT_EQ(map[3], "A:1.4\t4\tMain data centre\t\tS4\tearlier");
    EXPECT_EQ(map[4], "A:2.0\t5\t\t\t\t");
    EXPECT_EQ(map[14], "B:5\t15\t\tMain data centre\tS15\t");
    EXPECT_EQ(run({"list", "incoming", file}).lines(),
              (std::vector<std::string>{"N1\tMain data centre", "N2\tELSE", "N3\t", "N4\t"}));
    EXPECT_EQ(run({"list", "outgoing", file}).lines(),
              (std::vector<std::string>{"S15\tMain data centre", "N3\t"}));
}

TEST_F(KvltScan, ListFiltersKeepRowsMatchingEveryPattern) {
    std::string file = example();
    // Column titles ignore case; several filters all apply; pattern lists work.
    EXPECT_EQ(
        run({"list", "map", file, "--filter", "volume=S?*", "--filter", "SOURCE=Main*"}).lines(),
        (std::vector<std::string>{"A:1.4\t4\tMain data centre\t\tS4\tearlier"}));
    EXPECT_EQ(run({"list", "incoming", "--filter", "Volume=+(N1|N4)", file}).lines(),
              (std::vector<std::string>{"N1\tMain data centre", "N4\t"}));
    // Letter case counts unless KVLTFILTERNOCASE is set, empty or not.
    ScopedEnv caseCounts("KVLTFILTERNOCASE", std::nullopt);
    EXPECT_EQ(run({"list", "outgoing", file, "--filter", "volume=s15"}).out, "");
    CommandOptions noCase;
    noCase.environment = {"KVLTFILTERNOCASE="};
    EXPECT_EQ(
        runCommand({KVLT_SCAN, "list", "outgoing", file, "--filter", "volume=s15"}, noCase).lines(),
        (std::vector<std::string>{"S15\tMain data centre"}));

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--filter", "Slot=1"},
                                                {"--filter", "Volume=  "},
                                                {"--filter", "Volume"},
                                                {"--filter"}}) {
        std::vector<std::string> args{"list", "map", file};
        args.insert(args.end(), bad.begin(), bad.end());
        Result r = run(args);
        EXPECT_EQ(r.status, 2) << bad.back();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("--filter"), std::string::npos) << r.err;
    }
}

TEST_F(KvltScan, SelectPrintsTheChosenSlotsAscending) {
    std::string file = example();
    EXPECT_EQ(run({"select", file, "--mode", "first"}).out, "1\n2\n3\n5\n");
    EXPECT_EQ(run({"select", file, "--mode", "intelli"}).out, "5\n6\n7\n8\n");
    EXPECT_EQ(readFile(file).find("\"slot\":1,"), std::string::npos) << "select writes nothing";
}

// ------------------------------------------------------------------ slotting

TEST_F(KvltScan, SlotAppliesBarcodesAndSavesAtomically) {
    std::string file = example();
    std::string out = (dir / "out.json").string();
    // Blanks around a barcode, as scanners send them, are not part of it.
    Result r = run({"slot", file, "--mode", "intelli", "--output", out}, "n2 \r\nnope\nN2\n\tN1\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3 of 4 selected slots remain\n3 of 4 selected slots remain\n"
                     "3 of 4 selected slots remain\n2 of 4 selected slots remain\n");
    EXPECT_EQ(r.err, "Barcode Error: Barcode 'NOPE' is unknown\n"
                     "Barcode Error: Barcode 'N2' has already been assigned to a slot\n");
    EXPECT_EQ(run({"list", "incoming", out}).lines(), (std::vector<std::string>{"N3\t", "N4\t"}));
    std::vector<std::string> map = run({"list", "map", out}).lines();
    EXPECT_EQ(map[4].substr(0, 12), "A:2.0\t5\tELSE");
    EXPECT_NE(map[5].find("\tN1\t"), std::string::npos);

    cJSON* saved = cJSON_Parse(readFile(out).c_str());
    ASSERT_NE(saved, nullptr);
    cJSON* keep = cJSON_GetObjectItem(saved, "keep");
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(keep, "me")), 3) << "other members survive";
    cJSON_Delete(saved);
    EXPECT_EQ(readFile(file).find("\"assigned\":\t\"M"), std::string::npos) << "input untouched";
}

TEST_F(KvltScan, SlotWithHandPickedSlots) {
    std::string file = example();
    Result r = run({"slot", file, "--slots", "3,5-6,1"}, "N1\nN2\nN3\nN4\nS4\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines().back(), "0 of 4 selected slots remain");
    std::vector<std::string> map = run({"list", "map", file}).lines();
    EXPECT_NE(map[0].find("\tN1\t"), std::string::npos);
    EXPECT_NE(map[2].find("\tN2\t"), std::string::npos);
    EXPECT_NE(map[4].find("\tN3\t"), std::string::npos);
    EXPECT_NE(map[5].find("\tN4\t"), std::string::npos);
}

TEST_F(KvltScan, HandPickedChecksAnswerYesAndRefuseOccupiedSlots) {
    std::string file = example();
    std::string before = readFile(file);
    Result occupied = run({"slot", file, "--slots", "1,4"}, "N1\n");
    EXPECT_EQ(occupied.status, 1) << "no scan could be applied";
    EXPECT_EQ(occupied.err, "Slotting Error: Slot number 4 is already occupied\n");
    EXPECT_EQ(occupied.out, "");
    EXPECT_EQ(readFile(file), before);

    Result fewer = run({"slot", file, "--slots", "2"}, "N4\nN1\n");
    EXPECT_EQ(fewer.err.substr(0, 72),
              "Slotting Error: You have only selected 1 free slots, but you have 4 Volu");
    EXPECT_NE(fewer.err.find("Slotting Error: Barcode 'N1' was not slotted"), std::string::npos);
    EXPECT_EQ(fewer.lines(), (std::vector<std::string>{"0 of 1 selected slots remain",
                                                       "0 of 1 selected slots remain"}));
}

TEST_F(KvltScan, NoFreeSlotsForIntelliSlotMeansNothingSelected) {
    std::string file = (dir / "full.json").string();
    writeFile(
        file,
        R"({"repository":{"slots":2},"volumes":[{"id":"A","slot":1},{"id":"B"},{"id":"C"}]})");
    Result r = run({"slot", file, "--mode", "intelli"}, "B\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Selection Required: You must select one item from the list.\n");
    EXPECT_EQ(r.out, "");
}

// ------------------------------------------------------------------ failures

TEST_F(KvltScan, HelpAndVersion) {
    const Result help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("usage: kvlt-scan info FILE\n", 0), 0u) << "the usage comes first";
    for (const char* text : {"\n  slot FILE (--mode", "--version", "Exit status: 0"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    const Result version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kvlt-scan " KVLT_VERSION "\n");
}

TEST_F(KvltScan, UsageErrorsExitTwo) {
    std::string file = example();
    const std::vector<std::vector<std::string>> calls = {
        {},
        {"frobnicate"},
        {"info"},
        {"list", "everything", file},
        {"select", file, "--mode", "best"},
        {"slot", file},
        {"slot", file, "--mode", "first", "--slots", "1"},
        {"slot", file, "--slots", "0"},
        {"slot", file, "--slots", "21"},
        {"slot", file, "--slots", "5-3"},
        {"slot", file, "--slots", "1,,2"},
        {"slot", file, "--slots", "99999999999999999999"},
        {"slot", file, "--mode"},
    };
    for (const auto& call : calls) {
        Result r = run(call);
        EXPECT_EQ(r.status, 2) << (call.empty() ? "" : call[0]);
        EXPECT_NE(r.err.find("usage: kvlt-scan"), std::string::npos);
    }
}

TEST_F(KvltScan, BadFilesExitOneAndStayAsTheyWere) {
    std::string broken = (dir / "broken.json").string();
    writeFile(broken, "{\"volumes\": [");
    for (const auto& call : std::vector<std::vector<std::string>>{
             {"info", broken}, {"list", "map", broken}, {"slot", broken, "--mode", "first"}}) {
        Result r = run(call, "X\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Parse Error: Failed to parse Strovane Offline Scanfile: line 1, column "
                         "14: a value was expected.\n");
    }
    EXPECT_EQ(readFile(broken), "{\"volumes\": [");

    Result missing = run({"info", (dir / "none.json").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Open Error: Cannot open"), std::string::npos);

    Result barcodes = run({"slot", example(), "--mode", "first", "--barcodes", "/nonexistent"});
    EXPECT_EQ(barcodes.status, 1);
    EXPECT_NE(barcodes.err.find("cannot read barcodes"), std::string::npos);
}

TEST_F(KvltScan, AFullDiskLeavesTheFileIntact) {
    std::string file = example();
    std::string before = readFile(file);
    // ulimit -f counts 512-byte blocks: one block is less than the saved file.
    Result r = run({"slot", file, "--mode", "first"}, "N1\n", "ulimit -f 1;");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Save Error: The file could not be saved."), std::string::npos);
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(folder.entries(), 1) << "only scan.json: no temporary file is left";
}

TEST_F(KvltScan, TheBundledSampleLoads) {
    Result r = run({"info", KVLT_SAMPLE});
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.lines().size(), 6u);
    EXPECT_EQ(r.lines()[0], "slots: 360");
    EXPECT_EQ(r.err, "");
}

} // namespace
