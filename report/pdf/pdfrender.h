// The hooks by which the report writer core drives the PDF renderer.
//
// The core owns the record's lifecycle and calls these at fixed points; the
// PDF renderer owns everything inside PdfState. A sub-report (master is
// another record) is linked by the core itself: it frees its own zero-filled
// PdfState, takes the master's and sets RPT_SHARED_PDF, and pdfSetup is then
// not called for it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pdfstate.h"
#include "reportwriter.h"

// A zero-filled PdfState, as reportInit keeps one in every record.
PdfState* pdfStateCreate();

// Frees a block from pdfStateCreate, and a document still open in it (unsaved).
// Null is fine.
void pdfStateFree(PdfState* state);

// The four PDF setters; reportInit puts them straight into the operation table.
void pdfSetOrientation(ReportWriter* report, uint32_t value);
void pdfSetPageSize(ReportWriter* report, uint32_t value);
void pdfSetOutputPath(ReportWriter* report, const char* path);
void pdfSetLogo(ReportWriter* report, const char* path);

// KVLTPDFORIENTATION and KVLTPDFPAGESIZE keywords (any case); an unknown word
// gives portrait and letter.
uint32_t pdfOrientationFromName(const char* name);
uint32_t pdfPageSizeFromName(const char* name);

// One-time PDF setup of a master at its first header (document, environment
// overrides, colours, fonts). Called before the core writes the CGI response
// header, which names pdfOutputPath.
void pdfSetup(ReportWriter* report);

// The output path the document will be saved to (or named as in CGI mode).
const char* pdfOutputPath(const ReportWriter* report);

// Every header: title is the effective title; notes the formatted notes, or
// nullptr when the caller gave no notes format (an empty format gives "").
void pdfHeader(ReportWriter* report, const char* title, const char* notes);

// One row after the core's steps (tick, rowCount += 1, field split, number
// formatting). cells has columnCount entries; cells[i] is nullptr for a
// hidden column or one that received no field, else the untrimmed field
// (COL_NUMBER fields already written through formatNumber).
void pdfAddRow(ReportWriter* report, const char* const* cells);

// groupHeading in PDF format (the heading counts as rows itself).
void pdfGroupHeading(ReportWriter* report, const char* text);

// endSection in PDF format.
void pdfEndSection(ReportWriter* report);

// closeReport of a master: a first page when none was started, then CGI
// stream or save to the output path (pdfResult; closeError says why it
// failed), then free the document. Does not free the PdfState block.
void pdfClose(ReportWriter* report);

// ------------------------------------------------------------------ building blocks
// Used by the operations above; open to tests and tools.

// The whole document as PDF bytes. Returns 0 or libharu's error code.
unsigned pdfSaveToMemory(PdfState* pdf, std::vector<unsigned char>& bytes);

// Writes the document to path through a temporary file beside it, so that a
// failed save leaves an existing file as it was. Returns 0, libharu's error
// code, HPDF_FILE_IO_ERROR when the file cannot be written completely or
// HPDF_FILE_OPEN_ERROR for any other failure (no folder, or a target that
// is refused: a folder, a device, a read-only file); why, when given, then
// gets the reason naming the file.
unsigned pdfSaveToFile(PdfState* pdf, const char* path, std::string* why = nullptr);

// The CGI response tail: "Content-Length: %u\n" and "\r\n", then the PDF
// bytes. Nothing is written when the document cannot be saved. Returns 0 or
// libharu's error code.
unsigned pdfWriteResponse(PdfState* pdf, FILE* out);

// Draws text as a QR code in a size x size white square at (x, y), mirrored
// left to right (module column 0 at the right edge). Text that cannot be
// encoded leaves the square white. Returns the modules per side, 0 when the
// text was not encoded.
int pdfDrawQrCode(HPDF_Page page, float x, float y, float size, const char* text);

// The notice line centred in every page's footer.
extern const char* const kPdfNoticeLine;

// The error handler of every document: one line on standard output.
void pdfErrorHandler(HPDF_STATUS errorNo, HPDF_STATUS detailNo, void* userData);
