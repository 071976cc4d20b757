"""Reads an xls file with xlrd and prints what it found as JSON, for the writer's tests.

Output: {"sheets": [{"name", "nrows", "ncols", "cells": [[row, col, "text"|"number", value]]}]}
or {"error": "..."} when xlrd refuses the file.
"""
import json
import sys

import xlrd


def main(path):
    try:
        book = xlrd.open_workbook(path, logfile=sys.stderr)
    except Exception as exc:  # any refusal is a finding, not a crash of the test
        print(json.dumps({"error": "%s: %s" % (type(exc).__name__, exc)}))
        return
    sheets = []
    for sheet in book.sheets():
        cells = []
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_TEXT:
                    cells.append([r, c, "text", cell.value])
                elif cell.ctype == xlrd.XL_CELL_NUMBER:
                    cells.append([r, c, "number", cell.value])
                elif cell.ctype != xlrd.XL_CELL_EMPTY:
                    cells.append([r, c, "other", repr(cell.value)])
        sheets.append({"name": sheet.name, "nrows": sheet.nrows, "ncols": sheet.ncols,
                       "cells": cells})
    print(json.dumps({"sheets": sheets}))


if __name__ == "__main__":
    main(sys.argv[1])
