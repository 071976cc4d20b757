// One of the scan file's lists as the export writers take it: the list's
// column titles and cell texts (listtexts), every row or the chosen ones.
#pragma once

#include "exporttable.h"
#include "listtexts.h"

#include <cstdint>
#include <vector>

class CKVLTOfflineScannerDoc;

// The table of list in doc. rows: the chosen rows (0-based, ascending, no
// repeats); empty: every row. doc must outlive the table.
ExportTable scanListTable(const CKVLTOfflineScannerDoc& doc, ScanList list,
                          std::vector<uint32_t> rows = {});
