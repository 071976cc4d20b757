// report: one of the three lists written through the report writer, the way
// the list's text export feeds it, in the format the KVLT... environment
// (or a CGI request) names.
#include "commands.h"
#include "listtexts.h"
#include "reportwriter.h"
#include "scanfiledoc.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Each column as wide as its title or its longest cell, over every row.
std::vector<size_t> columnWidths(const CKVLTOfflineScannerDoc& doc, ScanList list) {
    int columns = listColumnCount(list);
    std::vector<size_t> widths(static_cast<size_t>(columns), 0);
    for (int column = 0; column < columns; ++column)
        widths[size_t(column)] = std::string(listColumn(list, column).title).size();
    uint32_t rows = listRowCount(doc, list);
    for (uint32_t row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            widths[size_t(column)] =
                std::max(widths[size_t(column)], listCellText(doc, list, row, column).size());
    return widths;
}

} // namespace

int cmdReport(const Arguments& args) {
    ScanList list;
    if (args.size() != 2 || !parseList(args[0], list))
        return usageError("report takes map, incoming or outgoing, and one FILE");
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, args[1]))
        return EXIT_FILE_ERROR;

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    std::vector<size_t> widths = columnWidths(doc, list);
    ReportWriter report;
    reportInit(&report);
    int columns = listColumnCount(list);
    for (int column = 0; column < columns; ++column)
        report.addColumn(&report, widths[size_t(column)], listColumn(list, column).title, 0);
    report.header(&report, nullptr, listCaption(list), nullptr);

    std::string row;
    uint32_t rows = listRowCount(doc, list);
    for (uint32_t r = 0; r < rows; ++r) {
        row.clear();
        for (int column = 0; column < columns; ++column) {
            row += listCellText(doc, list, r, column);
            row += " |";
        }
        report.addRow(&report, "%s", row.c_str());
    }
    report.endSection(&report);
    report.closeReport(&report);

    // Every output that did not go out is an error, whatever the format:
    // a PDF or spreadsheet not saved, a report not written to standard output.
    int status = EXIT_DONE;
    if (report.pdfResult != 0)
        std::fprintf(stderr, "kvlt-scan: PDF Export failed with result code: %u\n",
                     report.pdfResult);
    if (report.closeError[0] != '\0') {
        std::fprintf(stderr, "kvlt-scan: %s\n", report.closeError);
        status = EXIT_FILE_ERROR;
    }
    if (report.pdfResult != 0 || report.sheetResult != 0 || report.outputError != 0)
        status = EXIT_FILE_ERROR;
    // Already reported when closeReport saw it.
    return status == EXIT_DONE ? finishOutput() : status;
}
