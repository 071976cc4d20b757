// PDF rows, tags, group headings and the end of a section.
#include <cstdlib>
#include <string>

#include "pdfinternal.h"
#include "pdfrender.h"

namespace {

uint32_t atLeastOneRowPerPage(ReportWriter* report) {
    if (report->rowsPerPage < 1)
        report->rowsPerPage = 1;
    return report->rowsPerPage;
}

// Places the row counted last on the page: its position (1-based) becomes
// pageRow (0 when it fills the page) and its bottom y is returned.
float placeRow(ReportWriter* report, const PdfState* pdf) {
    const uint32_t perPage = atLeastOneRowPerPage(report);
    report->pageRow = int32_t(report->rowCount % perPage);
    const uint32_t position = report->pageRow ? uint32_t(report->pageRow) : perPage;
    return pdf->firstRowY - float(position - 1) * pdf->lineHeight;
}

void fillRect(HPDF_Page page, float x, float y, float width, float height) {
    HPDF_Page_Rectangle(page, x, y, width, height);
    HPDF_Page_Fill(page);
}

// Each bracketed part of text (and any text between brackets) as a white
// word on a black box, left to right from the column's edge.
void drawTags(PdfState* pdf, const ReportColumn& column, const char* text, float y) {
    HPDF_Page page = pdf->page;
    float x = column.x;
    const char* p = text;
    while (*p) {
        const char* end = p;
        while (*end && *end != '[' && *end != ']')
            ++end;
        const char* first = p;
        const char* last = end;
        while (first < last && static_cast<unsigned char>(*first) < '!')
            ++first;
        while (last > first && static_cast<unsigned char>(last[-1]) < '!')
            --last;
        if (first < last) {
            const std::string piece(first, last);
            const float width = pdfTextWidth(pdf, piece.c_str());
            HPDF_Page_SetRGBFill(page, 0, 0, 0);
            fillRect(page, x, y + 1, width + 8, pdf->lineHeight - 2);
            HPDF_Page_SetRGBFill(page, 1, 1, 1);
            pdfText(pdf, x + 4, y + 3, piece.c_str());
            x += width + 10;
        }
        p = *end ? end + 1 : end;
    }
    HPDF_Page_SetLineWidth(page, 2);
    HPDF_Page_SetRGBStroke(page, 0, 0, 0);
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
}

} // namespace

void pdfAddRow(ReportWriter* report, ReportCells cells) {
    PdfState* pdf = pdfStateOf(report);
    if (!pdf)
        return;
    if (report->pageRow == 0)
        pdfStartPage(report);
    const float y = placeRow(report, pdf);
    HPDF_Page page = pdf->page;
    if (!page)
        return;
    const float width = HPDF_Page_GetWidth(page);
    const uint32_t position = report->pageRow ? uint32_t(report->pageRow) : report->rowsPerPage;

    if (position % 2 == 0) {
        HPDF_Page_SetLineWidth(page, 2);
        HPDF_Page_SetRGBStroke(page, 0, 0, 0);
        HPDF_Page_SetGrayFill(page, 0.98f);
        fillRect(page, pdf->leftMargin, y, width - pdf->leftMargin - pdf->rightMargin,
                 pdf->lineHeight);
        HPDF_Page_SetRGBFill(page, 0, 0, 0);
    }

    for (uint32_t i = 0; i < report->columnCount; ++i) {
        const ReportColumn& column = report->columns[i];
        const char* cell = cells ? cells[i] : nullptr;
        if (!cell || (column.flags & COL_HIDDEN))
            continue;
        if (column.flags & COL_FIXED_FONT)
            pdfUseFace(pdf, kPdfFaceFixed, 8);
        if (column.flags & COL_TAGS) {
            drawTags(pdf, column, cell, y);
        } else {
            float offset = 0;
            if (column.flags & COL_RIGHT)
                offset = column.pointWidth - pdfTextWidth(pdf, cell) - 5;
            pdfText(pdf, column.x + offset, y + 3, cell);
        }
        if (column.flags & COL_FIXED_FONT)
            pdfUseFace(pdf, kPdfFaceRegular, 8);
    }
}

void pdfGroupHeading(ReportWriter* report, const char* text) {
    PdfState* pdf = pdfStateOf(report);
    if (!pdf)
        return;
    report->rowCount += 1;
    const uint32_t perPage = atLeastOneRowPerPage(report);
    // A heading never stands alone on a page's last line.
    if (report->pageRow == 0 || uint32_t(report->pageRow) == perPage - 1) {
        report->rowCount += 1;
        pdfStartPage(report);
    }
    const float y = placeRow(report, pdf);
    HPDF_Page page = pdf->page;
    if (!page)
        return;
    if (!text)
        text = "";
    const float width = HPDF_Page_GetWidth(page);
    const float L = pdf->leftMargin, R = pdf->rightMargin, lineHeight = pdf->lineHeight;

    HPDF_Page_SetLineWidth(page, 1);
    HPDF_Page_SetRGBStroke(page, 0, 0, 0);
    HPDF_Page_MoveTo(page, L, y + lineHeight / 2);
    HPDF_Page_LineTo(page, width - R, y + lineHeight / 2);
    HPDF_Page_Stroke(page);

    const float textWidth = pdfTextWidth(pdf, text);
    const float c = (width - L - R) / 2 - textWidth / 2;
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
    fillRect(page, c - 20, y, textWidth + 40, lineHeight);
    HPDF_Page_SetRGBFill(page, 1, 1, 1);
    pdfText(pdf, c, y + 3, text);

    HPDF_Page_SetLineWidth(page, 2);
    HPDF_Page_SetRGBStroke(page, 0, 0, 0);
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
}

void pdfEndSection(ReportWriter* report) {
    if (report->rowCount != 0) {
        report->rowCount = 0;
        report->pageRow = 0;
        pdfMaster(report)->rowCount = 0;
        pdfMaster(report)->pageRow = 0;
        return;
    }
    const char* text = std::getenv("KVLTPDFBLANKPAGETEXT");
    if (!text)
        return;
    PdfState* pdf = pdfStateOf(report);
    if (!pdf)
        return;
    pdfStartPage(report);
    HPDF_Page page = pdf->page;
    if (!page)
        return;
    const float v = (HPDF_Page_GetHeight(page) - pdf->topMargin) / 2;
    HPDF_Page_SetLineWidth(page, 2);
    HPDF_Page_SetGrayFill(page, 0.8f);
    fillRect(page, pdf->bandX, v, pdf->bandWidth, 30);
    pdfUseFace(pdf, kPdfFaceBold, 18);
    HPDF_Page_SetRGBFill(page, 1, 1, 1);
    // Centred on the bar itself: with a logo the bar starts right of it.
    pdfText(pdf, pdf->bandX + (pdf->bandWidth - pdfTextWidth(pdf, text)) / 2, v + 10, text);
    HPDF_Page_SetRGBStroke(page, 0, 0, 0);
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
}
