// kvlt-scan on a machine that is shared, full or hostile: links planted by
// another user, a full disk under the journal, a journal that is a named
// pipe, closed standard descriptors, exports aimed at the scan file, the same
// file reached by two names, and inputs built to cost too much. Each as a
// script meets it: the exit status, the message, the files afterwards.
#include <gtest/gtest.h>

#include "testsupport.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The journal's name for a scan file: <name>-<16 hex digits of the SHA-256
// of its real path>.journal.
const char* kJournalPath = R"(
import hashlib, os, sys
real = os.path.realpath(sys.argv[1])
digest = hashlib.sha256(real.encode()).hexdigest()[:16]
print(os.environ['XDG_DATA_HOME'] + '/kvlt-offline-scanner/journals/' +
      os.path.basename(real) + '-' + digest + '.journal', end='')
)";

// A journal header for the file as it is now, then the lines of argv[2].
const char* kWriteJournal = R"(
import hashlib, json, os, sys
path = os.path.realpath(sys.argv[1])
data = open(path, 'rb').read()
header = {"journal": 1, "file": path, "size": len(data),
          "sha256": hashlib.sha256(data).hexdigest()}
digest = hashlib.sha256(path.encode()).hexdigest()[:16]
folder = os.environ['XDG_DATA_HOME'] + '/kvlt-offline-scanner/journals'
os.makedirs(folder, mode=0o700, exist_ok=True)
with open(folder + '/' + os.path.basename(path) + '-' + digest + '.journal', 'w') as out:
    out.write(json.dumps(header) + '\n' + open(sys.argv[2]).read())
)";

class Hostile : public ::testing::Test {
  protected:
    void SetUp() override { clearKvltEnvironment(); }
    void TearDown() override { clearKvltEnvironment(); }

    TempDir folder;
    TempDir dataHome;
    const std::string env = "XDG_DATA_HOME=" + dataHome.root();
    const std::string journals = dataHome.root() + "/kvlt-offline-scanner/journals";
    const std::string file = folder.write("scan.json", R"({"repository":{"slots":4,"zones":[
            {"zone":"A","slot_start":1,"slot_end":4}]},
            "volumes":[{"id":"N1"},{"id":"N2"},{"id":"S3","slot":3}]})");
    const std::string before = readFile(file);

    CommandResult run(const std::vector<std::string>& args, const std::string& input = "",
                      const std::string& prefix = "") {
        std::vector<std::string> command{KVLT_SCAN};
        command.insert(command.end(), args.begin(), args.end());
        return runCommand(command, {input, {env}, prefix});
    }
    std::string journalPath() {
        return runShell(env + " /usr/bin/python3 -c " + shellQuote(kJournalPath) + " " +
                        shellQuote(file));
    }
    // A journal for the file's current bytes holding these lines.
    void plantJournal(const std::string& lines) {
        const std::string text = folder.write("lines.txt", lines);
        int status = -1;
        runShell(env + " /usr/bin/python3 -c " + shellQuote(kWriteJournal) + " " +
                     shellQuote(file) + " " + shellQuote(text),
                 &status);
        ASSERT_EQ(status, 0);
    }
    void makeJournals() {
        mkdir((dataHome.root() + "/kvlt-offline-scanner").c_str(), 0700);
        mkdir(journals.c_str(), 0700);
    }
    std::string lockPathOf(const std::string& path) {
        struct stat status {};
        stat(path.c_str(), &status);
        char name[64];
        std::snprintf(name, sizeof name, "/file-%llx-%llx.lock", (unsigned long long)status.st_dev,
                      (unsigned long long)status.st_ino);
        return journals + name;
    }
    // A slot run that has taken one barcode and waits for more.
    std::unique_ptr<ChildProcess> scanningRun(const std::string& path) {
        auto child = std::make_unique<ChildProcess>(
            std::vector<std::string>{KVLT_SCAN, "slot", path, "--mode", "first"},
            std::vector<std::string>{env});
        child->write("N1\n");
        EXPECT_TRUE(child->waitForLines(1)) << child->errors();
        return child;
    }
};

TEST_F(Hostile, PlantedLinksAndSharedFoldersAreRefusedAndTheirTargetsUntouched) {
    const std::string victim = folder.write("victim.txt", "precious\n");
    makeJournals();
    ASSERT_EQ(symlink(victim.c_str(), lockPathOf(file).c_str()), 0);
    CommandResult planted = run({"slot", file, "--mode", "first"}, "N1\n");
    EXPECT_EQ(planted.status, 1);
    EXPECT_EQ(planted.err, "Journal Error: Scans cannot be kept in the scan journal. Cannot open " +
                               lockPathOf(file) +
                               ": it is a symbolic link. Nothing was scanned or changed.\n");
    EXPECT_EQ(readFile(victim), "precious\n");
    EXPECT_EQ(readFile(file), before);

    unlink(lockPathOf(file).c_str());
    ASSERT_EQ(symlink(victim.c_str(), journalPath().c_str()), 0);
    CommandResult journal = run({"recover", file});
    EXPECT_EQ(journal.status, 1);
    EXPECT_NE(journal.err.find(": it is a symbolic link."), std::string::npos) << journal.err;
    EXPECT_EQ(readFile(victim), "precious\n");

    // A journals folder that others may write in is not used at all.
    unlink(journalPath().c_str());
    ASSERT_EQ(chmod(journals.c_str(), 0777), 0);
    CommandResult shared = run({"slot", file, "--mode", "first"}, "N1\n");
    EXPECT_EQ(shared.status, 1);
    EXPECT_NE(shared.err.find("Cannot use the folder " + journals +
                              ": other users may write in it; make it private with chmod 700 "),
              std::string::npos)
        << shared.err;
    EXPECT_EQ(readFile(file), before);
}

TEST_F(Hostile, AScanTheJournalCannotTakeIsRefusedAndNothingClaimsItIsSafe) {
    // A disk that takes nothing more: the journal's header, which names the
    // file by its long path, no longer fits in the 512 bytes allowed.
    const std::string deep = folder.path(std::string(250, 'd'));
    ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    const std::string file = deep + "/scan.json";
    writeFile(file, before);
    CommandResult full = run({"slot", file, "--mode", "first"}, "N1\nN2\n", "ulimit -f 1;");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.out, "2 of 2 selected slots remain\n2 of 2 selected slots remain\n");
    EXPECT_NE(full.err.find("Journal Error: Cannot write the scan journal "), std::string::npos)
        << full.err;
    EXPECT_NE(full.err.find(": File too large. The scan was not accepted;"), std::string::npos);
    EXPECT_EQ(full.err.find("kept in the scan journal"), std::string::npos) << full.err;
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(run({"recover", file}).out, "Nothing to recover for " + file + "\n");
}

TEST_F(Hostile, AnExportNeverReplacesAScanFile) {
    const std::string other = folder.write("other.json", before);
    for (const char* format : {"csv", "json", "pdf", "xls"}) {
        CommandResult itself = run({"export", "map", file, "--format", format, "--output", file});
        EXPECT_EQ(itself.status, 1) << format;
        EXPECT_NE(itself.err.find("it is the scan file " + file + " that is being exported"),
                  std::string::npos)
            << itself.err;
    }
    // A file another run scans into, whatever name the export is given.
    auto scanning = scanningRun(other);
    ASSERT_EQ(link(other.c_str(), folder.path("alias.json").c_str()), 0);
    for (const char* format : {"csv", "xls"}) {
        CommandResult locked =
            run({"export", "map", file, "--format", format, "--output", folder.path("alias.json")});
        EXPECT_EQ(locked.status, 1) << format;
    }
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(readFile(other), before);
    scanning->closeInput();
    EXPECT_EQ(scanning->wait(), 0);
}

TEST_F(Hostile, TheSameFileByAnotherNameHasOneWriter) {
    ASSERT_EQ(link(file.c_str(), folder.path("alias.json").c_str()), 0);
    auto first = scanningRun(file);
    CommandResult second = run({"slot", folder.path("alias.json"), "--mode", "first"}, "N2\n");
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err.rfind("File In Use: " + folder.path("alias.json") +
                                   " is open for scanning in process " +
                                   std::to_string(first->pid()),
                               0),
              0u)
        << second.err;
    first->closeInput();
    EXPECT_EQ(first->wait(), 0);
    EXPECT_EQ(readFile(file), readFile(folder.path("alias.json"))) << "still one file";
}

TEST_F(Hostile, AJournalThatIsANamedPipeIsSetAsideWithoutWaiting) {
    makeJournals();
    ASSERT_EQ(mkfifo(journalPath().c_str(), 0600), 0);
    CommandResult r = run({"slot", file, "--mode", "first"}, "N1\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("it is a named pipe, not a regular file."), std::string::npos) << r.err;
    EXPECT_NE(readFile(file).find("\"assigned\""), std::string::npos) << "scanning went on";
}

TEST_F(Hostile, ClosedStandardDescriptorsNeverLandInOurFiles) {
    std::string barcodes = folder.write("barcodes.txt", "N1\n");
    int status = -1;
    const std::string err =
        runShell(env + " " + shellQuote(KVLT_SCAN) + " slot " + shellQuote(file) +
                     " --mode first --barcodes " + shellQuote(barcodes) + " 2>&1 >&- </dev/null",
                 &status);
    EXPECT_EQ(status, 1) << "the status line could not be written";
    EXPECT_NE(err.find("cannot write to standard output"), std::string::npos) << err;
    EXPECT_NE(readFile(file).find("\"assigned\""), std::string::npos) << "the scan is saved";
}

TEST_F(Hostile, EveryArgumentIsCheckedBeforeAnythingIsWritten) {
    plantJournal("{\"id\":\"N1\",\"slot\":1,\"assigned\":\"then\"}\n");
    const std::string journal = readFile(journalPath());
    CommandResult outside = run({"slot", file, "--slots", "400"}, "N2\n");
    EXPECT_EQ(outside.status, 2);
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(readFile(journalPath()), journal) << "the earlier scans were not recovered yet";

    // Blank lines are no barcodes.
    CommandResult blank = run({"slot", file, "--mode", "first"}, "\n  \nN2\n\n");
    EXPECT_EQ(blank.status, 0);
    EXPECT_EQ(blank.out, "0 of 1 selected slots remain\n");
    EXPECT_EQ(blank.err.find("Barcode ''"), std::string::npos) << blank.err;
}

TEST_F(Hostile, RecoverKnowsScansAlreadySavedAndRefusesWhatIsNoScan) {
    // A save that ended before it removed its journal: the file holds the scan.
    plantJournal("{\"id\":\"N1\",\"slot\":1,\"assigned\":\"then\"}\n");
    const std::string journal = readFile(journalPath());
    ASSERT_EQ(run({"recover", file}).status, 0);
    writeFile(journalPath(), journal);
    CommandResult again = run({"recover", file});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "Nothing to recover for " + file + "\n");
    EXPECT_FALSE(fileExists(journalPath()));

    // A slot that is no whole number, and an id far too long to quote.
    writeFile(file, before);
    plantJournal("{\"id\":\"N2\",\"slot\":1.7,\"assigned\":\"then\"}\n{\"id\":\"N1\",\"slot\":2,"
                 "\"assigned\":\"then\"}\n");
    CommandResult fraction = run({"recover", file});
    EXPECT_EQ(fraction.status, 1);
    EXPECT_NE(fraction.err.find("not applied: the journal is damaged."), std::string::npos);
    EXPECT_EQ(readFile(file), before);
    plantJournal("{\"id\":\"" + std::string(1 << 20, 'X') + "\",\"slot\":1,\"assigned\":\"t\"}\n");
    CommandResult huge = run({"recover", file});
    EXPECT_EQ(huge.status, 1);
    EXPECT_LT(huge.err.size(), 1000u);
    EXPECT_NE(huge.err.find("no volume 'XXXX"), std::string::npos) << huge.err.substr(0, 300);
    CommandResult barcode = run({"slot", file, "--mode", "first"}, std::string(1 << 20, 'Y'));
    EXPECT_LT(barcode.err.size(), 1000u);
}

TEST_F(Hostile, ExportsCannotRunFormulasAndAlwaysWriteValidUtf8) {
    const std::string tricky =
        folder.write("tricky.json", "{\"volumes\":[{\"id\":\"=HYPERLINK("
                                    "\\\"http://x\\\")\"},{\"id\":\"-2\"},"
                                    "{\"id\":\"ok\"},{\"id\":\"bad\xff\"}]}");
    const std::string csv = folder.path("out.csv");
    ASSERT_EQ(run({"export", "incoming", tricky, "--format", "csv", "--output", csv}).status, 0);
    EXPECT_EQ(readFile(csv), "Volume,Source\r\n\"'=HYPERLINK(\"\"http://x\"\")\",\r\n\"'-2\","
                             "\r\nok,\r\nbad\xff,");
    const std::string json = folder.path("out.json");
    ASSERT_EQ(run({"export", "incoming", tricky, "--format", "json", "--output", json}).status, 0);
    EXPECT_EQ(runPython("import json,sys\nprint(ascii(json.load(open(sys.argv[1], "
                        "encoding='utf-8'))[0]['records'][3]['volume']))",
                        json),
              "'bad\\ufffd'\n");
}

TEST_F(Hostile, ASlotCountBeyondTheLimitIsRefusedAtLoad) {
    writeFile(file, R"({"repository":{"slots":2000000000},"volumes":[]})");
    CommandResult r = run({"list", "map", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Open Error: " + file +
                         " claims 2000000000 slots; this program handles repositories of at "
                         "most 16777216 slots. The file is damaged or not meant for it.\n");
}

} // namespace
