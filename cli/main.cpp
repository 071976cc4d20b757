#include "commands.h"
#include "messagebox.h"
#include "scanfiledoc.h"

#include <cerrno>
#include <csignal>
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

const char* const kHelp =
    "\n"
    "FILE and the --barcodes PATH must be regular files (a folder, named pipe\n"
    "or device is refused); --barcodes - (the default) reads standard input.\n"
    "--output PATH saves the scans there instead of over FILE; neither value\n"
    "may be empty. A save follows a symbolic link to its file, writes a file\n"
    "with other hard links in place, and refuses a read-only file.\n"
    "\n"
    "Exit status: 0 when the run completed (refused scans included); 1 when a\n"
    "file could not be loaded or saved, or an output (standard output, a PDF\n"
    "or spreadsheet file) could not be written, always with a message on\n"
    "standard error; 2 for a usage error.\n";

} // namespace

int usageError(const std::string& message) {
    std::fprintf(stderr, "kvlt-scan: %s\n%s", message.c_str(), kUsage);
    return EXIT_USAGE;
}

int finishOutput() {
    errno = 0;
    bool failed = std::fflush(stdout) != 0;
    int error = errno;
    if (!failed && !std::ferror(stdout))
        return EXIT_DONE;
    std::fprintf(stderr, "kvlt-scan: cannot write to standard output: %s\n",
                 error != 0 ? std::strerror(error) : "a write failed");
    return EXIT_FILE_ERROR;
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
    // A reader that goes away is an output error like any other: a message
    // and exit status 1, after the scans are saved, never a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2)
        return usageError("no command given");
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return finishOutput();
    }
    Arguments args(argv + 2, argv + argc);
    for (const Command& command : kCommands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(args);
    return usageError(std::string("unknown command '") + argv[1] + "'");
}
