// The spreadsheet state of the report writer: one book per master record,
// one sheet per header call. A sub-report writes into its master's book.
#pragma once

#include "reportwriter.h"
#include "xl.h"

struct SheetState {
    BookHandle book;                  // none until the spreadsheet setup
    SheetHandle sheet;                // sheet of the latest header
    char outputPath[kReportPathSize]; // file that closeReport saves to (260 characters)
    bool outputPathTooLong;           // the path given was longer: closeReport refuses to save
    bool cellRefused;                 // a cell the book could not take: closeReport refuses to save
};

// The book state a record writes into (its master's for a sub-report); null
// before the first header of an xls report, and for every other format.
SheetState* sheetStateOf(const ReportWriter* report);
