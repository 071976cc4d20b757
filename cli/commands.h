// kvlt-scan, the headless tool: one function per subcommand.
//
// Output formats are fixed because scripts read them. Exit status: 0 when the
// run completed (refused scans included), 1 when a file could not be loaded
// or saved, an output could not be written, another run scans into the file
// or its journal does not match it (always with a message on standard
// error), 2 for a usage error.
#pragma once

#include "listtexts.h"

#include <cstdint>
#include <string>
#include <vector>

class CKVLTOfflineScannerDoc;
struct ExportFormat;
struct ExportTable;

enum ExitStatus { EXIT_DONE = 0, EXIT_FILE_ERROR = 1, EXIT_USAGE = 2 };

using Arguments = std::vector<std::string>;

int cmdInfo(const Arguments& args);
int cmdList(const Arguments& args);
int cmdSelect(const Arguments& args);
int cmdSlot(const Arguments& args);
int cmdReport(const Arguments& args);
int cmdRecover(const Arguments& args);
int cmdExport(const Arguments& args);
int cmdUnslot(const Arguments& args);
int cmdCheckOutgoing(const Arguments& args);
int cmdAudit(const Arguments& args);

// Prints "kvlt-scan: " and the message to standard error; returns EXIT_USAGE.
int usageError(const std::string& message);
// Flushes standard output. EXIT_DONE, or EXIT_FILE_ERROR after "kvlt-scan:
// cannot write to standard output: <reason>" when anything written to it
// failed (full disk, closed pipe).
int finishOutput();
// A list such as "3,5,7-9" of numbers from 1 to count, as 0-based indexes in
// the order written (repeats kept). what names a number in messages ("slot",
// "row") and where says where they lie ("on the map", "in the list"); false
// with the message in error for an item that is no number or range, or a
// number outside 1 to count.
bool parseNumberList(const std::string& text, uint32_t count, const char* what, const char* where,
                     std::vector<uint32_t>& indexes, std::string& error);
// Loads path into doc; false (the user already told why) when it fails.
bool loadScanFile(CKVLTOfflineScannerDoc& doc, const std::string& path);
// Takes the loaded file's lock for scanning and ties its journal to it; false
// (the user told why) when another run scans into it or the journal folder
// cannot be used.
bool openForScanning(CKVLTOfflineScannerDoc& doc);
// Recovers the unsaved scans a crashed run left (answered Yes), but not the
// scans kept for later: the user is told that `recover` applies those.
void recoverEarlierScans(CKVLTOfflineScannerDoc& doc, const std::string& file);
// After a failed save: how many unsaved scans the journal really holds, where,
// and the command that saves them.
void tellWhereTheScansAre(const CKVLTOfflineScannerDoc& doc, const std::string& file,
                          const std::string& output);
// Writes table in format to output under the report title, as the window's
// exports write it (a PDF with the program's logo); false after telling the
// user why.
[[nodiscard]] bool writeTableExport(const ExportTable& table, const ExportFormat& format,
                                    const std::string& title, const std::string& output);
// "first" or "intelli" into firstAvailable; false for anything else.
bool parseMode(const std::string& text, bool& firstAvailable);
// "map", "incoming" or "outgoing" into list; false for anything else.
bool parseList(const std::string& text, ScanList& list);
