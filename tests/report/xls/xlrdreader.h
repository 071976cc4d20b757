// What python3-xlrd, an independent reader, finds in an xls file.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

struct XlrdCell {
    std::string type; // "text", "number" or "other"
    std::string text;
    double number = 0;
};

struct XlrdSheet {
    std::string name;
    int nrows = 0;
    int ncols = 0;
    std::map<std::pair<int, int>, XlrdCell> cells; // by (row, col)
};

struct XlrdBook {
    std::string error; // empty when xlrd read the file
    std::vector<XlrdSheet> sheets;
};

XlrdBook readWithXlrd(const std::string& path);

// A fresh temporary file name for one test.
std::string tempXlsPath(const std::string& stem);
