// Helpers shared by the PDF renderer's sources; not part of its interface.
#pragma once

#include <hpdf.h>

#include "pdfstate.h"
#include "reportwriter.h"

// Starts a page for report: logo (once), header band, notes, production
// time, column bar, footer, QR code, column titles, outline entries. Sets
// pdf->page, the columns' x and pointWidth, firstRowY and rowsPerPage.
// Without a document (or when libharu cannot add a page) pdf->page is null
// and the callers draw nothing.
void pdfStartPage(ReportWriter* report);

// One line of text at (x, y) in the page's current font and fill colour.
void pdfText(HPDF_Page page, float x, float y, const char* text);

// The record owning the document and the page count.
inline ReportWriter* pdfMaster(ReportWriter* report) {
    return report->master ? report->master : report;
}
