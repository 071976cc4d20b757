// The book and sheet behind the opaque handles of xl.h: cells kept per row in column order,
// texts interned once per book so repeated texts share one SST entry.
#pragma once

#include "bytes.h"
#include "xl.h"
#include "xlstring.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

inline constexpr int kMaxRows = 65536;
inline constexpr int kMaxCols = 256;

struct Cell {
    uint16_t col = 0;
    bool isText = false;
    uint32_t text = 0; // index into the book's texts
    double number = 0;
};

struct XlSheetTag {
    XlBookTag* book = nullptr;
    XlString name;
    // rows[r] holds the cells of row r sorted by column; rows past the last written one are absent.
    std::vector<std::vector<Cell>> rows;

    void put(int row, const Cell& cell);
};

struct XlBookTag {
    std::vector<std::unique_ptr<XlSheetTag>> sheets;
    std::vector<XlString> texts;
    std::vector<bool> textCut;                           // texts[i] was cut to the cell limit
    std::unordered_map<std::string, uint32_t> textIndex; // by the UTF-8 given
    std::string error = "ok";
    Bytes raw; // the last xlBookSaveRawA result

    uint32_t intern(const std::string& utf8, bool& truncated);
};

// Puts the whole workbook stream (globals, then every sheet) into `stream`. False with `error`
// set when the book cannot be written (no sheets, too large).
bool assembleWorkbook(const XlBookTag& book, Bytes& stream, std::string& error);
