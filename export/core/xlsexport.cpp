// The xls export: text cells on sheet "Export" and its continuations.
#include "exportwriters.h"

#include "xl.h"
#include "xlstring.h"

#include <cerrno>
#include <memory>

namespace {

struct BookDeleter {
    void operator()(XlBookTag* book) const { xlBookReleaseA(book); }
};
using Book = std::unique_ptr<XlBookTag, BookDeleter>;

// The characters (UTF-16 code units) a cell's text takes in the book, when
// that may be more than a cell holds; 0 when it surely fits (a text never
// has more units than bytes).
size_t overlongCellLength(const std::string& text) {
    if (text.size() <= kMaxCellChars)
        return 0;
    const size_t length = xlStringLength(text);
    return length > kMaxCellChars ? length : 0;
}

// The n-th sheet (from 1): "Export", "Export (2)", "Export (3)"...
std::string sheetName(uint64_t n) {
    return n == 1 ? std::string("Export") : "Export (" + std::to_string(n) + ")";
}

} // namespace

ExportResult exportXls(const ExportTable& table, const std::string& path,
                       ProgressReporter* progress) {
    ExportResult result;
    result.path = path;
    Book book(xlCreateBookCA());
    const int columns = table.columnCount();
    SheetHandle sheet = nullptr;
    int sheetRow = 0;
    uint64_t sheets = 0;
    bool written = book != nullptr;

    // A new sheet with the title row, every column, excluded ones included.
    auto startSheet = [&]() {
        sheet = xlBookAddSheetA(book.get(), sheetName(++sheets).c_str(), nullptr);
        if (sheet == nullptr)
            return false;
        for (int column = 0; column < columns; ++column)
            if (!xlSheetWriteStrA(sheet, 0, column, table.titles[size_t(column)].c_str(), nullptr))
                return false;
        sheetRow = 0;
        return true;
    };

    ExportProgress steps(progress, table.chosenCount);
    written = written && startSheet();
    std::string cell;
    std::string refused; // why a cell cannot be written, naming its row and column
    for (int64_t row = table.nextChosen(-1); written && row >= 0; row = table.nextChosen(row)) {
        if (uint64_t(sheetRow) == kXlsRowsPerSheet && !startSheet()) {
            written = false;
            break;
        }
        ++sheetRow;
        for (int column = 0; column < columns && written; ++column) {
            table.cell(uint64_t(row), column, cell);
            // Refused before the book would cut it: the export holds every
            // value whole or is not written.
            if (const size_t length = overlongCellLength(cell)) {
                refused = "the text in row " + std::to_string(result.rows + 1) + ", column \"" +
                          table.titles[size_t(column)] + "\" has " + std::to_string(length) +
                          " characters; an xls cell holds at most 32,767";
                written = false;
                break;
            }
            written = xlSheetWriteStrA(sheet, sheetRow, column, cell.c_str(), nullptr) != 0;
        }
        ++result.rows;
        if (!steps.step())
            break;
    }
    if (steps.cancelled()) {
        result.status = ExportStatus::Cancelled;
        return result;
    }
    // The book's error text names what went wrong (more than 256 columns, a
    // file that cannot be written: that one a whole sentence naming the file).
    if (!written || !xlBookSaveA(book.get(), path.c_str())) {
        result.status = ExportStatus::WriteFailed;
        const std::string why = !refused.empty() ? refused
                                : book           ? xlBookErrorMessageA(book.get())
                                                 : "out of memory";
        if (why.rfind("Cannot ", 0) == 0)
            result.sentence = why;
        else
            result.detail = why;
    }
    return result;
}
