// Puts the records together into the workbook stream; the records themselves are written in
// biffrecords.cpp.
#include "biffrecords.h"
#include "compounddoc.h"
#include "xlbook.h"

#include <algorithm>
#include <limits>

namespace {

constexpr uint32_t kUnused = std::numeric_limits<uint32_t>::max();
// Spreadsheet programs expect the first font slots filled (slot 4 is never used, so five
// records make fonts 0 to 3 and 5), and the first 15 cell formats to be style formats.
constexpr int kFontRecords = 5;
constexpr int kStyleXfs = 15;

// The shared-string table in the order its strings are first used, and the SST index of
// every book text that any cell refers to.
struct SharedStrings {
    std::vector<const XlString*> strings;
    std::vector<uint32_t> indexOfText;
    uint32_t totalRefs = 0;
};

SharedStrings collectSharedStrings(const XlBookTag& book) {
    SharedStrings sst;
    sst.indexOfText.assign(book.texts.size(), kUnused);
    for (const auto& sheet : book.sheets)
        for (const auto& row : sheet->rows)
            for (const Cell& cell : row) {
                if (!cell.isText)
                    continue;
                ++sst.totalRefs;
                uint32_t& index = sst.indexOfText[cell.text];
                if (index == kUnused) {
                    index = static_cast<uint32_t>(sst.strings.size());
                    sst.strings.push_back(&book.texts[cell.text]);
                }
            }
    return sst;
}

void writeGlobals(Bytes& out, const XlBookTag& book, const SharedStrings& sst,
                  std::vector<size_t>& sheetPosFields) {
    writeBof(out, BofKind::Globals);
    writeCodepage(out);
    writeWindow1(out);
    for (int i = 0; i < kFontRecords; ++i)
        writeFont(out);
    for (int i = 0; i < kStyleXfs; ++i)
        writeXf(out, true);
    writeXf(out, false);
    writeStyle(out);
    for (const auto& sheet : book.sheets)
        sheetPosFields.push_back(writeBoundSheet(out, sheet->name, 0));
    const uint16_t bucketSize = sstBucketSize(sst.strings.size());
    const auto anchors = writeSst(out, sst.strings, sst.totalRefs, bucketSize);
    writeExtSst(out, bucketSize, anchors);
    writeEof(out);
}

void writeSheet(Bytes& out, const XlSheetTag& sheet, const SharedStrings& sst, bool selected) {
    writeBof(out, BofKind::Worksheet);
    writeWsBool(out);
    uint32_t firstRow = 0, rowEnd = 0;
    uint16_t firstCol = std::numeric_limits<uint16_t>::max(), colEnd = 0;
    bool any = false;
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
        const auto& row = sheet.rows[r];
        if (row.empty())
            continue;
        if (!any)
            firstRow = static_cast<uint32_t>(r);
        any = true;
        rowEnd = static_cast<uint32_t>(r + 1);
        firstCol = std::min(firstCol, row.front().col);
        colEnd = std::max<uint16_t>(colEnd, row.back().col + 1);
    }
    writeDimensions(out, firstRow, rowEnd, any ? firstCol : 0, colEnd);
    for (size_t r = 0; r < sheet.rows.size(); ++r)
        for (const Cell& cell : sheet.rows[r]) {
            const auto row = static_cast<uint16_t>(r);
            if (cell.isText)
                writeLabelSst(out, row, cell.col, kDefaultCellXf, sst.indexOfText[cell.text]);
            else
                writeNumber(out, row, cell.col, kDefaultCellXf, cell.number);
        }
    writeWindow2(out, selected);
    writeEof(out);
}

} // namespace

bool assembleWorkbook(const XlBookTag& book, Bytes& stream, std::string& error) {
    stream.clear();
    if (book.sheets.empty()) {
        error = "the book has no sheets";
        return false;
    }
    const SharedStrings sst = collectSharedStrings(book);
    std::vector<size_t> sheetPosFields;
    writeGlobals(stream, book, sst, sheetPosFields);
    for (size_t i = 0; i < book.sheets.size(); ++i) {
        if (stream.size() > kMaxStreamSize) {
            stream.clear();
            error = "the book is too large for the xls format";
            return false;
        }
        patchU32(stream, sheetPosFields[i], static_cast<uint32_t>(stream.size()));
        writeSheet(stream, *book.sheets[i], sst, i == 0);
    }
    if (stream.size() > kMaxStreamSize) {
        stream.clear();
        error = "the book is too large for the xls format";
        return false;
    }
    return true;
}
