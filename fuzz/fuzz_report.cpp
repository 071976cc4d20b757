// The report writer driven by its environment, columns, headers and rows, in
// every format. Whatever the input: no crash, no memory error, and a report
// that closes with its files written inside the scratch folder.
//
// Input: byte 0 picks the format (text, csv, html, json, pdf, excel); byte 1
// the report id (0 = none) and byte 2 the page size and orientation; then
// lines, each naming its call by the first character:
//   E<n><value>  sets environment variable n of kVariables (paths are put
//                inside the scratch folder)
//   C<w><f>name  addColumn with width w and flags f (one byte each)
//   H title|notes  header (no notes when there is no "|")
//   R text       addRow("%s", text)
//   G text       groupHeading, S separator, N newPage, X endSection
#include "fuzzsupport.h"
#include "reportwriter.h"

#include <cctype>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char* const kVariables[] = {
    "KVLTREPORTFORMAT",     "KVLTREPORTCOLUMNDELETE", "KVLTREPORTCOLUMNDELETE007",
    "KVLTCSVNOHEADER",      "KVLTREPORTHTMLLOGO",     "KVLTREPORTTITLE",
    "KVLTREPORTTITLE007",   "KVLTDROPREPORT007",      "KVLTPDFORIENTATION",
    "KVLTPDFPAGESIZE",      "KVLTPDFCOLORHDR",        "KVLTPDFCOLORHDR007",
    "KVLTPDFBLANKPAGETEXT", "KVLTPDFOUTPUTPATH",      "KVLTEXCELOUTPUTPATH",
    "KVLTPDFLOGOPATH",
};
constexpr size_t kVariableCount = sizeof kVariables / sizeof kVariables[0];
constexpr size_t kMaxCalls = 400; // enough for several PDF pages, quick per input

bool isPathVariable(const char* name) {
    return std::strstr(name, "PATH") != nullptr;
}

// A path variable's value, kept inside the scratch folder: only letters,
// digits, "." and "-" of the value name the file (so that a long value still
// tests paths longer than the writer keeps).
std::string scratchPath(std::string_view value) {
    std::string name;
    for (char c : value)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-')
            name.push_back(c);
    if (name.empty() || name[0] == '.')
        name.insert(0, "f");
    return fuzzScratchFolder() + "/" + name.substr(0, 400);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    for (const char* name : kVariables)
        unsetenv(name);
    unsetenv("REQUEST_URI"); // CGI requests have their own target
    setenv("KVLTPROGRESSDISABLE", "1", 1);
    // Default output files go into the scratch folder too.
    if (chdir(fuzzScratchFolder().c_str()) != 0)
        fuzzFail("cannot enter the scratch folder");

    static const ReportFormat kFormats[] = {REPORT_TEXT, REPORT_CSV, REPORT_HTML,
                                            REPORT_JSON, REPORT_PDF, REPORT_EXCEL};
    std::vector<std::string_view> lines = fuzzLines(data + 3, size - 3);
    // The environment first: reportInit reads part of it.
    for (std::string_view line : lines) {
        if (line.size() < 2 || line[0] != 'E')
            continue;
        const char* name = kVariables[uint8_t(line[1]) % kVariableCount];
        std::string value(line.substr(2));
        if (isPathVariable(name))
            value = scratchPath(value);
        setenv(name, value.c_str(), 1);
    }

    FILE* output = std::fopen("/dev/null", "w");
    ReportWriter report;
    reportInit(&report);
    report.output = output;
    report.format = kFormats[data[0] % 6];
    report.reportId = data[1] % 2 ? 7 : 0;
    report.setPageSize(&report, data[2] % 16);
    report.setOrientation(&report, (data[2] >> 4) % 3);
    report.setOutputPath(&report, scratchPath("report.pdf").c_str());

    size_t calls = 0;
    for (std::string_view line : lines) {
        if (line.empty() || ++calls > kMaxCalls)
            continue;
        std::string text(line.substr(1));
        switch (line[0]) {
        case 'C':
            if (text.size() >= 2)
                report.addColumn(&report, uint8_t(text[0]), text.c_str() + 2, uint8_t(text[1]));
            break;
        case 'H': {
            size_t bar = text.find('|');
            if (bar == std::string::npos)
                report.header(&report, nullptr, text.c_str(), nullptr);
            else
                report.header(&report, nullptr, text.substr(0, bar).c_str(), "%s",
                              text.c_str() + bar + 1);
            break;
        }
        case 'R':
            report.addRow(&report, "%s", text.c_str());
            break;
        case 'G':
            report.groupHeading(&report, text.c_str());
            break;
        case 'S':
            report.separator(&report);
            break;
        case 'N':
            report.newPage(&report);
            break;
        case 'X':
            report.endSection(&report);
            break;
        default:
            break;
        }
    }
    report.closeReport(&report);
    std::fclose(output);
    // A failure is reported in words, and only a failure is.
    bool failed = report.pdfResult != 0 || report.sheetResult != 0 || report.outputError != 0;
    FUZZ_CHECK(failed == (report.closeError[0] != '\0'), report.closeError);
    return 0;
}
