// The fonts of report pages: DejaVu Sans, DejaVu Sans Bold and DejaVu Sans
// Mono, found through fontconfig and embedded with libharu's UTF-8 encoding;
// and the drawing of text with them.
//
// Every text drawn goes through drawable(): a character the face has no
// glyph for, an invalid UTF-8 byte, a control character or a character
// beyond the 16-bit codes libharu's UTF-8 encoder takes becomes one visible
// replacement mark (U+FFFD), never another letter.
#include <fontconfig/fontconfig.h>
#include <hpdf_doc.h>
#include <hpdf_objects.h>
#include <hpdf_streams.h>

#include <array>
#include <bitset>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "pdfinternal.h"
#include "pdfrender.h"
#include "texts.h"

// Characters of the 16-bit range that a font has glyphs for.
using CharacterSet = std::bitset<0x10000>;

// Where a face's font file lies, as fontconfig found it once per process.
struct PdfFontFile {
    std::string family; // what was asked for, for the message when it is missing
    std::string path;   // empty when no usable file was found
    int index = 0;      // face index inside a collection (.ttc)
    CharacterSet characters;
};

namespace {

// ------------------------------------------------------------------ finding the files

// The characters of charset below 0x10000.
void copyCharacters(const FcCharSet* charset, CharacterSet& characters) {
    FcChar32 map[FC_CHARSET_MAP_SIZE];
    FcChar32 next = 0;
    for (FcChar32 base = FcCharSetFirstPage(charset, map, &next);
         base != FC_CHARSET_DONE && base < characters.size();
         base = FcCharSetNextPage(charset, map, &next)) {
        for (FcChar32 word = 0; word < FC_CHARSET_MAP_SIZE; ++word)
            for (FcChar32 bit = 0; bit < 32; ++bit)
                if (map[word] & (FcChar32(1) << bit))
                    characters.set(base + word * 32 + bit);
    }
}

// The font config chooses for pattern, when it is a TrueType file that
// libharu can embed (not CFF-flavoured OpenType, not a bitmap font).
PdfFontFile findFont(FcConfig* config, const char* family, const char* pattern) {
    PdfFontFile file;
    file.family = family;
    FcPattern* wanted = config ? FcNameParse(reinterpret_cast<const FcChar8*>(pattern)) : nullptr;
    if (!wanted)
        return file;
    FcConfigSubstitute(config, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, wanted, &result);
    FcPatternDestroy(wanted);
    if (!match)
        return file;
    FcChar8* path = nullptr;
    FcChar8* format = nullptr;
    FcCharSet* charset = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        FcPatternGetString(match, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
        std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0 &&
        FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        file.path = reinterpret_cast<const char*>(path);
        file.index = index;
        copyCharacters(charset, file.characters);
    }
    FcPatternDestroy(match);
    return file;
}

// The three faces' files, looked up in a configuration of our own that is
// gone again afterwards (fontconfig's shared one would stay allocated until
// the process ends, and the window's toolkit uses it too).
std::array<PdfFontFile, kPdfFaceCount> findFonts() {
    FcConfig* config = FcInitLoadConfigAndFonts();
    std::array<PdfFontFile, kPdfFaceCount> files = {
        findFont(config, "DejaVu Sans", "DejaVu Sans:style=Book"),
        findFont(config, "DejaVu Sans Bold", "DejaVu Sans:style=Bold"),
        findFont(config, "DejaVu Sans Mono", "DejaVu Sans Mono:style=Book"),
    };
    if (config)
        FcConfigDestroy(config);
    return files;
}

// A face's file, the three looked up the first time a document needs one
// and kept for the life of the process: the look-up reads fontconfig's
// caches, which no report should pay for twice.
const PdfFontFile& fontFile(PdfFace face) {
    static const std::array<PdfFontFile, kPdfFaceCount> files = findFonts();
    return files[size_t(face)];
}

// ------------------------------------------------------------------ embedding

// libharu 2.3.0 gives a UTF-8 font a ToUnicode map written as a CID map
// ("begincidrange"), which readers reject with a warning before they fall
// back on guessing. Its character codes are the Unicode values themselves,
// so the map is rewritten as what it means: every code to itself.
void writeIdentityToUnicode(HPDF_Font font) {
    auto* map = static_cast<HPDF_Dict>(HPDF_Dict_GetItem(font, "ToUnicode", HPDF_OCLASS_DICT));
    if (!map || !map->stream)
        return;
    HPDF_MemStream_FreeData(map->stream);
    std::string text = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> "
                       "def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                       "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // One range per high byte (a range may not cross one), surrogates left
    // out, at most 100 ranges per block.
    int rows[256];
    int count = 0;
    for (int high = 0; high < 256; ++high)
        if (high < 0xD8 || high > 0xDF)
            rows[count++] = high;
    char line[40];
    for (int first = 0; first < count; first += 100) {
        const int n = count - first < 100 ? count - first : 100;
        std::snprintf(line, sizeof line, "%d beginbfrange\n", n);
        text += line;
        for (int i = first; i < first + n; ++i) {
            std::snprintf(line, sizeof line, "<%02X00> <%02XFF> <%02X00>\n", rows[i], rows[i],
                          rows[i]);
            text += line;
        }
        text += "endbfrange\n";
    }
    text += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    HPDF_Stream_WriteStr(map->stream, text.c_str());
}

// Loads face into the document the first time it is used. False, with the
// font error recorded, when its file is missing or libharu refuses it.
bool loadFace(PdfState* pdf, PdfFace face) {
    if (pdf->fonts[face])
        return true;
    if (pdf->fontError != 0 || !pdf->doc)
        return false;
    const PdfFontFile& file = fontFile(face);
    const char* name = nullptr;
    if (!file.path.empty()) {
        name = file.path.size() > 4 && file.path.compare(file.path.size() - 4, 4, ".ttc") == 0
                   ? HPDF_LoadTTFontFromFile2(pdf->doc, file.path.c_str(), HPDF_UINT(file.index),
                                              HPDF_TRUE)
                   : HPDF_LoadTTFontFromFile(pdf->doc, file.path.c_str(), HPDF_TRUE);
    }
    HPDF_Font font = name ? HPDF_GetFont(pdf->doc, name, "UTF-8") : nullptr;
    if (!font) {
        pdf->fontError = file.path.empty() ? HPDF_INVALID_FONT_NAME
                         : pdf->firstError ? pdf->firstError
                                           : HPDF_INVALID_FONTDEF_DATA;
        std::snprintf(pdf->fontProblem, sizeof pdf->fontProblem, "%s",
                      file.path.empty()
                          ? ("the font " + file.family +
                             " was not found (it is in the Debian package fonts-dejavu-core)")
                                .c_str()
                          : ("the font file " + file.path + " could not be read").c_str());
        HPDF_ResetError(pdf->doc);
        return false;
    }
    writeIdentityToUnicode(font);
    pdf->fonts[face] = font;
    pdf->fontFiles[face] = &file;
    return true;
}

// ------------------------------------------------------------------ characters

constexpr char32_t kReplacement = 0xFFFD;

bool isPlainAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    return true;
}

// text as a face with the given characters draws it (see the top of this
// file): text itself when it is printable ASCII, else a converted copy in
// scratch. Null characters take every character (outline entries: the
// reader draws them with its own fonts). drawn, when given, notes the
// characters beyond ASCII.
std::string_view drawable(const CharacterSet* characters, std::string_view text,
                          std::string& scratch, std::bitset<0x10000>* drawn = nullptr) {
    if (isPlainAscii(text))
        return text;
    const auto has = [characters](char32_t code) {
        return !characters || (code < characters->size() && characters->test(code));
    };
    const char32_t mark = has(kReplacement) ? kReplacement : U'?';
    scratch.clear();
    for (size_t at = 0; at < text.size();) {
        char32_t code = nextCodePoint(text, at);
        if (code == '\t')
            code = ' ';
        else if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code > 0xFFFF || !has(code))
            code = mark;
        if (drawn)
            drawn->set(code);
        appendUtf8(scratch, code);
    }
    return scratch;
}

// The longest start of text, at most HPDF_LIMIT_MAX_STRING_LEN bytes, that
// ends on a character boundary: libharu refuses a longer string whole.
size_t chunkLength(std::string_view text) {
    if (text.size() <= HPDF_LIMIT_MAX_STRING_LEN)
        return text.size();
    size_t n = HPDF_LIMIT_MAX_STRING_LEN;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

// text as the page's current face draws it, its characters noted.
std::string_view drawableInFace(PdfState* pdf, const char* text, std::string& scratch) {
    static const CharacterSet none;
    const PdfFontFile* file = pdf->fontFiles[pdf->face];
    return drawable(file ? &file->characters : &none, text, scratch, &pdf->drawnCodes[pdf->face]);
}

// The widths of face's font cut down to the characters drawn. libharu lists
// every character the font has ("W", some 24 KB per face, in the clear);
// a reader needs only the drawn ones. ASCII stays whole.
void trimWidths(PdfState* pdf, PdfFace face) {
    HPDF_Font font = pdf->fonts[face];
    auto* descendants =
        static_cast<HPDF_Array>(HPDF_Dict_GetItem(font, "DescendantFonts", HPDF_OCLASS_ARRAY));
    auto* cidFont =
        descendants ? static_cast<HPDF_Dict>(HPDF_Array_GetItem(descendants, 0, HPDF_OCLASS_DICT))
                    : nullptr;
    auto* widths = cidFont
                       ? static_cast<HPDF_Array>(HPDF_Dict_GetItem(cidFont, "W", HPDF_OCLASS_ARRAY))
                       : nullptr;
    if (!widths)
        return;
    std::bitset<0x10000> codes = pdf->drawnCodes[face];
    for (char32_t code = 0x20; code < 0x7F; ++code)
        codes.set(code);
    HPDF_Array_Clear(widths);
    // One entry per run of consecutive codes: first [w1 w2 ...].
    for (size_t code = 0; code < codes.size();) {
        if (!codes.test(code)) {
            ++code;
            continue;
        }
        HPDF_Array run = HPDF_Array_New(pdf->doc->mmgr);
        if (!run)
            return;
        HPDF_Array_AddNumber(widths, HPDF_INT32(code));
        HPDF_Array_Add(widths, run);
        for (; code < codes.size() && codes.test(code); ++code)
            HPDF_Array_AddNumber(run, HPDF_Font_GetUnicodeWidth(font, HPDF_UNICODE(code)));
    }
}

} // namespace

// ------------------------------------------------------------------ faces and text

bool pdfUseFace(PdfState* pdf, PdfFace face, float size) {
    if (!pdf->page || !loadFace(pdf, face))
        return false;
    pdf->face = face;
    HPDF_Page_SetFontAndSize(pdf->page, pdf->fonts[face], size);
    return true;
}

bool pdfLoadFaces(PdfState* pdf) {
    return loadFace(pdf, kPdfFaceRegular) && loadFace(pdf, kPdfFaceBold);
}

float pdfTextWidth(PdfState* pdf, const char* text) {
    if (!pdf->page || !text)
        return 0;
    std::string scratch, chunk;
    std::string_view rest = drawableInFace(pdf, text, scratch);
    float width = 0;
    while (!rest.empty()) {
        const size_t n = chunkLength(rest);
        chunk.assign(rest.substr(0, n));
        width += HPDF_Page_TextWidth(pdf->page, chunk.c_str());
        rest.remove_prefix(n);
    }
    return width;
}

void pdfText(PdfState* pdf, float x, float y, const char* text) {
    HPDF_Page page = pdf->page;
    if (!page || !text)
        return;
    std::string scratch, chunk;
    std::string_view rest = drawableInFace(pdf, text, scratch);
    // A text longer than libharu takes at once is drawn piece after piece;
    // what would start beyond the page's right edge is not drawn at all.
    const float pageWidth = HPDF_Page_GetWidth(page);
    while (!rest.empty() && x < pageWidth) {
        const size_t n = chunkLength(rest);
        chunk.assign(rest.substr(0, n));
        HPDF_Page_BeginText(page);
        HPDF_Page_TextOut(page, x, y, chunk.c_str());
        HPDF_Page_EndText(page);
        rest.remove_prefix(n);
        if (!rest.empty())
            x += HPDF_Page_TextWidth(page, chunk.c_str());
    }
}

void pdfTrimFonts(PdfState* pdf) {
    for (int face = 0; face < kPdfFaceCount; ++face)
        if (pdf->fonts[face])
            trimWidths(pdf, PdfFace(face));
}

std::string pdfOutlineText(const char* text) {
    std::string scratch;
    std::string_view shown = drawable(nullptr, text ? text : "", scratch);
    return std::string(shown.substr(0, chunkLength(shown)));
}
