// slot: choose slots as the map's commands do, then apply barcodes as the
// scan dialog does, and save when a scan was accepted. The file is locked
// against a second writer for the whole run, every accepted scan is in the
// scan journal before it is applied or reported (barcodes that are ready
// together share one write and one sync), and the unsaved scans a crashed
// run left are recovered first. Scans kept for later are left to recover.
#include "commands.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"

#include "fileaccess.h"
#include "texts.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct SlotOptions {
    std::string file;
    std::string mode;
    std::string slots;
    std::string barcodes = "-";
    std::string output;
};

// The most a barcode file may hold: millions of barcodes, and a bound on
// what reading one can cost.
constexpr size_t kMaxBarcodeFile = size_t(256) << 20;
// The most barcodes journaled in one write and one sync.
constexpr size_t kMaxBatch = 10000;

// The whole barcode file. Only a regular file is read: a folder, a named
// pipe or a device is refused before it is opened for reading.
bool readBarcodeFile(const std::string& path, std::string& text) {
    std::string why;
    if (readRegularFile(path, kMaxBarcodeFile, text, why))
        return true;
    if (why.find("not a regular file") != std::string::npos)
        why += " (use - for standard input)";
    std::fprintf(stderr, "kvlt-scan: cannot read barcodes from %s: %s\n", path.c_str(),
                 why.c_str());
    return false;
}

// Reads barcodes, one per line, and hands over the lines that are ready
// together: all of a file at once (in batches of kMaxBatch), and from
// standard input whatever a scanner has typed by the time the last batch
// was written. Blank lines are skipped.
class BarcodeReader {
  public:
    explicit BarcodeReader(const std::string* file) : m_file(file) {}

    // The next batch; false at the end of the input.
    bool next(std::vector<std::string>& batch) {
        batch.clear();
        for (;;) {
            takeLines(batch);
            if (!batch.empty())
                return true;
            if (m_bEnded) {
                std::string last;
                last.swap(m_pending);
                if (!trimmed(last).empty()) {
                    batch.push_back(last);
                    return true;
                }
                return false;
            }
            fill();
        }
    }

  private:
    void takeLines(std::vector<std::string>& batch) {
        size_t at = 0;
        for (size_t end;
             batch.size() < kMaxBatch && (end = m_pending.find('\n', at)) != std::string::npos;
             at = end + 1) {
            std::string line = m_pending.substr(at, end - at);
            if (!trimmed(line).empty())
                batch.push_back(std::move(line));
        }
        m_pending.erase(0, at);
    }
    void fill() {
        if (m_file != nullptr) {
            m_pending += *m_file;
            m_bEnded = true;
            return;
        }
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                m_bEnded = true; // an unreadable input ends like an empty one
            else
                m_pending.append(chunk, size_t(n));
            return;
        }
    }

    const std::string* m_file;
    std::string m_pending;
    bool m_bEnded = false;
};

int parseOptions(const Arguments& args, SlotOptions& options) {
    if (args.empty())
        return usageError("slot takes a FILE");
    options.file = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (i + 1 >= args.size())
            return usageError(flag + " needs a value");
        const std::string& value = args[++i];
        if (value.empty() && (flag == "--barcodes" || flag == "--output"))
            return usageError(flag + " needs a file name"); // '' must never mean FILE itself
        if (flag == "--mode")
            options.mode = value;
        else if (flag == "--slots")
            options.slots = value;
        else if (flag == "--barcodes")
            options.barcodes = value;
        else if (flag == "--output")
            options.output = value;
        else
            return usageError("unknown option " + flag);
    }
    bool firstAvailable;
    if (options.mode.empty() == options.slots.empty())
        return usageError("slot takes either --mode first|intelli or --slots LIST");
    if (!options.mode.empty() && !parseMode(options.mode, firstAvailable))
        return usageError("--mode takes first or intelli");
    return EXIT_DONE;
}

} // namespace

int cmdSlot(const Arguments& args) {
    SlotOptions options;
    if (int status = parseOptions(args, options); status != EXIT_DONE)
        return status;
    // The barcodes are read before anything else happens: a bad PATH stops
    // the run while nothing is changed.
    std::string barcodes;
    if (options.barcodes != "-" && !readBarcodeFile(options.barcodes, barcodes))
        return EXIT_FILE_ERROR;

    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, options.file))
        return EXIT_FILE_ERROR;
    // Every argument is checked before anything is recovered or written.
    std::vector<uint32_t> rows;
    if (!options.slots.empty()) {
        std::string error;
        if (!parseNumberList(options.slots, doc.mapRowCount(), "slot", "on the map", rows, error))
            return usageError(error);
    }
    if (!openForScanning(doc))
        return EXIT_FILE_ERROR;
    recoverEarlierScans(doc, options.file);
    bool journalFailed = false;
    // Every way out saves what was accepted or recovered.
    auto finish = [&](int status) -> int {
        if (doc.IsModified()) {
            const std::string& target = options.output.empty() ? options.file : options.output;
            if (!doc.OnSaveDocument(target)) {
                tellWhereTheScansAre(doc, options.file, options.output);
                return EXIT_FILE_ERROR;
            }
        }
        return journalFailed ? EXIT_FILE_ERROR : status;
    };

    CRowSelection selection;
    if (!options.slots.empty()) {
        selection = CRowSelection(std::move(rows));
        // Scan Incoming: the hand-picked slots are checked first; an occupied
        // one means no scan can be applied.
        uint32_t n = requireSlotSelection(selection);
        if (!checkHandPickedSlots(doc, selection, n))
            return finish(EXIT_FILE_ERROR);
    } else {
        bool firstAvailable = true;
        parseMode(options.mode, firstAvailable);
        selection = CRowSelection(doc.autoSelectSlots(firstAvailable));
    }
    // Opening the scan dialog needs at least one chosen slot.
    if (requireSlotSelection(selection) == 0)
        return finish(EXIT_DONE);

    CScanSession session(doc, selection);
    BarcodeReader reader(options.barcodes != "-" ? &barcodes : nullptr);
    std::vector<std::string> batch;
    while (reader.next(batch)) {
        // A status line is printed only once its scan is in the journal.
        session.scanBatch(batch, [&](ScanOutcome outcome) {
            journalFailed = journalFailed || outcome == ScanOutcome::JournalFailed;
            std::printf("%s\n", session.statusText().c_str());
        });
        std::fflush(stdout);
    }
    // The scans are saved even when standard output failed on the way.
    const int saved = finish(EXIT_DONE);
    const int output = finishOutput();
    return saved != EXIT_DONE ? saved : output;
}
