// What every export writer takes: a table as the list shows it (column
// titles, the columns left out of reports, cells by row and column) and
// which of its rows were chosen. The window's lists and kvlt-scan both
// describe their list this way, so one list gives the same file from both.
//
// No Qt: texts are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ProgressReporter;

struct ExportTable {
    // Every column in column order (the order the list created them).
    std::vector<std::string> titles;
    // Per column: true when the list leaves it out of report output (text,
    // JSON, PDF). Missing entries are false.
    std::vector<bool> reportExcluded;
    // Per column: the report writer's column flags (COL_...) for the PDF
    // export. Missing entries are 0.
    std::vector<uint32_t> reportFlags;

    // Rows of the whole list; column widths of reports are taken over all of them.
    uint64_t itemCount = 0;
    // The chosen rows (the selection), counted and walked in list order:
    // nextChosen(-1) is the first, nextChosen(row) the one after row, -1 ends.
    uint64_t chosenCount = 0;
    std::function<int64_t(int64_t row)> nextChosen;
    // The text of one cell of any row, written into text.
    std::function<void(uint64_t row, int column, std::string& text)> cell;

    int columnCount() const { return int(titles.size()); }
    bool isReportExcluded(int column) const {
        return size_t(column) < reportExcluded.size() && reportExcluded[size_t(column)];
    }
    uint32_t reportFlagsOf(int column) const {
        return size_t(column) < reportFlags.size() ? reportFlags[size_t(column)] : 0;
    }
};

// ------------------------------------------------------------------ results

enum class [[nodiscard]] ExportStatus{
    Done,        // the file is complete and in place
    OpenFailed,  // the output could not be created; nothing was written
    WriteFailed, // writing, flushing or closing failed; nothing was left behind
    Cancelled,   // the user stopped it; nothing was left behind
    PdfFailed,   // the report writer could not save the PDF (pdfCode)
};

struct [[nodiscard]] ExportResult {
    ExportStatus status = ExportStatus::Done;
    uint64_t rows = 0;    // rows written
    int error = 0;        // errno of OpenFailed and WriteFailed, when there is one
    unsigned pdfCode = 0; // PdfFailed: the report writer's pdfResult
    // OpenFailed and WriteFailed: the writer's own reason when there is no
    // errno ("the text in row 3, column "Notes" has 40000 characters; ...").
    std::string detail;
    // A writer's whole sentence about the failure, naming the file, shown
    // as it stands ("Cannot create a file in the folder of /x/r.pdf: No such
    // file or directory"): the PDF writer's, or a file error of the xls book.
    std::string sentence;
    std::string path; // the file the export was to write; empty for a stream

    explicit operator bool() const { return status == ExportStatus::Done; }
};

// The one message the user gets for a failed export, naming the file and
// the reason: "Failed to open output file /x/map.csv: No such file or
// directory", "Failed to write output file /x/map.json: No space left on
// device", the PDF writer's sentence; empty for Done and Cancelled.
std::string exportErrorText(const ExportResult& result);
// Its caption: "Export Error" for a PDF failure, empty (the application's
// name) for the others.
std::string exportErrorCaption(const ExportResult& result);

// ------------------------------------------------------------------ progress

// Reports done of total units at most every few hundred rows, so that a
// window's progress dialog stays responsive without slowing the writer.
// False once the user asked to stop.
class ExportProgress {
  public:
    ExportProgress(ProgressReporter* reporter, uint64_t total)
        : m_reporter(reporter), m_total(total) {}
    bool step(uint64_t units = 1);
    bool cancelled() const { return m_cancelled; }

  private:
    ProgressReporter* m_reporter;
    uint64_t m_total;
    uint64_t m_done = 0;
    uint64_t m_nextReport = 0;
    bool m_cancelled = false;
};
