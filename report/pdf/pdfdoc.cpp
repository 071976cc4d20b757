// The PDF document: state, setters, set-up from the environment, headers,
// saving and closing.
#include "pdfrender.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "atomicfile.h"
#include "pdfinternal.h"
#include "texts.h"
#include "timetext.h"

// ------------------------------------------------------------------ private helpers

namespace {

// Copies text into a fixed field, cut silently at its size.
void copyCut(char* field, size_t size, const char* text) {
    if (!text)
        text = "";
    std::snprintf(field, size, "%s", text);
}

// Exactly six hexadecimal digits RRGGBB into three fractions; false leaves rgb.
bool parseColor(const char* text, float rgb[3]) {
    if (!text || std::strlen(text) != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    for (int i = 0; i < 3; ++i) {
        char pair[3] = {text[2 * i], text[2 * i + 1], 0};
        rgb[i] = static_cast<float>(std::strtol(pair, nullptr, 16)) / 255.0f;
    }
    return true;
}

// The band colour variable: the per-report one when it is set, else the general one.
const char* colorVariable(const ReportWriter* report) {
    if (report->reportId != 0) {
        char name[32];
        std::snprintf(name, sizeof name, "KVLTPDFCOLORHDR%3.3u", unsigned(report->reportId));
        if (const char* value = std::getenv(name))
            return value;
    }
    return std::getenv("KVLTPDFCOLORHDR");
}

// Drops the document and every handle that lived inside it.
void freeDocument(PdfState* pdf) {
    if (pdf->doc)
        HPDF_Free(pdf->doc);
    pdf->doc = nullptr;
    pdf->page = nullptr;
    pdf->outline = nullptr;
    pdf->logoImage = nullptr;
    for (HPDF_Font& font : pdf->fonts)
        font = nullptr;
}

// Frees a record's part, and its document unless it is the master's.
void freeRecord(PdfRecordState* record) {
    if (!record)
        return;
    if (record->ownsDocument && record->pdf) {
        freeDocument(record->pdf);
        delete record->pdf;
    }
    std::free(record->title);
    std::free(record->notes);
    delete record;
}

} // namespace

// ------------------------------------------------------------------ state

PdfRecordState* pdfRecordOf(const ReportWriter* report) {
    return report->formatOps == &kPdfFormat ? static_cast<PdfRecordState*>(report->formatState)
                                            : nullptr;
}

PdfState* pdfStateOf(const ReportWriter* report) {
    const PdfRecordState* record = pdfRecordOf(report);
    return record ? record->pdf : nullptr;
}

// ------------------------------------------------------------------ setters

void pdfSetOrientation(ReportWriter* report, uint32_t value) {
    report->pdfSettings.orientation = value;
}

void pdfSetPageSize(ReportWriter* report, uint32_t value) {
    report->pdfSettings.pageSize = value;
}

void pdfSetOutputPath(ReportWriter* report, const char* path) {
    PdfSettings& settings = report->pdfSettings;
    // Cut, the path would name another file: the save fails instead.
    settings.outputPathTooLong = path && std::strlen(path) >= sizeof settings.outputPath;
    copyCut(settings.outputPath, sizeof settings.outputPath, path);
}

void pdfSetLogo(ReportWriter* report, const char* path) {
    struct stat info {};
    PdfSettings& settings = report->pdfSettings;
    if (!path || std::strlen(path) >= sizeof settings.logoPath || ::stat(path, &info) != 0 ||
        !S_ISREG(info.st_mode))
        return;
    copyCut(settings.logoPath, sizeof settings.logoPath, path);
}

uint32_t pdfOrientationFromName(const char* name) {
    return name && equalsNoCase(name, "landscape") ? kPdfLandscape : kPdfPortrait;
}

uint32_t pdfPageSizeFromName(const char* name) {
    static const char* const names[] = {"letter", "legal", "A3", "A4",
                                        "A5",     "B4",    "B5", "executive"};
    for (uint32_t i = 0; name && i < sizeof names / sizeof names[0]; ++i)
        if (equalsNoCase(name, names[i]))
            return i;
    return kPdfSizeLetter;
}

const char* pdfOutputPath(const ReportWriter* report) {
    const PdfState* pdf = pdfStateOf(report);
    return pdf ? pdf->outputPath : "";
}

// ------------------------------------------------------------------ errors

void pdfErrorHandler(HPDF_STATUS errorNo, HPDF_STATUS detailNo, void* userData) {
    auto* pdf = static_cast<PdfState*>(userData);
    if (pdf && pdf->firstError == 0) {
        pdf->firstError = errorNo;
        pdf->firstErrorDetail = detailNo;
    }
}

std::string pdfErrorText(unsigned code) {
    switch (code) {
    case HPDF_FAILD_TO_ALLOC_MEM:
        return "the PDF library ran out of memory";
    case HPDF_FILE_IO_ERROR:
        return "the file could not be written completely";
    case HPDF_FILE_OPEN_ERROR:
        return "the file could not be opened for writing";
    case HPDF_INVALID_DOCUMENT:
        return "the PDF library could not start a document";
    case HPDF_INVALID_FONT_NAME:
    case HPDF_INVALID_FONTDEF_DATA:
    case HPDF_TTF_INVALID_CMAP:
    case HPDF_TTF_INVALID_FOMAT:
    case HPDF_TTF_MISSING_TABLE:
    case HPDF_TTF_CANNOT_EMBEDDING_FONT:
        return "the font for its text could not be used";
    case HPDF_PAGE_INVALID_SIZE:
        return "the page size is not one the PDF library knows";
    case HPDF_PAGE_INVALID_DIRECTION:
        return "the page orientation is neither portrait nor landscape";
    case HPDF_ZLIB_ERROR:
        return "the PDF library could not compress the document";
    default:
        break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "the PDF library failed with error %04X", code);
    return text;
}

// ------------------------------------------------------------------ set-up and headers

HPDF_Doc pdfNewDocument(PdfState* pdf) {
    HPDF_Doc doc = HPDF_New(pdfErrorHandler, pdf);
    if (doc) {
        HPDF_SetCompressionMode(doc, HPDF_COMP_ALL);
        HPDF_UseUTFEncodings(doc);
    }
    return doc;
}

namespace {

// A sub-report draws into its master's document, when the master writes one.
void joinMastersDocument(ReportWriter* report) {
    const PdfRecordState* masters = pdfRecordOf(pdfMaster(report));
    if (!masters || !masters->pdf)
        return;
    auto* record = new (std::nothrow) PdfRecordState{};
    if (!record)
        return;
    record->pdf = masters->pdf;
    report->formatState = record;
    report->flags |= RPT_SHARED_PDF;
}

// The master's one-time set-up: document, paths, page, colour and geometry
// from the setters and the environment, and the fonts.
void pdfStart(ReportWriter* report) {
    if (pdfMaster(report) != report) {
        joinMastersDocument(report);
        return;
    }
    auto* record = new (std::nothrow) PdfRecordState{};
    auto* pdf = record ? new (std::nothrow) PdfState{} : nullptr;
    if (!pdf) {
        delete record;
        return; // nothing can be drawn; closeReport reports the failed save
    }
    record->pdf = pdf;
    record->ownsDocument = true;
    report->formatState = record;

    const PdfSettings& settings = report->pdfSettings;
    pdf->orientation = settings.orientation;
    pdf->pageSize = settings.pageSize;
    pdf->outputPathTooLong = settings.outputPathTooLong;
    copyCut(pdf->outputPath, sizeof pdf->outputPath, settings.outputPath);
    copyCut(pdf->logoPath, sizeof pdf->logoPath, settings.logoPath);
    pdf->doc = pdfNewDocument(pdf);

    // A path too long for its field is not cut to another file's name: a
    // logo is then left out, an output path fails the save.
    if (const char* logo = std::getenv("KVLTPDFLOGOPATH"))
        copyCut(pdf->logoPath, sizeof pdf->logoPath,
                std::strlen(logo) < sizeof pdf->logoPath ? logo : "");
    if (const char* output = std::getenv("KVLTPDFOUTPUTPATH")) {
        pdf->outputPathTooLong = std::strlen(output) >= sizeof pdf->outputPath;
        copyCut(pdf->outputPath, sizeof pdf->outputPath, output);
    } else if (pdf->outputPath[0] == 0) {
        std::snprintf(pdf->outputPath, sizeof pdf->outputPath, "Report-%s.pdf",
                      timeString(report->creationTime, "%Y-%m-%d-%H-%M-%S"));
    }
    if (const char* orientation = std::getenv("KVLTPDFORIENTATION"))
        pdf->orientation = pdfOrientationFromName(orientation);
    if (const char* size = std::getenv("KVLTPDFPAGESIZE"))
        pdf->pageSize = pdfPageSizeFromName(size);

    pdf->headerColor[0] = 0.039f;
    pdf->headerColor[1] = 0.412f;
    pdf->headerColor[2] = 0.254f;
    parseColor(colorVariable(report), pdf->headerColor);

    pdf->logoWidth = 158;
    pdf->logoHeight = 39;
    pdf->topMargin = 30;
    pdf->bottomMargin = 30;
    pdf->leftMargin = 10;
    pdf->rightMargin = 10;
    pdf->lineHeight = 12;
    pdf->flags = 0;
    pdfLoadFaces(pdf);
}

void pdfCgiHeader(ReportWriter* report) {
    std::fputs("Content-type: application/pdf\r\n", stdout);
    std::fprintf(stdout, "Content-disposition: attachment; filename=\"%s\"\r\n",
                 pdfOutputPath(report));
}

// Nothing is drawn: the title and notes wait for the next page, and become
// outline entries there when they changed.
void pdfHeader(ReportWriter* report, const ReportHeading& heading) {
    PdfRecordState* record = pdfRecordOf(report);
    if (!record)
        return;
    const char* title = heading.title;
    const PdfRecordState* masters = pdfRecordOf(pdfMaster(report));
    const char* previous = masters ? masters->title : nullptr;
    const bool sameTitle = previous && title && std::strcmp(previous, title) == 0;
    char* copy = reportCopyText(title);
    std::free(record->title);
    record->title = copy;
    if (!sameTitle)
        record->pdf->flags |= kPdfTitlePending;

    if (heading.notes) {
        copy = reportCopyText(heading.notes);
        std::free(record->notes);
        record->notes = copy;
        record->pdf->flags |= kPdfNotesPending;
    }
}

} // namespace

// ------------------------------------------------------------------ saving and closing

unsigned pdfSaveToMemory(PdfState* pdf, std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (!pdf || !pdf->doc)
        return HPDF_INVALID_DOCUMENT;
    HPDF_STATUS status = HPDF_SaveToStream(pdf->doc);
    if (status != HPDF_OK)
        return unsigned(status);
    bytes.resize(HPDF_GetStreamSize(pdf->doc));
    HPDF_ResetStream(pdf->doc);
    size_t done = 0;
    while (done < bytes.size()) {
        HPDF_UINT32 chunk = HPDF_UINT32(bytes.size() - done);
        HPDF_ReadFromStream(pdf->doc, bytes.data() + done, &chunk);
        if (chunk == 0)
            break;
        done += chunk;
    }
    if (done != bytes.size()) {
        bytes.clear();
        return HPDF_FILE_IO_ERROR;
    }
    return 0;
}

unsigned pdfSaveToFile(PdfState* pdf, const char* path, std::string* why) {
    if (!path || !*path)
        return HPDF_FILE_OPEN_ERROR;
    std::vector<unsigned char> bytes;
    if (unsigned status = pdfSaveToMemory(pdf, bytes))
        return status;

    // Written beside the target and renamed over it, so that a failed write
    // never leaves a half file where the user's previous report was.
    AtomicWriteResult written = writeFileAtomically(path, bytes.data(), bytes.size());
    if (!written) {
        if (why)
            *why = atomicWriteErrorText(path, written);
        return written.failedStep == AtomicWriteStep::Write ? HPDF_FILE_IO_ERROR
                                                            : HPDF_FILE_OPEN_ERROR;
    }
    return 0;
}

unsigned pdfWriteResponse(PdfState* pdf, FILE* out) {
    std::vector<unsigned char> bytes;
    if (unsigned status = pdfSaveToMemory(pdf, bytes))
        return status;
    std::fprintf(out, "Content-Length: %u\n", unsigned(bytes.size()));
    std::fputs("\r\n", out);
    std::fwrite(bytes.data(), 1, bytes.size(), out); // POSIX streams are already binary
    std::fflush(out);
    return 0;
}

namespace {

// The master's save or stream; pdfResult and closeError say how it went.
void saveDocument(ReportWriter* report, PdfState* pdf) {
    if (!pdf || !pdf->doc) {
        report->pdfResult = HPDF_INVALID_DOCUMENT;
        reportSetCloseError(report, "Cannot make the PDF: " + pdfErrorText(report->pdfResult));
        return;
    }
    // Readers refuse a PDF without a page: an empty report still gets its
    // first page (the blank-page text when one is set, else the header band
    // and the column titles without rows).
    if (report->pageCount == 0 && pdf->fontError == 0) {
        report->rowCount = 0;
        pdfEndSection(report);
        if (report->pageCount == 0)
            pdfStartPage(report);
    }
    pdfTrimFonts(pdf);
    const std::string target =
        (report->flags & RPT_CGI) ? std::string("for the response") : std::string(pdf->outputPath);
    if (pdf->fontError != 0) {
        report->pdfResult = pdf->fontError;
        reportSetCloseError(report, "Cannot make the PDF " + target + ": " + pdf->fontProblem);
    } else if (report->flags & RPT_CGI) {
        report->pdfResult = pdfWriteResponse(pdf, stdout);
        if (report->pdfResult != 0)
            reportSetCloseError(report, "Cannot make the PDF: " + pdfErrorText(report->pdfResult));
    } else if (pdf->outputPathTooLong) {
        report->pdfResult = HPDF_FILE_OPEN_ERROR;
        reportSetCloseError(report, std::string("Cannot save the PDF: its path is longer than "
                                                "260 characters (") +
                                        pdf->outputPath + "...)");
    } else if (pdf->outputPath[0] != 0) {
        std::string why;
        report->pdfResult = pdfSaveToFile(pdf, pdf->outputPath, &why);
        if (report->pdfResult != 0 && why.empty())
            why = "Cannot save the PDF " + target + ": " + pdfErrorText(report->pdfResult);
        if (report->pdfResult != 0)
            reportSetCloseError(report, why);
    }
}

// The master saves and frees the document; a sub-report frees only its part.
void pdfClose(ReportWriter* report) {
    PdfRecordState* record = pdfRecordOf(report);
    if (pdfMaster(report) == report)
        saveDocument(report, record ? record->pdf : nullptr);
    report->formatState = nullptr;
    freeRecord(record);
}

} // namespace

const ReportFormatOps kPdfFormat = {
    .format = REPORT_PDF,
    .keyword = "pdf",
    .trimsCells = false,
    .start = pdfStart,
    .cgiHeader = pdfCgiHeader,
    .header = pdfHeader,
    .row = pdfAddRow,
    .endSection = pdfEndSection,
    .separator = nullptr, // counters only
    .groupHeading = pdfGroupHeading,
    .close = pdfClose,
};
