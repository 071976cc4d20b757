#include "atomicfile.h"
#include "commands.h"
#include "messagebox.h"
#include "scanfiledoc.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments& args);
};

const Command kCommands[] = {
    {"info", cmdInfo},     {"list", cmdList},     {"select", cmdSelect},
    {"slot", cmdSlot},     {"report", cmdReport}, {"recover", cmdRecover},
    {"export", cmdExport}, {"unslot", cmdUnslot}, {"check-outgoing", cmdCheckOutgoing},
    {"audit", cmdAudit},
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
    "--output PATH [--rows LIST] [--filter COLUMN=PATTERN]...\n"
    "       kvlt-scan unslot FILE BARCODE...\n"
    "       kvlt-scan check-outgoing FILE [--barcodes PATH|-]\n"
    "       kvlt-scan audit FILE --slots LIST [--by-slot] [--barcodes PATH|-] "
    "[--format csv|text|json|xml|pdf|xls --output PATH]\n";

// What --help prints: the usage, then a line or two per command. Each
// command's own lines sit together, so a new command adds its block.
const char* const kHelp =
    "kvlt-scan: the offline scanner for scripts and batch scanners. It reads an\n"
    "offline scan file, chooses slots and applies barcode scans as the window does.\n"
    "\n"
    "Commands:\n"
    "  info FILE\n"
    "      Counts: slots, zones, volumes, incoming, outgoing and slotted volumes.\n"
    "  list map|incoming|outgoing FILE [--filter COLUMN=PATTERN]...\n"
    "      One line per row of the list, its cells separated by tabs. --filter keeps\n"
    "      the rows whose cell in the column titled COLUMN (letter case ignored)\n"
    "      matches the shell pattern PATTERN (* ? [...] and +(a|b) @(..) !(..) ?(..)\n"
    "      *(..)); several filters must all match. With KVLTFILTERNOCASE set,\n"
    "      patterns also ignore letter case. Matching takes bounded time: a pattern\n"
    "      over 4096 bytes, or a cell that would cost more than a few milliseconds\n"
    "      of matching (deeply nested !(..) lists), matches nothing; a line on\n"
    "      standard error then counts the cells left out.\n"
    "  select FILE --mode first|intelli\n"
    "      The slots First Available or IntelliSlot would choose, one per line.\n"
    "  slot FILE (--mode first|intelli | --slots LIST) [--barcodes PATH|-] [--output PATH]\n"
    "      Chooses slots (LIST as 3,5,7-9), then applies one barcode per line of PATH\n"
    "      (standard input by default; blank lines skipped) and prints the status line\n"
    "      after each. Saves to FILE, or to --output, when a scan was accepted. Every\n"
    "      argument is checked before anything is recovered or written. FILE is locked\n"
    "      (by device and inode, whatever name reaches it) against a second run, and\n"
    "      every scan is synced to the scan journal (in\n"
    "      $XDG_DATA_HOME/kvlt-offline-scanner/journals, ~/.local/share when unset)\n"
    "      before it is applied or reported; the lines ready together share one sync.\n"
    "      A scan the journal cannot take is refused (exit 1). Scans a crashed run\n"
    "      left are recovered first; scans kept for later are left to recover. A save\n"
    "      never overwrites a file changed on disk since it was loaded. FILE and the\n"
    "      --barcodes PATH must be regular files (a folder, named pipe or device is\n"
    "      refused); neither PATH may be empty. A save follows a symbolic link to its\n"
    "      file, writes a file with other hard links in place, and refuses a read-only\n"
    "      file.\n"
    "  recover FILE [--output PATH]\n"
    "      Applies the scans an earlier run left in the journal, and the scans kept\n"
    "      for later, and saves, printing \"Recovered N scans into PATH\" or \"Nothing\n"
    "      to recover for FILE\" (also when the file already holds them).\n"
    "  report map|incoming|outgoing FILE\n"
    "      The list through the report writer; the KVLT... variables choose the format\n"
    "      and the output.\n"
    "  export map|incoming|outgoing FILE --format csv|text|json|xml|pdf|xls --output PATH\n"
    "         [--rows LIST] [--filter COLUMN=PATTERN]...\n"
    "      Writes the list as the window's Export does: all rows, or LIST such as\n"
    "      1,4,7-9 (counted from 1 in list order, among the rows the filters keep).\n"
    "      Never over FILE itself or a scan file another run scans into. CSV cells\n"
    "      starting with = + - @ tab or CR are written as text ('=...); JSON is always\n"
    "      valid UTF-8.\n"
    "  unslot FILE BARCODE...\n"
    "      Takes scans back: each volume this tool slotted (it has \"assigned\") leaves\n"
    "      its slot and is incoming again, its object as before the scan; prints\n"
    "      \"ID<tab>returned<tab>SLOT\" for each and saves FILE. A barcode that is\n"
    "      unknown, has no slot or was slotted by the server is refused with a\n"
    "      message (exit status 1); the others are still taken back and saved.\n"
    "      Locked and journaled as slot is.\n"
    "  check-outgoing FILE [--barcodes PATH|-]\n"
    "      Holds the barcodes of the tapes in the transport case (one per line) against\n"
    "      the outgoing volumes: prints \"BARCODE<tab>checked\", \"...<tab>not outgoing\"\n"
    "      or \"...<tab>repeated\" for each, then \"ID<tab>not scanned\" for each outgoing\n"
    "      volume not scanned. Exit status 0 when every outgoing volume was checked and\n"
    "      nothing else was scanned, 1 otherwise. FILE is only read.\n"
    "  audit FILE --slots LIST [--by-slot] [--barcodes PATH|-]\n"
    "        [--format csv|text|json|xml|pdf|xls --output PATH]\n"
    "      The shelf audit of the slots in LIST: the barcodes found there, one per\n"
    "      line, are held against what the file puts in those slots. With --by-slot a\n"
    "      line stands for each chosen slot in ascending order (an empty line or \"-\"\n"
    "      where nothing was found). Prints a line per fact, tab-separated: zone, slot,\n"
    "      expected, found, result (Present, Absent, Empty, Not Audited, Wrong Slot,\n"
    "      Surplus) and where a wrong-slot tape belongs; or writes that table with\n"
    "      --format and --output as export does. Exit status 0 when every expected\n"
    "      volume was found in place and nothing else was, 1 otherwise. FILE is only\n"
    "      read.\n"
    "\n"
    "Options:\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "\n"
    "Barcodes are trimmed of blanks at both ends and upper-cased before the look-up.\n"
    "Messages go to standard error as \"Caption: text\"; questions are answered Yes.\n"
    "A FILE that is not JSON is refused with \"Parse Error: Failed to parse Strovane\n"
    "Offline Scanfile: line L, column C: what was expected.\" (columns count\n"
    "characters).\n"
    "\n"
    "Exit status: 0 when the run completed (refused scans included; recover: scans\n"
    "recovered and saved, or nothing to recover; export: the file was written;\n"
    "unslot, check-outgoing and audit: see above), 1 when\n"
    "a file could not be loaded or saved, an output (standard output, a PDF or\n"
    "spreadsheet file) could not be written, another run scans into the file, its\n"
    "journal does not match it or cannot be used, a scan could not be journaled, or\n"
    "no scan could be applied because a chosen slot is occupied, always with a\n"
    "message on standard error; 2 for a usage error.\n";

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

bool parseNumberList(const std::string& text, uint32_t count, const char* what, const char* where,
                     std::vector<uint32_t>& indexes, std::string& error) {
    auto number = [](const std::string& digits, uint64_t& value) {
        if (digits.empty() || digits.size() > 10 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        value = std::strtoull(digits.c_str(), nullptr, 10);
        return true;
    };
    size_t at = 0;
    for (;;) {
        const size_t comma = text.find(',', at);
        const std::string item =
            text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        const size_t dash = item.find('-');
        const std::string firstText = item.substr(0, dash);
        const std::string lastText = dash == std::string::npos ? firstText : item.substr(dash + 1);
        uint64_t first = 0, last = 0;
        if (!number(firstText, first) || !number(lastText, last) || first > last) {
            error = "'" + item + "' is not a " + what + " or a range of " + what + "s like 7-9";
            return false;
        }
        if (first == 0 || last > count) {
            error = std::string(what) + " " + std::to_string(first == 0 ? 0 : last) + " is not " +
                    where + " (" + what + "s 1 to " + std::to_string(count) + ")";
            return false;
        }
        for (uint64_t n = first; n <= last; ++n)
            indexes.push_back(uint32_t(n - 1));
        if (comma == std::string::npos)
            return true;
        at = comma + 1;
    }
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

// A descriptor of 0, 1 or 2 that is closed at start would be handed to the
// first file opened (the lock, a journal), and status lines would be written
// into it. Each gets /dev/null, opened for reading only: a write to it still
// fails as a write to a closed descriptor does (EBADF), so a closed standard
// output is still reported, and nothing lands in our files.
static void openClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF && ::open("/dev/null", O_RDONLY) != fd)
            std::_Exit(EXIT_FILE_ERROR);
}

int main(int argc, char** argv) {
    openClosedStandardDescriptors();
    StderrPresenter presenter;
    setMessagePresenter(&presenter);
    // A reader that goes away is an output error like any other: a message
    // and exit status 1, after the scans are saved, never a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    // A file-size limit (a full disk, ulimit -f) is a failed write with a
    // message, never a process killed halfway.
    ignoreFileSizeSignal();
    if (argc < 2)
        return usageError("no command given");
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        std::fputs("\n", stdout);
        std::fputs(kHelp, stdout);
        return finishOutput();
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("kvlt-scan %s\n", KVLT_VERSION);
        return finishOutput();
    }
    Arguments args(argv + 2, argv + argc);
    for (const Command& command : kCommands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(args);
    return usageError(std::string("unknown command '") + argv[1] + "'");
}
