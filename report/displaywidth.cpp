#include "displaywidth.h"

#include <locale.h>
#include <wchar.h>

namespace {

// ------------------------------------------------------------------ private helpers

// C.UTF-8 for wcwidth, made once; null when the C library has none (each
// character then takes one column).
locale_t utf8Locale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    return locale;
}

// The code point of the UTF-8 sequence at text[at], and its length; 0 when
// the bytes there are not a valid, shortest-form sequence of a scalar value.
size_t decode(std::string_view text, size_t at, char32_t* code) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    size_t length;
    char32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

// Walks text character by character, summing columns, until the next
// character would pass limit. Returns the bytes walked.
size_t walk(std::string_view text, uint64_t limit, uint64_t* columns) {
    uint64_t used = 0;
    size_t at = 0;
    locale_t previous = nullptr;
    while (at < text.size()) {
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        size_t length = 1;
        uint64_t width = 1;
        if (byte >= 0x80) {
            char32_t code = 0;
            if (size_t n = decode(text, at, &code)) {
                length = n;
                if (!previous && utf8Locale())
                    previous = uselocale(utf8Locale());
                const int w = utf8Locale() ? wcwidth(wchar_t(code)) : 1;
                width = w < 0 ? 1 : uint64_t(w); // unassigned or control: one column
            }
        }
        if (used + width > limit)
            break;
        used += width;
        at += length;
    }
    if (previous)
        uselocale(previous);
    *columns = used;
    return at;
}

} // namespace

// ------------------------------------------------------------------ public

uint64_t displayWidth(std::string_view text) {
    uint64_t columns = 0;
    walk(text, UINT64_MAX, &columns);
    return columns;
}

size_t displayPrefix(std::string_view text, uint64_t columns, uint64_t* used) {
    uint64_t taken = 0;
    const size_t bytes = walk(text, columns, &taken);
    if (used)
        *used = taken;
    return bytes;
}
