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
    {"info", cmdInfo},     {"list", cmdList},       {"select", cmdSelect}, {"slot", cmdSlot},
    {"report", cmdReport}, {"recover", cmdRecover}, {"export", cmdExport},
};

const char* const kUsage =
    "usage: kvlt-scan info FILE\n"
    "       kvlt-scan list map|incoming|outgoing FILE [--filter COLUMN=PATTERN]...\n"
    "       kvlt-scan select FILE --mode first|intelli\n"
    "       kvlt-scan slot FILE (--mode first|intelli | --slots LIST) [--barcodes PATH|-] "
    "[--output PATH]\n"
    "       kvlt-scan report map|incoming|outgoing FILE\n"
    "       kvlt-scan recover FILE [--output PATH]\n"
    "       kvlt-scan export map|incoming|outgoing FILE --format csv|text|json|xml|pdf|xls "
    "--output PATH [--rows LIST] [--filter COLUMN=PATTERN]...\n";

// --help only: filters, what the scanning commands keep safe, and the exit
// statuses.
const char* const kHelpDetails =
    "\n"
    "--filter keeps the rows whose cell in the column titled COLUMN (letter case\n"
    "ignored) matches the shell pattern PATTERN (* ? [...] and +(a|b) @(..) !(..)\n"
    "?(..) *(..)); several filters must all match. With KVLTFILTERNOCASE set,\n"
    "patterns also ignore letter case.\n"
    "\n"
    "slot locks FILE against a second run that wants to scan into it, and keeps every\n"
    "accepted scan in a scan journal before it reads the next barcode (in\n"
    "$XDG_DATA_HOME/kvlt-offline-scanner/journals, ~/.local/share when unset). Scans an\n"
    "earlier run left unsaved are recovered first. recover applies them and saves in one\n"
    "step and prints \"Recovered N scans into PATH\" or \"Nothing to recover for FILE\".\n"
    "A save never overwrites a file that was changed on disk since it was loaded.\n"
    "\n"
    "export writes the list as the window's Export does: all rows, or LIST such as 1,4,7-9\n"
    "(rows counted from 1 in list order, among the rows the filters keep). It exits 0 when the "
    "file was written, 1 when the\n"
    "scan file could not be read or the output could not be written.\n"
    "\n"
    "Exit status: 0 done (refused scans included; recover: recovered and saved, or nothing\n"
    "to recover), 1 a file could not be loaded or saved, another run scans into it, or\n"
    "the journal does not match the file, 2 usage error.\n";

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
        std::fputs(kHelpDetails, stdout);
        return EXIT_DONE;
    }
    Arguments args(argv + 2, argv + argc);
    for (const Command& command : kCommands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(args);
    return usageError(std::string("unknown command '") + argv[1] + "'");
}
