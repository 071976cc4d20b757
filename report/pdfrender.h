// The hooks by which the report writer core drives the PDF renderer.
//
// The core owns the record's lifecycle and calls these at fixed points; the
// PDF renderer owns everything inside PdfState. A sub-report (master is
// another record) is linked by the core itself: it frees its own zero-filled
// PdfState, takes the master's and sets RPT_SHARED_PDF, and pdfSetup is then
// not called for it.
#pragma once

#include <cstdint>

#include "reportwriter.h"

// A zero-filled PdfState, as reportInit keeps one in every record.
PdfState* pdfStateCreate();

// Frees a block from pdfStateCreate (after pdfClose has freed the document).
void pdfStateFree(PdfState* state);

// The four PDF setters; reportInit puts them straight into the operation table.
void pdfSetOrientation(ReportWriter* report, uint32_t value);
void pdfSetPageSize(ReportWriter* report, uint32_t value);
void pdfSetOutputPath(ReportWriter* report, const char* path);
void pdfSetLogo(ReportWriter* report, const char* path);

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

// closeReport of a master: CGI stream or save to the output path (pdfResult),
// then free the document. Does not free the PdfState block.
void pdfClose(ReportWriter* report);
