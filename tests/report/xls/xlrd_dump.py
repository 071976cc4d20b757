"""Reads an xls file with xlrd and prints what it found as JSON, for the writer's tests.

Output: {"sheets": [{"name", "nrows", "ncols", "cells": [[row, col, "text"|"number", value]]}]}
or {"error": "..."} when xlrd refuses the file.
"""
import json
import sys

import xlrd


def main(path):
    try:
        # Ragged rows: a sparse sheet 65,536 rows by 256 columns is not padded out cell by cell.
        book = xlrd.open_workbook(path, logfile=sys.stderr, ragged_rows=True)
    except Exception as exc:  # any refusal is a finding, not a crash of the test
        print(json.dumps({"error": "%s: %s" % (type(exc).__name__, exc)}))
        return
    sheets = []
    for sheet in book.sheets():
        cells = []
        for r in range(sheet.nrows):
            types = sheet.row_types(r)
            values = sheet.row_values(r)
            for c, (ctype, value) in enumerate(zip(types, values)):
                if ctype == xlrd.XL_CELL_TEXT:
                    cells.append([r, c, "text", value])
                elif ctype == xlrd.XL_CELL_NUMBER:
                    cells.append([r, c, "number", value])
                elif ctype != xlrd.XL_CELL_EMPTY:
                    cells.append([r, c, "other", repr(value)])
        sheets.append({"name": sheet.name, "nrows": sheet.nrows, "ncols": sheet.ncols,
                       "cells": cells})
    print(json.dumps({"sheets": sheets}))


if __name__ == "__main__":
    main(sys.argv[1])
