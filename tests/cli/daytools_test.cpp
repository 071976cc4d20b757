// kvlt-scan's unslot, check-outgoing and audit as a script runs them: what
// they print, their exit status and the bytes of the file afterwards.
#include <gtest/gtest.h>

#include "testsupport.h"

#include <string>
#include <vector>

namespace {

// Ten slots in zone S: A1 to A4 in slots 1 to 4 and B7 in slot 7, all
// slotted by this tool ("assigned"); F9 slotted by the server (no
// "assigned"); IN1, IN2 incoming; O1, O2 outgoing, O3 outgoing from slot 8.
const char* const kShelfFile =
    R"({"repository":{"slots":10,"zones":[{"zone":"S","slot_start":1,"slot_end":10}]},
        "volumes":[{"id":"A1","slot":1,"assigned":"x"},{"id":"A2","slot":2,"assigned":"x"},
                   {"id":"A3","slot":3,"assigned":"x"},{"id":"A4","slot":4,"assigned":"x"},
                   {"id":"B7","slot":7,"assigned":"x"},{"id":"F9","slot":9},
                   {"id":"IN1","source":"X"},{"id":"IN2","source":"X"},
                   {"id":"O1","target":"T"},{"id":"O2","target":"T"},
                   {"id":"O3","target":"T","slot":8,"assigned":"x"}]})";

class KvltScanDay : public ::testing::Test {
  protected:
    TempDir folder;
    TempDir dataHome;
    std::string file = folder.write("shelf.json", kShelfFile);

    CommandResult run(const std::vector<std::string>& args, const std::string& input = "") {
        std::vector<std::string> command{KVLT_SCAN};
        command.insert(command.end(), args.begin(), args.end());
        CommandOptions options;
        options.input = input;
        options.environment = {"XDG_DATA_HOME=" + dataHome.root()};
        return runCommand(command, options);
    }
};

TEST_F(KvltScanDay, SlotThenUnslotGivesBackTheBytesOfTheFile) {
    const std::string sample = folder.path("sample.json");
    ASSERT_TRUE(writeFile(sample, readFile(KVLT_SAMPLE)));
    const std::string incoming = run({"list", "incoming", sample}).lines().at(0);
    const std::string barcode = incoming.substr(0, incoming.find('\t'));
    // The first round leaves the file in the layout every save writes.
    ASSERT_EQ(run({"slot", sample, "--mode", "first"}, barcode + "\n").status, 0);
    ASSERT_EQ(run({"unslot", sample, barcode}).status, 0);
    const std::string before = readFile(sample);

    ASSERT_EQ(run({"slot", sample, "--mode", "first"}, barcode + "\n").status, 0);
    ASSERT_NE(readFile(sample), before);
    const CommandResult back = run({"unslot", sample, barcode});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.err, "");
    ASSERT_EQ(back.lines().size(), 1u);
    EXPECT_EQ(back.lines()[0].substr(0, barcode.size() + 10), barcode + "\treturned\t");
    EXPECT_EQ(readFile(sample), before);
}

TEST_F(KvltScanDay, UnslotRefusesWhatItCannotTakeBackAndSavesTheRest) {
    const CommandResult r = run({"unslot", file, "f9", "NOPE", "IN1", " a2 "});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "A2\treturned\t2\n");
    EXPECT_EQ(r.err, "Slotting Error: Volume 'F9' was slotted by the server, not by this tool, "
                     "and cannot be returned to incoming here\n"
                     "Barcode Error: Barcode 'NOPE' is unknown\n"
                     "Slotting Error: Volume 'IN1' has no slot to be returned from\n");
    EXPECT_EQ(run({"list", "incoming", file}).lines(),
              (std::vector<std::string>{"A2\t", "IN1\tX", "IN2\tX", "O1\t", "O2\t"}));
    EXPECT_EQ(run({"unslot", file}).status, 2);
}

TEST_F(KvltScanDay, CheckOutgoingPrintsALinePerBarcodeAndWhatWasNotScanned) {
    const CommandResult r = run({"check-outgoing", file}, "o1\nIN1\n\nNOPE\nO1\nO3\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "O1\tchecked\nIN1\tnot outgoing\nNOPE\tnot outgoing\nO1\trepeated\n"
                     "O3\tchecked\nO2\tnot scanned\n");
    const std::string barcodes = folder.write("case.txt", "O3\r\nO2\nO1");
    const CommandResult all = run({"check-outgoing", file, "--barcodes", barcodes});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, "O3\tchecked\nO2\tchecked\nO1\tchecked\n");
    EXPECT_EQ(readFile(file), kShelfFile) << "the file is only read";
    EXPECT_EQ(run({"check-outgoing", file, "--barcodes", folder.root()}).status, 1);
}

TEST_F(KvltScanDay, AuditListsEveryCaseAndExportsThem) {
    // As found: A1 and A3 in place, B7 belongs in slot 7, IN1 in no slot.
    const CommandResult r = run({"audit", file, "--slots", "1-5"}, "a3\nB7\nIN1\nA3\nA1\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Repeated Scan: Barcode 'A3' was scanned before and is counted once\n");
    EXPECT_EQ(r.out, "S:1\t1\tA1\tA1\tPresent\t\n"
                     "S:2\t2\tA2\t\tAbsent\t\n"
                     "S:3\t3\tA3\tA3\tPresent\t\n"
                     "S:4\t4\tA4\t\tAbsent\t\n"
                     "S:5\t5\t\t\tEmpty\t\n"
                     "\t\t\tB7\tWrong Slot\tS:7 (7)\n"
                     "\t\t\tIN1\tSurplus\t\n");

    // Slot by slot, an empty line for an empty slot; the same table as CSV.
    const std::string csv = folder.path("audit.csv");
    const CommandResult bySlot =
        run({"audit", file, "--slots", "1,2,5", "--by-slot", "--format", "csv", "--output", csv},
            "A1\nA2\n\n");
    EXPECT_EQ(bySlot.status, 0) << bySlot.err;
    EXPECT_EQ(bySlot.out, "");
    EXPECT_EQ(runPython("import csv,sys\nfor row in csv.reader(open(sys.argv[1],newline='')): "
                        "print('|'.join(row))",
                        csv),
              "Zone|Seq.|Expected|Found|Result|Belongs In\nS:1|1|A1|A1|Present|\n"
              "S:2|2|A2|A2|Present|\nS:5|5|||Empty|\n");
    EXPECT_EQ(readFile(file), kShelfFile) << "the file is only read";

    EXPECT_EQ(run({"audit", file, "--slots", "1", "--format", "csv"}).status, 2);
    EXPECT_EQ(run({"audit", file, "--slots", "11"}).status, 2);
    EXPECT_EQ(run({"audit", file}).status, 2);
}

TEST_F(KvltScanDay, HelpNamesTheNewCommands) {
    const CommandResult help = run({"--help"});
    for (const char* text : {"kvlt-scan unslot FILE BARCODE...", "kvlt-scan check-outgoing FILE",
                             "kvlt-scan audit FILE --slots LIST", "\n  audit FILE"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

} // namespace
