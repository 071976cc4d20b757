#include "listfilters.h"

#include "scanfiledoc.h"
#include "texts.h"

#include <cctype>
#include <cstdio>

namespace {

std::string columnTitles(ScanList list) {
    std::string titles;
    for (int column = 0; column < listColumnCount(list); ++column)
        titles += std::string(column ? ", " : "") + listColumn(list, column).title;
    return titles;
}

} // namespace

bool takeFilterSpecs(Arguments& args, std::vector<std::string>& specs) {
    Arguments rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--filter") {
            rest.push_back(args[i]);
            continue;
        }
        if (i + 1 == args.size())
            return false;
        specs.push_back(args[++i]);
    }
    args = std::move(rest);
    return true;
}

bool parseColumnFilter(ScanList list, const std::string& text, ColumnFilter& filter,
                       std::string& error) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "--filter '" + text + "' is not COLUMN=PATTERN";
        return false;
    }
    const std::string name = trimmed(text.substr(0, equals));
    const std::string pattern = trimmed(text.substr(equals + 1));
    int column = 0;
    while (column < listColumnCount(list) && !equalsNoCase(name, listColumn(list, column).title))
        ++column;
    if (column == listColumnCount(list)) {
        error = "--filter '" + text + "': no column '" + name + "' (the columns are " +
                columnTitles(list) + ")";
        return false;
    }
    if (pattern.empty()) {
        error = "--filter '" + text + "': the pattern is empty";
        return false;
    }
    filter = {unsigned(column), pattern, currentFilterFlags()};
    return true;
}

std::vector<uint32_t> filteredListRows(const CKVLTOfflineScannerDoc& doc, ScanList list,
                                       const std::vector<ColumnFilter>& filters) {
    size_t tooCostly = 0;
    std::vector<uint32_t> rows = filterRows(
        listRowCount(doc, list), filters,
        [&](uint32_t row, unsigned column, std::string& text) {
            text += listCellText(doc, list, row, int(column));
        },
        &tooCostly);
    if (tooCostly > 0)
        std::fprintf(stderr,
                     "kvlt-scan: %zu cells were too costly to match against the filters; "
                     "their rows are left out\n",
                     tooCostly);
    return rows;
}
