// The CSV export.
#include "exportfile.h"
#include "exportwriters.h"

#include <cstring>

namespace {

// A cell a spreadsheet would run as a formula (or as the start of one).
bool looksLikeFormula(const std::string& value) {
    return !value.empty() && std::strchr("=+-@\t\r", value[0]) != nullptr;
}

// Appends value as a CSV field: as it is, or enclosed in double quotes with
// its double quotes doubled when it holds a comma, a double quote, CR or LF.
// A value that begins as a formula would (=, +, -, @, tab, CR) is written as
// text the way OWASP advises against CSV injection: quoted, with a single
// quote in front, so that a spreadsheet shows it and runs nothing.
void appendField(std::string& line, const std::string& value) {
    const bool formula = looksLikeFormula(value);
    if (!formula && value.find_first_of(",\"\r\n") == std::string::npos) {
        line += value;
        return;
    }
    line += '"';
    if (formula)
        line += '\'';
    for (char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

} // namespace

ExportResult exportCsv(const ExportTable& table, const std::string& path,
                       ProgressReporter* progress) {
    ExportResult result;
    result.path = path;
    ExportFile file;
    if (!file.open(path)) {
        result.status = ExportStatus::OpenFailed;
        result.error = file.error();
        result.detail = file.detail();
        return result;
    }
    FILE* out = file.stream();
    const int columns = table.columnCount();
    std::string line;
    for (int column = 0; column < columns; ++column) {
        if (column > 0)
            line += ',';
        appendField(line, table.titles[size_t(column)]);
    }
    std::fwrite(line.data(), 1, line.size(), out);

    ExportProgress steps(progress, table.chosenCount);
    std::string cell;
    for (int64_t row = table.nextChosen(-1); row >= 0; row = table.nextChosen(row)) {
        line.assign("\r\n");
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                line += ',';
            table.cell(uint64_t(row), column, cell);
            appendField(line, cell);
        }
        std::fwrite(line.data(), 1, line.size(), out);
        ++result.rows;
        if (!steps.step() || std::ferror(out))
            break;
    }
    if (steps.cancelled()) {
        result.status = ExportStatus::Cancelled;
        return result;
    }
    if (!file.commit()) {
        result.status = ExportStatus::WriteFailed;
        result.error = file.error();
    }
    return result;
}
