// report: one of the three lists written through the report writer by the
// list's own text export, in the format the KVLT... environment (or a CGI
// request) names, to standard output (PDF and xls to their own files).
#include "commands.h"
#include "exportwriters.h"
#include "listtable.h"
#include "scanfiledoc.h"

#include <cstdio>

int cmdReport(const Arguments& args) {
    ScanList list;
    if (args.size() != 2 || !parseList(args[0], list))
        return usageError("report takes map, incoming or outgoing, and one FILE");
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, args[1]))
        return EXIT_FILE_ERROR;

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    ReportExportOptions options;
    options.keepEnvironmentFormat = true;
    options.title = listCaption(list);
    const ExportResult result =
        exportReportToStream(scanListTable(doc, list), options, stdout, nullptr);
    // Every output that did not go out is an error, whatever the format: a
    // PDF or spreadsheet not saved, a report not written to standard output.
    if (!result) {
        // The report writer's own sentence says best what failed.
        if (result.status == ExportStatus::PdfFailed || result.detail.empty())
            std::fprintf(stderr, "kvlt-scan: %s\n", exportErrorText(result).c_str());
        if (!result.detail.empty())
            std::fprintf(stderr, "kvlt-scan: %s\n", result.detail.c_str());
        return EXIT_FILE_ERROR;
    }
    return finishOutput();
}
