// The PDF renderer's state: one PdfState per document (a sub-report draws
// into its master's) and one PdfRecordState per record (its own titles).
// The PDF set-up of the first header creates both; closeReport frees them.
#pragma once

#include <hpdf.h>

#include <bitset>
#include <cstdint>

#include "reportwriter.h"

constexpr uint32_t kPdfLogoDone = 0x01;     // the logo was tried once
constexpr uint32_t kPdfTitlePending = 0x02; // the next page adds a title outline entry
constexpr uint32_t kPdfNotesPending = 0x04; // the next page adds a notes outline entry

constexpr uint32_t kPdfPortrait = 0;
constexpr uint32_t kPdfLandscape = 1;

// libharu's predefined sizes; 0-7 are the ones reports name, 8-11 further ones.
constexpr uint32_t kPdfSizeLetter = 0;
constexpr uint32_t kPdfSizeLegal = 1;
constexpr uint32_t kPdfSizeA3 = 2;
constexpr uint32_t kPdfSizeA4 = 3;
constexpr uint32_t kPdfSizeA5 = 4;
constexpr uint32_t kPdfSizeB4 = 5;
constexpr uint32_t kPdfSizeB5 = 6;
constexpr uint32_t kPdfSizeExecutive = 7;
constexpr uint32_t kPdfSizeLast = 11; // COMM10, libharu's last size (its table ends there)

constexpr size_t kPdfPathSize = kReportPathSize; // paths cut at 260 characters

// The three faces of a report page. Each is a TrueType font embedded (as a
// subset of the glyphs drawn) with libharu's UTF-8 encoding, so that every
// Latin, Greek and Cyrillic letter is drawn and reads back as itself.
enum PdfFace : int {
    kPdfFaceRegular = 0, // DejaVu Sans: notes, rows, footer
    kPdfFaceBold = 1,    // DejaVu Sans Bold: the title band
    kPdfFaceFixed = 2,   // DejaVu Sans Mono: COL_FIXED_FONT values, the Report-ID box
    kPdfFaceCount = 3,
};

struct PdfFontFile; // where a face's file lies and which characters it has (pdffonts.cpp)

struct PdfState {
    HPDF_Doc doc;
    HPDF_Page page;                              // current page
    HPDF_Outline outline;                        // outline entry of the current title
    HPDF_Image logoImage;                        // loaded once per document
    float logoWidth;                             // 158 drawn, 0 without a logo
    float logoHeight;                            // 39
    float topMargin;                             // 30
    float bottomMargin;                          // 30
    float leftMargin;                            // 10 (L)
    float rightMargin;                           // 10 (R)
    float lineHeight;                            // one row: 12
    float bandWidth;                             // title band, per page
    float bandX;                                 // left edge of the title band, per page
    HPDF_Font fonts[kPdfFaceCount];              // loaded on first use
    const PdfFontFile* fontFiles[kPdfFaceCount]; // found by fontconfig, for the character check
    PdfFace face;                                // the page's current face
    // The characters beyond ASCII drawn in each face: only they (and ASCII)
    // keep a width in the saved font.
    std::bitset<0x10000> drawnCodes[kPdfFaceCount];
    float unitWidth;               // points per column width unit, per page
    float firstRowY;               // bottom of the first row, per page
    char logoPath[kPdfPathSize];   // JPEG logo
    char outputPath[kPdfPathSize]; // output file
    uint32_t flags;                // kPdfLogoDone, kPdfTitlePending, kPdfNotesPending
    uint32_t orientation;          // kPdfPortrait or kPdfLandscape
    uint32_t pageSize;             // libharu page size index
    float headerColor[3];          // red, green, blue of the title band, 0 to 1
    bool outputPathTooLong;        // the output path given did not fit: the save fails
    // The first libharu error met while drawing (its error and detail
    // number), kept for the close; libharu writes nothing anywhere itself.
    HPDF_STATUS firstError;
    HPDF_STATUS firstErrorDetail;
    // A face whose font could not be found or loaded: nothing is drawn and
    // the save fails with this result and sentence.
    HPDF_STATUS fontError;
    char fontProblem[kReportErrorSize];
};

// One record's part: the document it draws into and its own titles.
struct PdfRecordState {
    PdfState* pdf;     // the document: its own, or its master's for a sub-report
    bool ownsDocument; // false for a sub-report (RPT_SHARED_PDF)
    char* title;       // copy of the latest title (owned)
    char* notes;       // copy of the latest formatted notes (owned); null: none yet
};
