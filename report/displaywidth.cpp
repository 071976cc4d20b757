#include "displaywidth.h"

#include "texts.h"

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

// Walks text character by character, summing columns, until the next
// character would pass limit. Returns the bytes walked.
size_t walk(std::string_view text, uint64_t limit, uint64_t* columns) {
    uint64_t used = 0;
    size_t at = 0;
    locale_t previous = nullptr;
    while (at < text.size()) {
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        size_t next = at;
        const uint32_t code = nextCodePoint(text, next);
        uint64_t width = 1;
        if (byte >= 0x80) {
            // A byte that is not UTF-8 stands for one replacement mark: one column.
            if (!previous && utf8Locale())
                previous = uselocale(utf8Locale());
            const int w = utf8Locale() ? wcwidth(wchar_t(code)) : 1;
            width = w < 0 ? 1 : uint64_t(w); // unassigned or control: one column
        }
        if (used + width > limit)
            break;
        used += width;
        at = next;
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
