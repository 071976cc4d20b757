#include "commands.h"
#include "messagebox.h"
#include "scanfiledoc.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments& args);
};

const Command kCommands[] = {
    {"info", cmdInfo}, {"list", cmdList},     {"select", cmdSelect},
    {"slot", cmdSlot}, {"report", cmdReport},
};

const char* const kUsage =
    "usage: kvlt-scan info FILE\n"
    "       kvlt-scan list map|incoming|outgoing FILE\n"
    "       kvlt-scan select FILE --mode first|intelli\n"
    "       kvlt-scan slot FILE (--mode first|intelli | --slots LIST) [--barcodes PATH|-] "
    "[--output PATH]\n"
    "       kvlt-scan report map|incoming|outgoing FILE\n";

// What --help prints: the usage, then a line or two per command. Each
// command's own lines sit together, so a new command adds its block.
const char* const kHelp =
    "kvlt-scan: the Strovane Offline Scanner for scripts and batch scanners. It reads an\n"
    "offline scan file, chooses slots and applies barcode scans as the window does.\n"
    "\n"
    "Commands:\n"
    "  info FILE\n"
    "      Counts: slots, zones, volumes, incoming, outgoing and slotted volumes.\n"
    "  list map|incoming|outgoing FILE\n"
    "      One line per row of the list, its cells separated by tabs.\n"
    "  select FILE --mode first|intelli\n"
    "      The slots First Available or IntelliSlot would choose, one per line.\n"
    "  slot FILE (--mode first|intelli | --slots LIST) [--barcodes PATH|-] [--output PATH]\n"
    "      Chooses slots (LIST as 3,5,7-9), then applies one barcode per line of PATH\n"
    "      (standard input by default) and prints the status line after each. Saves\n"
    "      to FILE, or to --output, when a scan was accepted.\n"
    "  report map|incoming|outgoing FILE\n"
    "      The list through the report writer; the KVLT... variables choose the format\n"
    "      and the output.\n"
    "\n"
    "Options:\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "\n"
    "Barcodes are trimmed of blanks at both ends and upper-cased before the look-up.\n"
    "Messages go to standard error as \"Caption: text\"; questions are answered Yes.\n"
    "\n"
    "Exit status: 0 when the run completed (refused scans included), 1 when a file\n"
    "could not be loaded or saved, 2 for a usage error.\n";

} // namespace

int usageError(const std::string& message) {
    std::fprintf(stderr, "kvlt-scan: %s\n%s", message.c_str(), kUsage);
    return EXIT_USAGE;
}

bool loadScanFile(CKVLTOfflineScannerDoc& doc, const std::string& path) {
    return doc.OnOpenDocument(path);
}

bool parseMode(const std::string& text, bool& firstAvailable) {
    if (text == "first" || text == "intelli") {
        firstAvailable = text == "first";
        return true;
    }
    return false;
}

bool parseList(const std::string& text, ScanList& list) {
    if (text == "map")
        list = ScanList::Map;
    else if (text == "incoming")
        list = ScanList::Incoming;
    else if (text == "outgoing")
        list = ScanList::Outgoing;
    else
        return false;
    return true;
}

int main(int argc, char** argv) {
    StderrPresenter presenter;
    setMessagePresenter(&presenter);
    if (argc < 2)
        return usageError("no command given");
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        std::fputs("\n", stdout);
        std::fputs(kHelp, stdout);
        return EXIT_DONE;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("kvlt-scan %s\n", KVLT_VERSION);
        return EXIT_DONE;
    }
    Arguments args(argv + 2, argv + argc);
    for (const Command& command : kCommands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(args);
    return usageError(std::string("unknown command '") + argv[1] + "'");
}
