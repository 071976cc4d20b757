// The QR code in the corner of every PDF page.
#include <qrcodegen.h>

#include <vector>

#include "pdfrender.h"

int pdfDrawQrCode(HPDF_Page page, float x, float y, float size, const char* text) {
    HPDF_Page_SetLineWidth(page, 1);
    HPDF_Page_SetRGBStroke(page, 1, 1, 1);
    HPDF_Page_SetRGBFill(page, 1, 1, 1);
    HPDF_Page_Rectangle(page, x, y, size, size);
    HPDF_Page_Fill(page);

    std::vector<uint8_t> qrcode(qrcodegen_BUFFER_LEN_MAX), scratch(qrcodegen_BUFFER_LEN_MAX);
    const bool encoded =
        text && qrcodegen_encodeText(text, scratch.data(), qrcode.data(), qrcodegen_Ecc_MEDIUM,
                                     qrcodegen_VERSION_MIN, qrcodegen_VERSION_MAX,
                                     qrcodegen_Mask_AUTO, true);
    int modules = 0;
    if (encoded) {
        modules = qrcodegen_getSize(qrcode.data());
        const float inner = size - 10;
        const int module = int(inner) / modules; // whole points per module, so modules stay crisp
        const float offset = (inner - float(modules * module)) / 2 + float(modules * module);
        const float right = x + 5 + offset;  // column 0 ends here: the symbol is mirrored
        const float topRow = y + 5 + offset; // row 0 ends here
        HPDF_Page_SetRGBFill(page, 0, 0, 0);
        bool any = false;
        // The square is white already, so only dark modules are drawn, and a run
        // of dark modules in one row is one rectangle: the same picture in far
        // fewer operators on pages that repeat for thousands of rows.
        for (int row = 0; module > 0 && row < modules; ++row) {
            for (int column = 0; column < modules;) {
                if (!qrcodegen_getModule(qrcode.data(), column, row)) {
                    ++column;
                    continue;
                }
                int end = column;
                while (end + 1 < modules && qrcodegen_getModule(qrcode.data(), end + 1, row))
                    ++end;
                HPDF_Page_Rectangle(page, right - float((end + 1) * module),
                                    topRow - float((row + 1) * module),
                                    float((end - column + 1) * module), float(module));
                any = true;
                column = end + 1;
            }
        }
        if (any)
            HPDF_Page_Fill(page);
    }
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
    return encoded ? modules : 0;
}
