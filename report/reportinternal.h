// What the report writer core and its per-format sources share. Not for
// callers of the report writer: they use reportwriter.h.
#pragma once

#include <cstdint>
#include <string>

#include "reportwriter.h"

// A row's cells, one entry per column: nullptr for a hidden column or one
// that received no field. Text and PDF get the field as it came (numeric
// columns already through formatNumber); the other formats get it trimmed.
using ReportCells = const char* const*;

// The long local time text of now, for the "Production Time" of a header.
const char* reportHeaderTime();

// Records what closeReport could not finish; the first failure is kept.
void reportSetCloseError(ReportWriter* report, const std::string& text);

// Writes text to stream as it is (no printf interpretation), any length.
void reportWrite(FILE* stream, const std::string& text);

// ---- fixed-width text (textformat.cpp)
void textHeader(ReportWriter* report, ReportExtraHeader extraHeader, const char* title,
                const char* notes);
void textRow(ReportWriter* report, ReportCells cells);
void textSeparator(ReportWriter* report);

// ---- CSV (csvformat.cpp)
void csvHeader(ReportWriter* report);
void csvRow(ReportWriter* report, ReportCells cells);
void csvBlankLine(ReportWriter* report);
// The CSV form of one value: as it is, or quoted with quotes doubled when it
// holds a comma, a double quote, CR or LF.
void csvAppendField(std::string* line, const char* value);

// ---- HTML (htmlformat.cpp)
void htmlBeginDocument(ReportWriter* report);
void htmlHeader(ReportWriter* report, const char* title, const char* notes);
void htmlRow(ReportWriter* report, ReportCells cells);
void htmlEndSection(ReportWriter* report);
void htmlEndDocument(ReportWriter* report);
// Appends value with " & ' < > written as entities.
void htmlAppendEscaped(std::string* out, const char* value);

// ---- JSON (jsonformat.cpp)
void jsonMakeKeys(ReportWriter* report);
void jsonHeader(ReportWriter* report, const char* title);
void jsonRow(ReportWriter* report, ReportCells cells);
void jsonWriteDocument(ReportWriter* report);

// ---- xls book (sheetrender.cpp)
SheetState* sheetStateCreate();
void sheetStateFree(SheetState* state);
void sheetSetup(ReportWriter* report);
const char* sheetOutputPath(const ReportWriter* report);
void sheetHeader(ReportWriter* report);
void sheetRow(ReportWriter* report, ReportCells cells);
void sheetClose(ReportWriter* report);

// ---- default output file names
// "Report-%s.pdf" / "Sheet-%s.xls" style names: prefix, creationTime as
// "%Y-%m-%d-%H-%M-%S", suffix.
std::string reportDefaultName(const ReportWriter* report, const char* prefix, const char* suffix);
