// slot: choose slots as the map's commands do, then apply barcodes as the
// scan dialog does, and save when a scan was accepted. The file is locked
// against a second writer for the whole run, every accepted scan is in the
// scan journal before the next line is read, and an earlier run's unsaved
// scans are recovered first.
#include "commands.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"

#include "atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sstream>
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

// The whole barcode file. Only a regular file is read: a folder, a named
// pipe or a device is refused before it is opened for reading.
bool readBarcodeFile(const std::string& path, std::string& text) {
    auto refuse = [&path](const std::string& why) {
        std::fprintf(stderr, "kvlt-scan: cannot read barcodes from %s: %s\n", path.c_str(),
                     why.c_str());
        return false;
    };
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return refuse(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return refuse(std::string("it is ") + fileKindText(status.st_mode & S_IFMT) +
                      ", not a regular file (use - for standard input)");
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return refuse(std::strerror(errno));
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    char chunk[65536];
    while (ok) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(chunk, size_t(n));
    }
    int error = errno;
    ::close(fd);
    return ok || refuse(std::strerror(error));
}

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
    if (!loadScanFile(doc, options.file) || !openForScanning(doc))
        return EXIT_FILE_ERROR;
    const uint32_t recovered = recoverEarlierScans(doc);
    uint32_t accepted = 0;
    // Every way out saves what was accepted or recovered.
    auto finish = [&]() {
        if (!doc.IsModified())
            return EXIT_DONE;
        const std::string& target = options.output.empty() ? options.file : options.output;
        if (doc.OnSaveDocument(target))
            return EXIT_DONE;
        tellWhereTheScansAre(doc, recovered + accepted, options.file, options.output);
        return EXIT_FILE_ERROR;
    };

    CRowSelection selection;
    if (!options.slots.empty()) {
        std::vector<uint32_t> rows;
        std::string error;
        if (!parseNumberList(options.slots, doc.mapRowCount(), "slot", "on the map", rows, error)) {
            usageError(error);
            return doc.IsModified() ? finish() : EXIT_USAGE;
        }
        selection = CRowSelection(std::move(rows));
        // Scan Incoming: the hand-picked slots are checked first.
        uint32_t n = requireSlotSelection(selection);
        if (!checkHandPickedSlots(doc, selection, n))
            return finish();
    } else {
        bool firstAvailable = true;
        parseMode(options.mode, firstAvailable);
        selection = CRowSelection(doc.autoSelectSlots(firstAvailable));
    }
    // Opening the scan dialog needs at least one chosen slot.
    if (requireSlotSelection(selection) == 0)
        return finish();

    std::istringstream file(barcodes);
    std::istream* input = options.barcodes != "-" ? &file : &std::cin;

    CScanSession session(doc, selection);
    std::string line;
    while (std::getline(*input, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        session.scan(line);
        accepted = session.assignedCount();
        // Printed only once the scan is in the journal.
        std::printf("%s\n", session.statusText().c_str());
        std::fflush(stdout);
    }
    // The scans are saved even when standard output failed on the way.
    const int saved = finish();
    const int output = finishOutput();
    return saved != EXIT_DONE ? saved : output;
}
