// The PDF renderer's per-document state (one per document; a sub-report
// borrows its master's). Created zero-filled by pdfStateCreate; pdfSetup gives
// the geometry its values.
#pragma once

#include <hpdf.h>

#include <cstdint>

constexpr uint32_t PDF_LOGO_DONE = 0x01;     // the logo was tried once
constexpr uint32_t PDF_TITLE_PENDING = 0x02; // the next page adds a title outline entry
constexpr uint32_t PDF_NOTES_PENDING = 0x04; // the next page adds a notes outline entry

constexpr uint32_t PDF_PORTRAIT = 0;
constexpr uint32_t PDF_LANDSCAPE = 1;

// libharu's predefined sizes; 0-7 are the ones reports name, 8-11 further ones.
constexpr uint32_t PDF_SIZE_LETTER = 0;
constexpr uint32_t PDF_SIZE_LEGAL = 1;
constexpr uint32_t PDF_SIZE_A3 = 2;
constexpr uint32_t PDF_SIZE_A4 = 3;
constexpr uint32_t PDF_SIZE_A5 = 4;
constexpr uint32_t PDF_SIZE_B4 = 5;
constexpr uint32_t PDF_SIZE_B5 = 6;
constexpr uint32_t PDF_SIZE_EXECUTIVE = 7;
constexpr uint32_t PDF_SIZE_LAST = 11; // COMM10, libharu's last size (its table ends there)

constexpr size_t PDF_PATH_SIZE = 261; // paths cut at 260 characters

struct PdfState {
    HPDF_Doc doc;
    HPDF_Page page;                 // current page
    HPDF_Outline outline;           // outline entry of the current title
    HPDF_Image logoImage;           // loaded once per document
    float logoWidth;                // 158 drawn, 0 without a logo
    float logoHeight;               // 39
    float topMargin;                // 30
    float bottomMargin;             // 30
    float leftMargin;               // 10 (L)
    float rightMargin;              // 10 (R)
    float lineHeight;               // one row: 12
    float bandWidth;                // title band, per page
    float bandX;                    // left edge of the title band, per page
    HPDF_Font fontBold;             // Helvetica-Bold
    HPDF_Font fontRegular;          // Helvetica
    HPDF_Font fontFixed;            // Courier
    float unitWidth;                // points per column width unit, per page
    float firstRowY;                // bottom of the first row, per page
    char logoPath[PDF_PATH_SIZE];   // JPEG logo
    char outputPath[PDF_PATH_SIZE]; // output file
    uint32_t flags;                 // PDF_LOGO_DONE, PDF_TITLE_PENDING, PDF_NOTES_PENDING
    uint32_t orientation;           // PDF_PORTRAIT or PDF_LANDSCAPE
    uint32_t pageSize;              // libharu page size index
    float headerColor[3];           // red, green, blue of the title band, 0 to 1
    bool outputPathTooLong;         // the output path given did not fit: the save fails
};
