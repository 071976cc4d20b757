// export: one of the lists written as the window's export writes it (CSV,
// text, JSON, XML, PDF, xls), every row or the rows of --rows, without a
// dialog and without opening the file afterwards.
#include "commands.h"
#include "exportformats.h"
#include "listfilters.h"
#include "listtable.h"
#include "messagebox.h"
#include "scanfiledoc.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct ExportOptions {
    ScanList list = ScanList::Map;
    std::string file;
    std::string format;
    const ExportFormat* writer = nullptr; // the row of format in the export table
    std::string output;
    std::string rows;
    bool rowsGiven = false;
};

int parseOptions(const Arguments& args, ExportOptions& options) {
    if (args.size() < 2 || !parseList(args[0], options.list))
        return usageError("export takes map, incoming or outgoing, and one FILE");
    options.file = args[1];
    for (size_t i = 2; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (i + 1 >= args.size())
            return usageError(name + " needs a value");
        std::string* value = name == "--format"   ? &options.format
                             : name == "--output" ? &options.output
                             : name == "--rows"   ? &options.rows
                                                  : nullptr;
        if (value == nullptr)
            return usageError("unknown option '" + name + "'");
        *value = args[i + 1];
        options.rowsGiven = options.rowsGiven || name == "--rows";
    }
    options.writer = exportFormatByKeyword(options.format);
    if (options.writer == nullptr)
        return usageError("export takes --format " + exportFormatKeywords());
    if (options.output.empty())
        return usageError("export takes --output PATH");
    return EXIT_DONE;
}

// The folder kvlt-scan runs from, where the PDF logo lies.
std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string exe(path, size_t(n));
    const size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

} // namespace

int cmdExport(const Arguments& given) {
    Arguments args = given;
    std::vector<std::string> specs;
    if (!takeFilterSpecs(args, specs))
        return usageError("--filter needs COLUMN=PATTERN");
    ExportOptions options;
    if (int status = parseOptions(args, options); status != EXIT_DONE)
        return status;
    std::vector<ColumnFilter> filters(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
        std::string error;
        if (!parseColumnFilter(options.list, specs[i], filters[i], error))
            return usageError(error);
    }
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, options.file))
        return EXIT_FILE_ERROR;
    // The export never takes the place of the file it is made from, by
    // whatever name it is given (a scan file that a run scans into is
    // refused by the writers themselves).
    struct stat input {
    }, output{};
    if (::stat(options.file.c_str(), &input) == 0 && ::stat(options.output.c_str(), &output) == 0 &&
        input.st_dev == output.st_dev && input.st_ino == output.st_ino) {
        kvltMessageBox("Cannot write " + options.output + ": it is the scan file " + options.file +
                           " that is being exported. Nothing was written.",
                       "Export Error", MsgIcon::Error);
        return EXIT_FILE_ERROR;
    }

    // Filtered, the list shows only the matching rows, and --rows counts
    // among those.
    std::shared_ptr<const std::vector<uint32_t>> shown;
    if (!filters.empty())
        shown = std::make_shared<const std::vector<uint32_t>>(
            filteredListRows(doc, options.list, filters));
    std::vector<uint32_t> rows;
    if (options.rowsGiven) {
        std::string error;
        const uint32_t count = shown ? uint32_t(shown->size()) : listRowCount(doc, options.list);
        if (!parseNumberList(options.rows, count, "row", "in the list", rows, error))
            return usageError(error);
        // Chosen rows are taken in list order, each once.
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    }
    const ExportTable table = scanListTable(doc, options.list, std::move(rows), shown);

    // The window's lists export under the chooser's caption, "Export".
    return writeTableExport(table, *options.writer, "Export", options.output) ? EXIT_DONE
                                                                              : EXIT_FILE_ERROR;
}

bool writeTableExport(const ExportTable& table, const ExportFormat& format,
                      const std::string& title, const std::string& output) {
    // The writer of the same row of the export table as the window's.
    ReportExportOptions report;
    report.title = title;
    report.logoPath = exportLogoPath(programFolder());
    const ExportResult result = format.write(table, report, output, nullptr);
    if (!result)
        kvltMessageBox(exportErrorText(result), exportErrorCaption(result), MsgIcon::Error);
    return bool(result);
}
