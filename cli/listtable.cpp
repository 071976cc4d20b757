#include "listtable.h"

#include "scanfiledoc.h"

#include <algorithm>
#include <memory>

ExportTable scanListTable(const CKVLTOfflineScannerDoc& doc, ScanList list,
                          std::vector<uint32_t> rows,
                          std::shared_ptr<const std::vector<uint32_t>> shown) {
    ExportTable table;
    for (int column = 0; column < listColumnCount(list); ++column)
        table.titles.emplace_back(listColumn(list, column).title);
    table.itemCount = shown ? shown->size() : listRowCount(doc, list);
    table.cell = [&doc, list, shown](uint64_t row, int column, std::string& text) {
        text = listCellText(doc, list, shown ? (*shown)[row] : uint32_t(row), column);
    };
    if (rows.empty()) {
        const int64_t count = int64_t(table.itemCount);
        table.chosenCount = table.itemCount;
        table.nextChosen = [count](int64_t row) { return row + 1 < count ? row + 1 : -1; };
        return table;
    }
    auto chosen = std::make_shared<const std::vector<uint32_t>>(std::move(rows));
    table.chosenCount = chosen->size();
    table.nextChosen = [chosen](int64_t row) -> int64_t {
        const auto next = row < 0 ? chosen->begin()
                                  : std::upper_bound(chosen->begin(), chosen->end(), uint32_t(row));
        return next == chosen->end() ? -1 : int64_t(*next);
    };
    return table;
}
