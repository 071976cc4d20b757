// The PDF renderer of the report writer: its row of operations (kPdfFormat
// in reportinternal.h) and the building blocks under it, open to tests and
// tools.
//
// The core owns the record's lifecycle and calls the format's operations at
// fixed points; the PDF renderer owns everything inside its state. A
// sub-report (master is another record writing a PDF) draws into its
// master's document and sets RPT_SHARED_PDF; only the master saves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pdfstate.h"
#include "reportwriter.h"

// The four PDF setters; reportInit puts them straight into the operation
// table. They record into report->pdfSettings.
void pdfSetOrientation(ReportWriter* report, uint32_t value);
void pdfSetPageSize(ReportWriter* report, uint32_t value);
void pdfSetOutputPath(ReportWriter* report, const char* path);
void pdfSetLogo(ReportWriter* report, const char* path);

// KVLTPDFORIENTATION and KVLTPDFPAGESIZE keywords (any case); an unknown word
// gives portrait and letter.
uint32_t pdfOrientationFromName(const char* name);
uint32_t pdfPageSizeFromName(const char* name);

// The record's PDF document state; null before the first header of a PDF
// report, and for every other format.
PdfState* pdfStateOf(const ReportWriter* report);

// The output path the document will be saved to (or named as in CGI mode);
// "" when the record has no PDF document.
const char* pdfOutputPath(const ReportWriter* report);

// ------------------------------------------------------------------ building blocks

// A new empty document with the renderer's settings: compression of every
// stream, libharu's UTF-8 encodings, errors kept in pdf (never printed).
// Null when libharu cannot allocate one.
HPDF_Doc pdfNewDocument(PdfState* pdf);

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

// The error handler of every document: keeps the first error and its detail
// in the PdfState given as userData (when one is). It writes nothing: a
// failure reaches the user once, as the sentence of closeReport.
void pdfErrorHandler(HPDF_STATUS errorNo, HPDF_STATUS detailNo, void* userData);

// What a libharu error code means, as the end of a sentence ("the PDF
// library ran out of memory"); codes it does not know are named by number.
std::string pdfErrorText(unsigned code);
