// The printer of jsonexact.h: cJSON_Print's formatted layout (one member per
// line, tab indentation, ", " between array elements), written straight into
// one buffer sized for the whole text instead of growing it value by value.
#include "jsonarena.h"
#include "jsonexact.h"
#include "jsonkept.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace {

// What cJSON's printer does with each byte of a string: 0 copies it, 1 ends
// the string (the zero byte), other values are the letter of a two-character
// escape, or 'u' for \u00XX.
struct StringBytes {
    char of[256] = {};
    constexpr StringBytes() {
        for (int c = 0; c < 32; ++c)
            of[c] = 'u';
        of[0] = 1;
        of['"'] = '"';
        of['\\'] = '\\';
        of['\b'] = 'b';
        of['\f'] = 'f';
        of['\n'] = 'n';
        of['\r'] = 'r';
        of['\t'] = 't';
    }
};
constexpr StringBytes kStringBytes;

class Printer {
  public:
    explicit Printer(const JsonArena* arena) : m_arena(arena) {}
    ~Printer() { cJSON_free(m_buffer); }

    bool run(const cJSON* root, size_t sizeHint, char*& text, size_t& length) {
        if (!reserve(sizeHint + sizeHint / 16 + 4096) || !value(root, 0))
            return false;
        text = m_buffer;
        length = size_t(m_at - m_buffer);
        m_buffer = nullptr;
        return true;
    }

  private:
    // Room for n more bytes.
    bool reserve(size_t n) {
        if (size_t(m_end - m_at) >= n)
            return true;
        return grow(n);
    }
    bool grow(size_t n);

    void put(const char* bytes, size_t n) {
        std::memcpy(m_at, bytes, n);
        m_at += n;
    }
    void tabs(size_t n) {
        std::memset(m_at, '\t', n);
        m_at += n;
    }

    bool value(const cJSON* item, size_t depth);
    bool string(const char* text);
    bool number(const cJSON* item);

    const JsonArena* m_arena;
    char* m_buffer = nullptr;
    char* m_at = nullptr;
    char* m_end = nullptr;
};

bool Printer::grow(size_t n) {
    size_t used = size_t(m_at - m_buffer);
    size_t capacity = size_t(m_end - m_buffer);
    size_t wanted = std::max(capacity + capacity / 2, used + n);
    if (wanted < used + n) // overflow
        return false;
    // cJSON's allocation: the caller frees the text with cJSON_free.
    auto* bigger = static_cast<char*>(cJSON_malloc(wanted));
    if (bigger == nullptr)
        return false;
    // The whole text is written once, front to back: large pages cost a
    // fraction of the faults of small ones.
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    if (wanted >= 4 * kHugePage) {
        uintptr_t first = (reinterpret_cast<uintptr_t>(bigger) + kHugePage - 1) & ~(kHugePage - 1);
        uintptr_t last = (reinterpret_cast<uintptr_t>(bigger) + wanted) & ~(kHugePage - 1);
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
    if (used > 0)
        std::memcpy(bigger, m_buffer, used);
    cJSON_free(m_buffer);
    m_buffer = bigger;
    m_at = bigger + used;
    m_end = bigger + wanted;
    return true;
}

// One value at the given nesting depth, as cJSON's print_value writes it.
// Recursion follows the tree, whose depth the parse bounds.
bool Printer::value(const cJSON* item, size_t depth) {
    if ((item->type & kJsonKeptText) && m_arena != nullptr && m_arena->owns(item)) {
        const auto* kept = reinterpret_cast<const KeptNode*>(item);
        if (keptTextApplies(*kept)) {
            if (!reserve(kept->length))
                return false;
            put(kept->text, kept->length);
            return true;
        }
    }
    switch (item->type & 0xFF) {
    case cJSON_NULL:
        return reserve(4) && (put("null", 4), true);
    case cJSON_False:
        return reserve(5) && (put("false", 5), true);
    case cJSON_True:
        return reserve(4) && (put("true", 4), true);
    case cJSON_Number:
        return number(item);
    case cJSON_Raw: {
        if (item->valuestring == nullptr)
            return false;
        size_t n = std::strlen(item->valuestring);
        return reserve(n) && (put(item->valuestring, n), true);
    }
    case cJSON_String:
        return string(item->valuestring);
    case cJSON_Array:
        if (!reserve(1))
            return false;
        *m_at++ = '[';
        for (const cJSON* element = item->child; element != nullptr; element = element->next) {
            if (!value(element, depth + 1))
                return false;
            if (element->next != nullptr) {
                if (!reserve(2))
                    return false;
                put(", ", 2);
            }
        }
        return reserve(1) && (*m_at++ = ']', true);
    case cJSON_Object:
        if (!reserve(2))
            return false;
        put("{\n", 2);
        for (const cJSON* member = item->child; member != nullptr; member = member->next) {
            if (!reserve(depth + 1))
                return false;
            tabs(depth + 1);
            if (!string(member->string) || !reserve(2))
                return false;
            put(":\t", 2);
            if (!value(member, depth + 1) || !reserve(2))
                return false;
            if (member->next != nullptr)
                *m_at++ = ',';
            *m_at++ = '\n';
        }
        if (!reserve(depth + 1))
            return false;
        tabs(depth);
        *m_at++ = '}';
        return true;
    default:
        return false;
    }
}

// A string as cJSON's print_string_ptr writes it: no text prints as "".
bool Printer::string(const char* text) {
    if (text == nullptr)
        return reserve(2) && (put("\"\"", 2), true);
    const size_t n = std::strlen(text);
    if (!reserve(n * 6 + 2))
        return false;
    *m_at++ = '"';
    for (const auto* in = reinterpret_cast<const unsigned char*>(text);; ++in) {
        const char escape = kStringBytes.of[*in];
        if (escape == 0) {
            *m_at++ = char(*in);
        } else if (escape == 1) {
            break;
        } else if (escape == 'u') {
            static const char kHex[] = "0123456789abcdef";
            put("\\u00", 4);
            *m_at++ = kHex[*in >> 4];
            *m_at++ = kHex[*in & 15];
        } else {
            *m_at++ = '\\';
            *m_at++ = escape;
        }
    }
    *m_at++ = '"';
    return true;
}

// A number as cJSON's print_number writes it. Integers below 10^15 come out
// as their digits whichever way the library prints them; everything else is
// left to the library itself.
bool Printer::number(const cJSON* item) {
    const double d = item->valuedouble;
    if (std::fabs(d) < 1e15 && d == double(int64_t(d)) && !(d == 0 && std::signbit(d))) {
        if (!reserve(20))
            return false;
        int64_t v = int64_t(d);
        char digits[20];
        char* p = digits + sizeof digits;
        uint64_t magnitude = v < 0 ? uint64_t(-v) : uint64_t(v);
        do {
            *--p = char('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (v < 0)
            *--p = '-';
        put(p, size_t(digits + sizeof digits - p));
        return true;
    }
    char printed[64];
    if (!cJSON_PrintPreallocated(const_cast<cJSON*>(item), printed, sizeof printed, false))
        return false;
    const size_t n = std::strlen(printed);
    return reserve(n) && (put(printed, n), true);
}

} // namespace

bool printJsonExactly(const cJSON* root, const JsonArena* arena, size_t sizeHint, char*& text,
                      size_t& length) {
    text = nullptr;
    length = 0;
    if (root == nullptr)
        return false;
    Printer printer(arena);
    return printer.run(root, sizeHint, text, length);
}
