// Helpers shared by the PDF renderer's sources; not part of its interface.
#pragma once

#include <hpdf.h>

#include <string>

#include "pdfstate.h"
#include "reportinternal.h"

// The record's own PDF part; null before its first header, when it writes
// another format, or when it could not be allocated (nothing is drawn).
PdfRecordState* pdfRecordOf(const ReportWriter* report);

// The record owning the document and the page count.
inline ReportWriter* pdfMaster(ReportWriter* report) {
    return reportMaster(report);
}

// Starts a page for report: logo (once), header band, notes, production
// time, column bar, footer, QR code, column titles, outline entries. Sets
// pdf->page, the columns' x and pointWidth, firstRowY and rowsPerPage.
// Without a document, without its fonts, or when libharu cannot add a page,
// pdf->page is null and the callers draw nothing.
void pdfStartPage(ReportWriter* report);

// The format operations of the rows (pdfrows.cpp).
void pdfAddRow(ReportWriter* report, ReportCells cells);
void pdfGroupHeading(ReportWriter* report, const char* text);
void pdfEndSection(ReportWriter* report);

// ---- fonts and text (pdffonts.cpp)

// Loads the regular and the bold face (the mono face waits for its first
// use). False, with fontError and fontProblem set, when one is missing.
bool pdfLoadFaces(PdfState* pdf);
// Makes face, at size, the page's current face (loading it the first time).
// False when there is no page or the face cannot be loaded.
bool pdfUseFace(PdfState* pdf, PdfFace face, float size);
// One line of text at (x, y) in the current face and fill colour. UTF-8;
// characters the face lacks are drawn as a replacement mark. A text of any
// length is drawn, up to the page's right edge.
void pdfText(PdfState* pdf, float x, float y, const char* text);
// The width of text in the current face and size, in points.
float pdfTextWidth(PdfState* pdf, const char* text);
// Before the save: each loaded face keeps the widths of the characters
// drawn only.
void pdfTrimFonts(PdfState* pdf);
// text as an outline entry takes it: valid UTF-8 of 16-bit characters,
// within libharu's string limit.
std::string pdfOutlineText(const char* text);
