#include "xlrdreader.h"

#include <cjson/cJSON.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

XlrdBook readWithXlrd(const std::string& path)
{
    XlrdBook book;
    // /usr/bin/python3 on purpose: the one that has the Debian xlrd package.
    const std::string command = "/usr/bin/python3 '" KVLT_XLRD_DUMP "' '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        book.error = "cannot run python3";
        return book;
    }
    std::string output;
    std::array<char, 65536> chunk;
    while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe.get()))
        output.append(chunk.data(), n);
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
    cJSON_ArrayForEach(sheet, cJSON_GetObjectItem(root.get(), "sheets"))
    {
        XlrdSheet s;
        s.name = cJSON_GetStringValue(cJSON_GetObjectItem(sheet, "name"));
        s.nrows = cJSON_GetObjectItem(sheet, "nrows")->valueint;
        s.ncols = cJSON_GetObjectItem(sheet, "ncols")->valueint;
        const cJSON* cell = nullptr;
        cJSON_ArrayForEach(cell, cJSON_GetObjectItem(sheet, "cells"))
        {
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

namespace {

// One folder per test program, removed with everything in it when the program ends.
struct TempFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("kvlt-xls-" + std::to_string(getpid()));
    TempFolder() { std::filesystem::create_directories(path); }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

std::string tempXlsPath(const std::string& stem)
{
    static TempFolder folder;
    static int counter = 0;
    return (folder.path / (stem + "-" + std::to_string(++counter) + ".xls")).string();
}
