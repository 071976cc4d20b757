// Records of the BIFF8 workbook stream, one small writer per record. Each appends the whole
// record (4-byte header, then its data) to `out`, which holds the workbook stream from its
// first byte, so out.size() is the stream position of whatever is written next.
#pragma once

#include "bytes.h"
#include "xlstring.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Largest data part of one record; longer contents go on in CONTINUE records.
inline constexpr size_t kMaxRecordData = 8224;

// Record identifiers.
enum RecordType : uint16_t {
    kRecEof = 0x000A,
    kRecContinue = 0x003C,
    kRecWindow1 = 0x003D,
    kRecCodepage = 0x0042,
    kRecFont = 0x0031,
    kRecWsBool = 0x0081,
    kRecBoundSheet = 0x0085,
    kRecXf = 0x00E0,
    kRecSst = 0x00FC,
    kRecLabelSst = 0x00FD,
    kRecExtSst = 0x00FF,
    kRecDimensions = 0x0200,
    kRecNumber = 0x0203,
    kRecWindow2 = 0x023E,
    kRecStyle = 0x0293,
    kRecBof = 0x0809,
};

enum class BofKind : uint16_t { Globals = 0x0005, Worksheet = 0x0010 };

// Index of the cell format every cell uses: the first one after the 15 style formats.
inline constexpr uint16_t kDefaultCellXf = 15;

// Where an SST string starts, as EXTSST records it.
struct SstAnchor {
    uint32_t streamPos = 0;    // stream position of the string's first byte
    uint16_t recordOffset = 0; // from the start (header included) of the SST or CONTINUE record
    bool operator==(const SstAnchor&) const = default;
};

// BOF: starts the workbook globals or a worksheet.
void writeBof(Bytes& out, BofKind kind);
// EOF: ends the globals or a worksheet.
void writeEof(Bytes& out);
// CODEPAGE: texts are Unicode (1200).
void writeCodepage(Bytes& out);
// WINDOW1: the workbook window, first sheet active.
void writeWindow1(Bytes& out);
// FONT: Arial, 10 points, regular.
void writeFont(Bytes& out);
// XF: the default cell format, as a style format (`style`) or a cell format.
void writeXf(Bytes& out, bool style);
// STYLE: the built-in "Normal" style on format 0.
void writeStyle(Bytes& out);
// BOUNDSHEET: a sheet's name and the stream position of its BOF. Returns where the position
// field lies in `out`, for the assembler to fill in once the sheet is placed.
size_t writeBoundSheet(Bytes& out, const XlString& name, uint32_t bofPos);
// Strings per EXTSST bucket for `uniqueCount` strings.
uint16_t sstBucketSize(size_t uniqueCount);
// SST: the shared strings, with CONTINUE records where they outgrow one record. Returns the
// anchor of every `bucketSize`-th string, for EXTSST.
std::vector<SstAnchor> writeSst(Bytes& out, const std::vector<const XlString*>& strings,
                                uint32_t totalRefs, uint16_t bucketSize);
// EXTSST: the index into SST that lets readers find strings without walking the whole table.
void writeExtSst(Bytes& out, uint16_t bucketSize, const std::vector<SstAnchor>& anchors);
// WSBOOL: a sheet's options; marks the sheet as a worksheet (not a dialog sheet).
void writeWsBool(Bytes& out);
// DIMENSIONS: the used range of a sheet (last row and column exclusive; all 0 when empty).
void writeDimensions(Bytes& out, uint32_t firstRow, uint32_t rowEnd, uint16_t firstCol,
                     uint16_t colEnd);
// WINDOW2: a sheet's window; `selected` marks the sheet shown when the book opens.
void writeWindow2(Bytes& out, bool selected);
// LABELSST: a text cell referring to an SST string.
void writeLabelSst(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, uint32_t sstIndex);
// NUMBER: a number cell (IEEE double).
void writeNumber(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, double value);
