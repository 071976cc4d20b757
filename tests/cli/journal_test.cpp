// kvlt-scan killed, refused and failing to save, as an operator would meet
// it: no accepted scan is ever lost, and the saved file is read back by
// python's json.
#include <gtest/gtest.h>

#include "testsupport.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Every scan line of every journal: id|slot|assigned.
const char* kJournalScans = R"(
import glob, json, sys
for path in sorted(glob.glob(sys.argv[1] + '/kvlt-offline-scanner/journals/*.journal')):
    for line in open(path, encoding='utf-8'):
        o = json.loads(line)
        if 'journal' not in o:
            print(o['id'], o['slot'], o['assigned'], sep='|')
)";

// Every volume of the file with an "assigned" time: id|slot|assigned.
const char* kAssigned = R"(
import json, sys
for v in json.load(open(sys.argv[1], encoding='utf-8'))['volumes']:
    if 'assigned' in v:
        print(v['id'], v['slot'], v['assigned'], sep='|')
)";

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    std::sort(lines.begin(), lines.end());
    return lines;
}

class KvltScanJournal : public ::testing::Test {
  protected:
    TempDir folder;
    TempDir dataHome;
    const std::string env = "XDG_DATA_HOME=" + dataHome.root();
    const std::string sample = readFile(KVLT_SAMPLE);
    const std::string file = folder.write("scan.json", sample);

    CommandResult run(const std::vector<std::string>& args, const std::string& input = "",
                      const std::string& prefix = "") {
        std::vector<std::string> command{KVLT_SCAN};
        command.insert(command.end(), args.begin(), args.end());
        return runCommand(command, {input, {env}, prefix});
    }
    // The incoming barcodes, in list order.
    std::vector<std::string> incomingIds() {
        std::vector<std::string> ids;
        for (const std::string& line : run({"list", "incoming", file}).lines())
            ids.push_back(line.substr(0, line.find('\t')));
        return ids;
    }
    // In the order they were journaled.
    std::vector<std::string> journalScans() {
        std::vector<std::string> lines;
        std::string text = runPython(kJournalScans, dataHome.root());
        size_t at = 0;
        for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(text.substr(at, end - at));
        return lines;
    }
    std::vector<std::string> assigned() { return sortedLines(runPython(kAssigned, file)); }
    // A slot run on the file that has taken count barcodes from a pipe.
    std::unique_ptr<ChildProcess> scanning(const std::vector<std::string>& ids, size_t count) {
        auto child = std::make_unique<ChildProcess>(
            std::vector<std::string>{KVLT_SCAN, "slot", file, "--mode", "intelli"},
            std::vector<std::string>{env});
        for (size_t i = 0; i < count; ++i)
            child->write(ids[i] + "\n");
        EXPECT_TRUE(child->waitForLines(count)) << child->errors();
        return child;
    }
};

TEST_F(KvltScanJournal, AKilledRunLosesNoAcceptedScan) {
    const std::vector<std::string> ids = incomingIds();
    ASSERT_EQ(ids.size(), 42u);
    const std::vector<std::string> slots = run({"select", file, "--mode", "intelli"}).lines();
    const std::vector<std::string> before = assigned();
    for (auto [signal, count] : {std::pair{SIGKILL, 5}, std::pair{SIGTERM, 20}}) {
        SCOPED_TRACE(signal);
        writeFile(file, sample);
        auto child = scanning(ids, size_t(count));
        EXPECT_EQ(child->lines().back(),
                  std::to_string(42 - count) + " of 42 selected slots remain");
        child->signal(signal);
        EXPECT_EQ(child->wait(), -signal);
        EXPECT_EQ(readFile(file), sample) << "nothing was saved";

        // Each accepted scan, in order, got the next of the slots IntelliSlot chose.
        const std::vector<std::string> journal = journalScans();
        ASSERT_EQ(journal.size(), size_t(count));
        for (size_t i = 0; i < journal.size(); ++i)
            EXPECT_EQ(journal[i].rfind(ids[i] + "|" + slots[i] + "|", 0), 0u) << journal[i];

        CommandResult recovered = run({"recover", file});
        EXPECT_EQ(recovered.status, 0);
        EXPECT_EQ(recovered.out,
                  "Recovered " + std::to_string(count) + " scans into " + file + "\n");
        EXPECT_EQ(recovered.err, "Strovane Offline Scanner: Recover " + std::to_string(count) +
                                     " unsaved scans from an earlier run?\n");
        std::vector<std::string> wanted = before;
        wanted.insert(wanted.end(), journal.begin(), journal.end());
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(assigned(), wanted) << "the same slots and times, in the saved file";
        EXPECT_TRUE(journalScans().empty()) << "the save ended the journal";
    }
}

TEST_F(KvltScanJournal, AJournalForBytesThatChangedIsNeverApplied) {
    auto child = scanning(incomingIds(), 3);
    child->signal(SIGKILL);
    child->wait();
    const std::string edited = sample + "\n";
    writeFile(file, edited);

    CommandResult r = run({"recover", file});
    EXPECT_EQ(r.status, 1);
    const std::string told = "Recovery Error: The scan journal holds 3 unsaved scans of " + file +
                             " from an earlier run, but they were not applied: the file has "
                             "changed since they were scanned.\n\nThe journal is kept as ";
    ASSERT_EQ(r.err.substr(0, told.size()), told);
    const std::string kept = r.err.substr(told.size(), r.err.size() - told.size() - 2);
    EXPECT_EQ(readFile(file), edited);
    EXPECT_NE(readFile(kept).find("\"slot\""), std::string::npos) << kept;
    EXPECT_EQ(journalScans().size(), 3u);
    EXPECT_EQ(run({"recover", file}).out, "Nothing to recover for " + file + "\n");
}

TEST_F(KvltScanJournal, AFailedFinalSaveKeepsTheScansForRecover) {
    const std::vector<std::string> ids = incomingIds();
    // ulimit -f counts 512-byte blocks: room for the journal, not for the file.
    CommandResult r =
        run({"slot", file, "--mode", "intelli"}, ids[0] + "\n" + ids[1] + "\n", "ulimit -f 8;");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Save Error: The file could not be saved."), std::string::npos);
    const std::string hint =
        "Once the file can be written, \"kvlt-scan recover " + file + "\" saves them.\n";
    EXPECT_NE(r.err.find("Save Error: The 2 unsaved scans are kept in the scan journal "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - hint.size()), hint);
    EXPECT_EQ(readFile(file), sample);
    EXPECT_EQ(journalScans().size(), 2u);

    CommandResult recovered = run({"recover", file});
    EXPECT_EQ(recovered.status, 0) << recovered.err;
    EXPECT_EQ(assigned().size(), sortedLines(runPython(kAssigned, KVLT_SAMPLE)).size() + 2);
}

TEST_F(KvltScanJournal, AnEditMadeOnDiskDuringTheRunIsNeverOverwritten) {
    auto child = scanning(incomingIds(), 1);
    const std::string edited = sample + "\n";
    writeFile(file, edited);
    child->closeInput();
    EXPECT_EQ(child->wait(), 1);
    EXPECT_EQ(readFile(file), edited);
    const std::string err = child->errors();
    EXPECT_NE(err.find("Save Error: " + file + " has been changed on disk since it was loaded."),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("was changed on disk since it was loaded, so they cannot be recovered into "
                       "it.\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(journalScans().size(), 1u) << "the scan is kept";
}

TEST_F(KvltScanJournal, ASecondWriterIsRefusedAndTheFirstLosesNothing) {
    const std::vector<std::string> ids = incomingIds();
    auto first = scanning(ids, 1);
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    CommandResult second = run({"slot", file, "--mode", "first"}, ids[1] + "\n");
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, "File In Use: " + file + " is open for scanning in process " +
                              std::to_string(first->pid()) + " (kvlt-scan) on host " + host +
                              ". Only one program at a time may scan into a file.\n");
    EXPECT_EQ(run({"recover", file}).status, 1);

    first->write(ids[2] + "\n");
    first->closeInput();
    EXPECT_EQ(first->wait(), 0) << first->errors();
    const std::vector<std::string> saved = assigned();
    for (const std::string& id : {ids[0], ids[2]})
        EXPECT_TRUE(std::any_of(saved.begin(), saved.end(), [&](const std::string& line) {
            return line.rfind(id + "|", 0) == 0;
        })) << id;
    EXPECT_EQ(saved.size(), sortedLines(runPython(kAssigned, KVLT_SAMPLE)).size() + 2);
}

TEST_F(KvltScanJournal, AKillDuringABatchLosesNoReportedScan) {
    // 2,500 slots and 2,000 incoming volumes, all scanned from one file.
    std::string volumes, barcodes;
    for (int i = 0; i < 2000; ++i) {
        const std::string id = "B" + std::to_string(10000 + i);
        volumes += std::string(i ? "," : "") + "{\"id\":\"" + id + "\"}";
        barcodes += id + "\n";
    }
    const std::string big = R"({"repository":{"slots":2500},"volumes":[)" + volumes + "]}";
    const std::string list = folder.write("barcodes.txt", barcodes);
    const char* slotted = R"(
import json, sys
print(sum(1 for v in json.load(open(sys.argv[1]))['volumes'] if 'slot' in v))
)";
    unsigned seed = 7;
    for (int attempt = 0; attempt < 8; ++attempt) {
        writeFile(file, big);
        ChildProcess child({KVLT_SCAN, "slot", file, "--mode", "first", "--barcodes", list}, {env});
        usleep(useconds_t(rand_r(&seed) % 500000));
        child.signal(SIGKILL);
        child.wait();
        child.waitForLines(2000);
        // Every status line printed was printed after its scan was on disk.
        const size_t reported = child.lines().size();
        const std::string last = reported ? child.lines().back() : "2000 of 2000";
        const int accepted = 2000 - std::stoi(last.substr(0, last.find(' ')));
        EXPECT_EQ(accepted, int(reported)) << last;
        run({"recover", file});
        EXPECT_GE(std::stoi(runPython(slotted, file)), accepted) << "attempt " << attempt;
    }
}

} // namespace
