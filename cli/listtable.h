// One of the scan file's lists as the export writers take it: the list's
// column titles and cell texts (listtexts), every row or the chosen ones.
#pragma once

#include "exporttable.h"
#include "listtexts.h"

#include <cstdint>
#include <memory>
#include <vector>

class CKVLTOfflineScannerDoc;

// The table of list in doc as a list shows it. shown: the rows the list
// shows when it is filtered (list rows, ascending); null: every row. rows:
// the chosen rows among those shown (0-based positions, ascending, no
// repeats); empty: every shown row. doc must outlive the table.
ExportTable scanListTable(const CKVLTOfflineScannerDoc& doc, ScanList list,
                          std::vector<uint32_t> rows = {},
                          std::shared_ptr<const std::vector<uint32_t>> shown = nullptr);
