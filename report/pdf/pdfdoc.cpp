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
#include <string>

#include "atomicfile.h"
#include "pdfinternal.h"
#include "reportinternal.h"
#include "timetext.h"

// ------------------------------------------------------------------ private helpers

namespace {

// Copies text into a fixed field, cut silently at its size.
void copyCut(char* field, size_t size, const char* text) {
    if (!text)
        text = "";
    std::snprintf(field, size, "%s", text);
}

// A heap copy that the record owns (freed with free); null for null.
char* ownedCopy(const char* text) {
    return text ? strdup(text) : nullptr;
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
    pdf->fontBold = pdf->fontRegular = pdf->fontFixed = nullptr;
}

} // namespace

// ------------------------------------------------------------------ state

PdfState* pdfStateCreate() {
    return new PdfState{};
}

void pdfStateFree(PdfState* state) {
    if (!state)
        return;
    freeDocument(state);
    delete state;
}

// ------------------------------------------------------------------ setters

void pdfSetOrientation(ReportWriter* report, uint32_t value) {
    report->pdf->orientation = value;
}

void pdfSetPageSize(ReportWriter* report, uint32_t value) {
    report->pdf->pageSize = value;
}

void pdfSetOutputPath(ReportWriter* report, const char* path) {
    // Cut, the path would name another file: the save fails instead.
    report->pdf->outputPathTooLong = path && std::strlen(path) >= sizeof report->pdf->outputPath;
    copyCut(report->pdf->outputPath, sizeof report->pdf->outputPath, path);
}

void pdfSetLogo(ReportWriter* report, const char* path) {
    struct stat info {};
    if (!path || std::strlen(path) >= sizeof report->pdf->logoPath || ::stat(path, &info) != 0 ||
        !S_ISREG(info.st_mode))
        return;
    copyCut(report->pdf->logoPath, sizeof report->pdf->logoPath, path);
}

uint32_t pdfOrientationFromName(const char* name) {
    return name && sameTextNoCase(name, "landscape") ? PDF_LANDSCAPE : PDF_PORTRAIT;
}

uint32_t pdfPageSizeFromName(const char* name) {
    static const char* const names[] = {"letter", "legal", "A3", "A4",
                                        "A5",     "B4",    "B5", "executive"};
    for (uint32_t i = 0; name && i < sizeof names / sizeof names[0]; ++i)
        if (sameTextNoCase(name, names[i]))
            return i;
    return PDF_SIZE_LETTER;
}

const char* pdfOutputPath(const ReportWriter* report) {
    return report->pdf ? report->pdf->outputPath : "";
}

// ------------------------------------------------------------------ set-up and headers

void pdfErrorHandler(HPDF_STATUS errorNo, HPDF_STATUS detailNo, void* /*userData*/) {
    std::printf("Error PDF Object: error_no=%04X, detail_no=%u\n", unsigned(errorNo),
                unsigned(detailNo));
}

void pdfSetup(ReportWriter* report) {
    PdfState* pdf = report->pdf;
    freeDocument(pdf);
    pdf->doc = HPDF_New(pdfErrorHandler, nullptr);
    if (pdf->doc)
        HPDF_SetCompressionMode(pdf->doc, HPDF_COMP_ALL);

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
    if (pdf->doc) {
        pdf->fontBold = HPDF_GetFont(pdf->doc, "Helvetica-Bold", nullptr);
        pdf->fontRegular = HPDF_GetFont(pdf->doc, "Helvetica", nullptr);
        pdf->fontFixed = HPDF_GetFont(pdf->doc, "Courier", nullptr);
    }
}

void pdfHeader(ReportWriter* report, const char* title, const char* notes) {
    PdfState* pdf = report->pdf;
    const char* previous = pdfMaster(report)->pdfTitle;
    const bool sameTitle = previous && title && std::strcmp(previous, title) == 0;
    char* copy = ownedCopy(title);
    std::free(report->pdfTitle);
    report->pdfTitle = copy;
    if (!sameTitle)
        pdf->flags |= PDF_TITLE_PENDING;

    if (notes) {
        copy = ownedCopy(notes);
        std::free(report->pdfNotes);
        report->pdfNotes = copy;
        pdf->flags |= PDF_NOTES_PENDING;
    }
}

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
        unsigned status = written.failedStep == AtomicWriteStep::Write ? HPDF_FILE_IO_ERROR
                                                                       : HPDF_FILE_OPEN_ERROR;
        pdfErrorHandler(status, HPDF_STATUS(written.error), nullptr);
        if (why)
            *why = atomicWriteErrorText(path, written);
        return status;
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

void pdfClose(ReportWriter* report) {
    PdfState* pdf = report->pdf;
    if (pdfMaster(report) != report || !pdf || !pdf->doc)
        return;
    // Readers refuse a PDF without a page: an empty report still gets its
    // first page (the blank-page text when one is set, else the header band
    // and the column titles without rows).
    if (report->pageCount == 0) {
        report->rowCount = 0;
        pdfEndSection(report);
        if (report->pageCount == 0)
            pdfStartPage(report);
    }
    char code[16];
    if (report->flags & RPT_CGI) {
        report->pdfResult = pdfWriteResponse(pdf, stdout);
        if (report->pdfResult != 0) {
            std::snprintf(code, sizeof code, "%04X", report->pdfResult);
            reportSetCloseError(report,
                                std::string("Cannot make the PDF: the PDF library failed with "
                                            "error ") +
                                    code);
        }
    } else if (pdf->outputPathTooLong) {
        report->pdfResult = HPDF_FILE_OPEN_ERROR;
        pdfErrorHandler(HPDF_FILE_OPEN_ERROR, ENAMETOOLONG, nullptr);
        reportSetCloseError(report, std::string("Cannot save the PDF: its path is longer than "
                                                "260 characters (") +
                                        pdf->outputPath + "...)");
    } else if (pdf->outputPath[0] != 0) {
        std::string why;
        report->pdfResult = pdfSaveToFile(pdf, pdf->outputPath, &why);
        if (report->pdfResult != 0 && why.empty()) {
            std::snprintf(code, sizeof code, "%04X", report->pdfResult);
            why = std::string("Cannot save the PDF ") + pdf->outputPath +
                  ": the PDF library failed with error " + code;
        }
        if (report->pdfResult != 0)
            reportSetCloseError(report, why);
    }
    freeDocument(pdf);
}
