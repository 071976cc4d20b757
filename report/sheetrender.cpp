// xls book output of the report writer, through the xl... operations.

#include "sheetrender.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "reportinternal.h"
#include "xlstring.h"

namespace {

// ------------------------------------------------------------------ format operations

// The master's one-time setup: output path and a new book. A sub-report
// takes its master's book, when the master writes one.
void sheetStart(ReportWriter* report) {
    ReportWriter* master = reportMaster(report);
    if (master != report) {
        if (master->formatOps == &kSheetFormat && master->formatState) {
            report->formatState = master->formatState;
            report->flags |= RPT_SHARED_BOOK;
        }
        return;
    }
    auto* state = static_cast<SheetState*>(std::calloc(1, sizeof(SheetState)));
    if (!state)
        return;
    report->formatState = state;
    if (const char* path = std::getenv("KVLTEXCELOUTPUTPATH")) {
        // Cut, the path would name another file: the save fails instead.
        state->outputPathTooLong = std::strlen(path) >= sizeof state->outputPath;
        std::snprintf(state->outputPath, sizeof state->outputPath, "%s", path);
    } else {
        std::snprintf(state->outputPath, sizeof state->outputPath, "%s",
                      reportDefaultName(report, "Sheet-", ".xls").c_str());
    }
    state->book = xlCreateBookCA();
}

void sheetCgiHeader(ReportWriter* report) {
    std::fputs("Content-type: application/vnd.ms-excel\r\n", stdout);
    const SheetState* state = sheetStateOf(report);
    std::fprintf(stdout, "Content-disposition: attachment; filename=\"%s\"\r\n",
                 state ? state->outputPath : "");
}

// A new sheet with the visible column names in row 0.
void sheetHeader(ReportWriter* report, const ReportHeading&) {
    SheetState* state = sheetStateOf(report);
    if (!state || !state->book)
        return;
    char name[64];
    std::snprintf(name, sizeof name, "Report %u %u", unsigned(report->reportId),
                  unsigned(std::rand()));
    state->sheet = xlBookAddSheetA(state->book, name, nullptr);
    if (!state->sheet) {
        std::printf("xlBookAddSheet: %s\n", xlBookErrorMessageA(state->book));
        return;
    }
    int column = 0;
    for (uint32_t i = 0; i < report->columnCount; ++i)
        if (!(report->columns[i].flags & COL_HIDDEN))
            xlSheetWriteStrA(state->sheet, 0, column++, report->columns[i].name, nullptr);
}

// Why a text cannot be an xls cell; empty when it can.
std::string refusedText(const char* text, uint32_t row, const char* column) {
    if (std::strlen(text) <= kMaxCellChars)
        return {}; // never more UTF-16 units than bytes
    const size_t length = xlStringLength(text);
    if (length <= kMaxCellChars)
        return {};
    return "the text in row " + std::to_string(row) + ", column \"" + column + "\" has " +
           std::to_string(length) + " characters; an xls cell holds at most 32,767";
}

// Row rowCount of the current sheet; visible cells fill consecutive columns.
// A cell the book cannot take (a text longer than an xls cell holds, a row
// past the sheet's end) fails the save with the reason: a book missing a
// value is not a finished one.
void sheetRow(ReportWriter* report, ReportCells cells) {
    SheetState* state = sheetStateOf(report);
    if (!state || !state->sheet)
        return;
    int row = int(report->rowCount);
    int column = 0;
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        if (!cells[i])
            continue;
        const bool number = report->columns[i].flags & COL_NUMBER;
        std::string why =
            number ? std::string() : refusedText(cells[i], uint32_t(row), report->columns[i].name);
        if (why.empty()) {
            const int written =
                number ? xlSheetWriteNumA(state->sheet, row, column, double(std::atoll(cells[i])),
                                          nullptr)
                       : xlSheetWriteStrA(state->sheet, row, column, cells[i], nullptr);
            if (!written)
                why = xlBookErrorMessageA(state->book);
        }
        if (!why.empty() && !state->cellRefused) {
            state->cellRefused = true;
            reportSetCloseError(reportMaster(report), std::string("Cannot save the spreadsheet ") +
                                                          state->outputPath + ": " + why);
        }
        ++column;
    }
}

// The master's close: stream (CGI) or save, then release the book.
void sheetClose(ReportWriter* report) {
    SheetState* state = sheetStateOf(report);
    report->formatState = nullptr;
    if (!state || (report->flags & RPT_SHARED_BOOK))
        return; // the master saves and frees its book
    if (state->book) {
        if (state->cellRefused) {
            report->sheetResult = 1; // closeError already says which cell
        } else if (report->flags & RPT_CGI) {
            const char* data = nullptr;
            unsigned size = 0;
            if (xlBookSaveRawA(state->book, &data, &size)) {
                std::printf("Content-Length: %u\n\r\n", size);
                std::fflush(stdout);
                std::fwrite(data, 1, size, stdout);
                std::fflush(stdout);
            } else {
                report->sheetResult = 1;
                reportSetCloseError(report, std::string("Cannot make the spreadsheet: ") +
                                                xlBookErrorMessageA(state->book));
            }
        } else if (state->outputPathTooLong) {
            report->sheetResult = 1;
            reportSetCloseError(report, std::string("Cannot save the spreadsheet: its path is "
                                                    "longer than 260 characters (") +
                                            state->outputPath + "...)");
        } else if (state->outputPath[0] != '\0') {
            if (!xlBookSaveA(state->book, state->outputPath)) {
                // File errors already name the file; the book's own ones do not.
                std::string why = xlBookErrorMessageA(state->book);
                if (why.rfind("Cannot ", 0) != 0)
                    why = std::string("Cannot save the spreadsheet ") + state->outputPath + ": " +
                          why;
                report->sheetResult = 1;
                reportSetCloseError(report, why);
            }
        }
        xlBookReleaseA(state->book);
    }
    std::free(state);
}

} // namespace

SheetState* sheetStateOf(const ReportWriter* report) {
    return report->formatOps == &kSheetFormat ? static_cast<SheetState*>(report->formatState)
                                              : nullptr;
}

const ReportFormatOps kSheetFormat = {
    .format = REPORT_EXCEL,
    .keyword = "excel",
    .trimsCells = true,
    .start = sheetStart,
    .cgiHeader = sheetCgiHeader,
    .header = sheetHeader,
    .row = sheetRow,
    .endSection = nullptr,
    .separator = nullptr, // counters only
    .groupHeading = nullptr,
    .close = sheetClose,
};
