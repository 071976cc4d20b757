// Column filters of kvlt-scan's list output: "--filter COLUMN=PATTERN",
// matched as the window's list control matches its filter row (listfilter.h),
// KVLTFILTERNOCASE included. Any command that prints or writes a list's rows
// takes them the same way:
//
//     std::vector<std::string> specs;
//     if (!takeFilterSpecs(args, specs)) return usageError(...);
//     ... parse the list name ...
//     for (text : specs) if (!parseColumnFilter(list, text, filter, error)) return
//     usageError(error); for (uint32_t row : filteredListRows(doc, list, filters)) ...
#pragma once

#include "commands.h"
#include "listfilter.h"

#include <cstdint>
#include <string>
#include <vector>

// Takes every "--filter SPEC" pair out of args, keeping the other arguments
// in their order; the specs in order. False when a --filter has no SPEC.
bool takeFilterSpecs(Arguments& args, std::vector<std::string>& specs);

// "COLUMN=PATTERN" for the list: the column named by its title (letter case
// ignored), the pattern trimmed of white space at both ends, the flags of a
// filter made now. False, with the reason in error, for a text without "=",
// an unknown column or an empty pattern.
bool parseColumnFilter(ScanList list, const std::string& text, ColumnFilter& filter,
                       std::string& error);

// The list's rows, ascending, whose cells match every filter (all rows when
// there are none).
std::vector<uint32_t> filteredListRows(const CKVLTOfflineScannerDoc& doc, ScanList list,
                                       const std::vector<ColumnFilter>& filters);
