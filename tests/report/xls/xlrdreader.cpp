#include "xlrdreader.h"

#include "testsupport.h"

#include <cjson/cJSON.h>

#include <memory>

XlrdBook readWithXlrd(const std::string& path) {
    XlrdBook book;
    // /usr/bin/python3 on purpose: the one that has the Debian xlrd package.
    const std::string output =
        runShell("/usr/bin/python3 " + shellQuote(KVLT_XLRD_DUMP) + " " + shellQuote(path));
    std::unique_ptr<cJSON, void (*)(cJSON*)> root(cJSON_Parse(output.c_str()), cJSON_Delete);
    if (!root) {
        book.error = "no JSON from the xlrd script: " + output.substr(0, 200);
        return book;
    }
    if (const cJSON* error = cJSON_GetObjectItem(root.get(), "error")) {
        book.error = cJSON_GetStringValue(error);
        return book;
    }
    const cJSON* sheet = nullptr;
    cJSON_ArrayForEach(sheet, cJSON_GetObjectItem(root.get(), "sheets")) {
        XlrdSheet s;
        s.name = cJSON_GetStringValue(cJSON_GetObjectItem(sheet, "name"));
        s.nrows = cJSON_GetObjectItem(sheet, "nrows")->valueint;
        s.ncols = cJSON_GetObjectItem(sheet, "ncols")->valueint;
        const cJSON* cell = nullptr;
        cJSON_ArrayForEach(cell, cJSON_GetObjectItem(sheet, "cells")) {
            XlrdCell c;
            const int row = cJSON_GetArrayItem(cell, 0)->valueint;
            const int col = cJSON_GetArrayItem(cell, 1)->valueint;
            c.type = cJSON_GetStringValue(cJSON_GetArrayItem(cell, 2));
            const cJSON* value = cJSON_GetArrayItem(cell, 3);
            if (cJSON_IsString(value))
                c.text = cJSON_GetStringValue(value);
            else
                c.number = value->valuedouble;
            s.cells[{row, col}] = c;
        }
        book.sheets.push_back(std::move(s));
    }
    return book;
}

std::string tempXlsPath(const std::string& stem) {
    // One folder per test program, removed when the program ends.
    static TempDir folder;
    static int counter = 0;
    return folder.path(stem + "-" + std::to_string(++counter) + ".xls");
}
