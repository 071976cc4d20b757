// Starting a PDF page: header band, notes, production time, column bar,
// footer, QR code, column titles and outline entries.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "fileaccess.h"
#include "pdfinternal.h"
#include "pdfrender.h"
#include "timetext.h"

const char* const kPdfNoticeLine =
    "Strovane media vault report - confidential, for vault operators only";

namespace {

// Logos larger than this are not read: no page header needs one.
constexpr size_t kMaxLogoBytes = size_t(64) << 20;

// Loads the logo the first time any page starts; a logo that libharu cannot
// read leaves the document without one (and without the error, which would
// otherwise fail every later call on the document).
void loadLogoOnce(PdfState* pdf) {
    if (pdf->flags & kPdfLogoDone)
        return;
    pdf->flags |= kPdfLogoDone;
    // Only a regular file of a sane size: a named pipe or a device could
    // hold the report for good.
    std::string bytes, why;
    if (pdf->logoPath[0] != 0 && readRegularFile(pdf->logoPath, kMaxLogoBytes, bytes, why) &&
        !bytes.empty()) {
        pdf->logoImage = HPDF_LoadJpegImageFromMem(
            pdf->doc, reinterpret_cast<const HPDF_BYTE*>(bytes.data()), HPDF_UINT(bytes.size()));
        if (!pdf->logoImage)
            HPDF_ResetError(pdf->doc);
    }
    if (!pdf->logoImage)
        pdf->logoWidth = 0;
}

// Sizes the new page. libharu accepts its end marker (12) as a size and reads
// past its size table, so every size after its last one, and any unknown
// direction, is reported here with libharu's own error numbers instead; the
// page keeps libharu's default size.
void sizePage(PdfState* pdf) {
    if (pdf->pageSize > kPdfSizeLast) {
        pdfErrorHandler(HPDF_PAGE_INVALID_SIZE, pdf->orientation, pdf);
        return;
    }
    if (pdf->orientation != kPdfPortrait && pdf->orientation != kPdfLandscape) {
        pdfErrorHandler(HPDF_PAGE_INVALID_DIRECTION, pdf->pageSize, pdf);
        return;
    }
    HPDF_Page_SetSize(pdf->page, static_cast<HPDF_PageSizes>(pdf->pageSize),
                      pdf->orientation == kPdfLandscape ? HPDF_PAGE_LANDSCAPE : HPDF_PAGE_PORTRAIT);
}

void fillRect(HPDF_Page page, float x, float y, float width, float height) {
    HPDF_Page_Rectangle(page, x, y, width, height);
    HPDF_Page_Fill(page);
}

// The "Report-ID" box on the record's first page, the notice line and the page number.
void drawFooter(ReportWriter* report, PdfState* pdf, float width) {
    HPDF_Page page = pdf->page;
    const float left = pdf->leftMargin, right = pdf->rightMargin, bottom = pdf->bottomMargin;

    HPDF_Page_SetLineWidth(page, 1);
    HPDF_Page_SetRGBStroke(page, 0, 0, 0);
    HPDF_Page_MoveTo(page, left, bottom);
    HPDF_Page_LineTo(page, width - right, bottom);
    HPDF_Page_Stroke(page);

    if (bottom > 20) {
        if (report->pageCount == 1 && report->reportId != 0) {
            char id[32];
            std::snprintf(id, sizeof id, "Report-ID %3.3u", unsigned(report->reportId));
            pdfUseFace(pdf, kPdfFaceFixed, 8);
            const float textWidth = pdfTextWidth(pdf, id);
            HPDF_Page_SetRGBFill(page, 0, 0, 0);
            fillRect(page, right, bottom - 14, textWidth + 10, 14);
            HPDF_Page_SetRGBFill(page, 1, 1, 1);
            pdfText(pdf, right + 5, bottom - 9, id);
            pdfUseFace(pdf, kPdfFaceRegular, 8);
        }
        HPDF_Page_SetRGBFill(page, 0, 0, 0);
        const float noticeWidth = pdfTextWidth(pdf, kPdfNoticeLine);
        pdfText(pdf, (width - noticeWidth) / 2, bottom - 10, kPdfNoticeLine);
    }

    char number[32];
    std::snprintf(number, sizeof number, "Page %u", unsigned(pdfMaster(report)->pageCount));
    pdfText(pdf, width - right - pdfTextWidth(pdf, number), bottom - 10, number);
}

// Column titles on the grey bar; also fixes every column's x and pointWidth
// for the rows of this page.
void drawColumnTitles(ReportWriter* report, PdfState* pdf, float top) {
    float x = pdf->leftMargin + 5;
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        ReportColumn& column = report->columns[i];
        column.x = x;
        column.pointWidth = float(column.width) * pdf->unitWidth;
        if (column.flags & COL_HIDDEN)
            continue;
        float offset = 0;
        if (column.flags & COL_RIGHT)
            offset = column.pointWidth - pdfTextWidth(pdf, column.name) - 5;
        pdfText(pdf, x + offset, top - 8, column.name);
        x += column.pointWidth;
    }
}

// Outline entries are written in UTF-16, so that readers show every name.
void addOutlineEntries(const PdfRecordState* record) {
    PdfState* pdf = record->pdf;
    HPDF_Encoder utf8 = HPDF_GetEncoder(pdf->doc, "UTF-8");
    if (pdf->flags & kPdfTitlePending) {
        pdf->outline =
            HPDF_CreateOutline(pdf->doc, nullptr, pdfOutlineText(record->title).c_str(), utf8);
        if (pdf->outline)
            HPDF_Outline_SetDestination(pdf->outline, HPDF_Page_CreateDestination(pdf->page));
    }
    if (pdf->flags & kPdfNotesPending) {
        HPDF_Outline notes =
            HPDF_CreateOutline(pdf->doc, pdf->outline, pdfOutlineText(record->notes).c_str(), utf8);
        if (notes)
            HPDF_Outline_SetDestination(notes, HPDF_Page_CreateDestination(pdf->page));
    }
    pdf->flags &= ~(kPdfTitlePending | kPdfNotesPending);
}

} // namespace

void pdfStartPage(ReportWriter* report) {
    PdfRecordState* record = pdfRecordOf(report);
    PdfState* pdf = record ? record->pdf : nullptr;
    ReportWriter* master = pdfMaster(report);
    if (!pdf)
        return;
    pdf->page = nullptr;
    // Without its fonts a page would show nothing readable: none is started,
    // and the save reports why.
    if (!pdf->doc || pdf->fontError != 0)
        return;
    loadLogoOnce(pdf);

    master->pageCount += 1;
    if (report != master)
        report->pageCount += 1;
    pdf->page = HPDF_AddPage(pdf->doc);
    if (!pdf->page)
        return;
    HPDF_Page page = pdf->page;
    sizePage(pdf);
    const float W = HPDF_Page_GetWidth(page), H = HPDF_Page_GetHeight(page);
    const float L = pdf->leftMargin, R = pdf->rightMargin, top = pdf->topMargin;

    if (pdf->logoImage)
        HPDF_Page_DrawImage(page, pdf->logoImage, L, H - pdf->logoHeight - top, pdf->logoWidth,
                            pdf->logoHeight);

    // Title band, right of the logo when there is one.
    pdf->bandWidth = W - (L + R + pdf->logoWidth);
    pdf->bandX = L;
    if (pdf->logoImage) {
        pdf->bandX += pdf->logoWidth + 20;
        pdf->bandWidth -= 20;
    }
    HPDF_Page_SetLineWidth(page, 2);
    HPDF_Page_SetRGBStroke(page, 0, 0, 0);
    HPDF_Page_SetRGBFill(page, pdf->headerColor[0], pdf->headerColor[1], pdf->headerColor[2]);
    fillRect(page, pdf->bandX, H - top - 30, pdf->bandWidth, 30);
    pdfUseFace(pdf, kPdfFaceBold, 18);
    if (record->title && record->title[0] != 0) {
        HPDF_Page_SetRGBFill(page, 1, 1, 1);
        pdfText(pdf, pdf->bandX + 10, H - top - 20, record->title);
    }
    // Back to black even without a title, or the notes would take the band's colour.
    HPDF_Page_SetRGBFill(page, 0, 0, 0);

    // Notes and production time under the band.
    pdfUseFace(pdf, kPdfFaceRegular, 8);
    float D = H - top - 45;
    if (record->notes) {
        pdfText(pdf, pdf->bandX, D, record->notes);
        D -= 15;
    }
    std::string production =
        std::string("Production Time: ") + timeString32(int32_t(master->creationTime));
    pdfText(pdf, pdf->bandX, D, production.c_str());

    // Grey column title bar.
    HPDF_Page_SetLineWidth(page, 2);
    HPDF_Page_SetGrayFill(page, 0.8f);
    D -= 15;
    fillRect(page, L, D - pdf->lineHeight, W - L - R, pdf->lineHeight);
    HPDF_Page_SetRGBFill(page, 0, 0, 0);

    uint64_t units = 0;
    for (uint32_t i = 0; i < report->columnCount; ++i)
        if (!(report->columns[i].flags & COL_HIDDEN))
            units += report->columns[i].width;
    pdf->unitWidth = (W - L - R) / float(units ? units : 1);

    drawFooter(report, pdf, W);

    // The QR code repeats page, title and production time for scanners.
    std::string when = timeString(master->creationTime, nullptr);
    char pageNumber[16];
    std::snprintf(pageNumber, sizeof pageNumber, "%u", unsigned(master->pageCount));
    std::string code =
        std::string(pageNumber) + ";" + (record->title ? record->title : "") + ";" + when;
    pdfDrawQrCode(page, W - 100, H - 90, 80, code.c_str());

    drawColumnTitles(report, pdf, D);

    pdf->firstRowY = D - 2 * pdf->lineHeight;
    const float fit = (pdf->firstRowY - pdf->bottomMargin) / pdf->lineHeight;
    report->rowsPerPage = fit > 0 ? uint32_t(fit) : 0;

    addOutlineEntries(record);
}
