// The spreadsheet state of the report writer: one book per master record,
// one sheet per header call.
#pragma once

#include "reportwriter.h"
#include "xl.h"

struct SheetState {
    BookHandle book;                   // none until the spreadsheet setup
    SheetHandle sheet;                 // sheet of the latest header
    char outputPath[REPORT_PATH_SIZE]; // file that closeReport saves to (260 characters)
    bool outputPathTooLong;            // the path given was longer: closeReport refuses to save
};
