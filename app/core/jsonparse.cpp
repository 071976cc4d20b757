// The one-pass parser of jsonexact.h. It follows cJSON's reading of a text
// step by step (what counts as whitespace, how a number's text is taken and
// converted, how escapes decode, where the nesting stops), so that it
// accepts the same texts and makes the same tree; it differs in where the
// memory comes from, in keeping the text of values the printer would change,
// and in saying where and why a text is refused.
#include "jsonarena.h"
#include "jsonexact.h"
#include "jsonkept.h"

#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using Byte = unsigned char;

// ------------------------------------------------------------------ bytes

// The bytes cJSON takes into a number's text before strtod reads it.
struct NumberBytes {
    bool of[256] = {};
    constexpr NumberBytes() {
        for (int c = '0'; c <= '9'; ++c)
            of[c] = true;
        of['+'] = of['-'] = of['.'] = of['e'] = of['E'] = true;
    }
};
constexpr NumberBytes kNumberBytes;

// cJSON's whitespace: every byte up to the blank, the zero byte included.
inline const Byte* skipSpace(const Byte* p, const Byte* end) {
    while (p < end && *p <= ' ')
        ++p;
    return p;
}

// The first '"', backslash or zero byte from p on, or end. Sixteen bytes at
// a time where the processor can: most strings are plain and this finds
// their end in one or two steps.
inline const Byte* findStringStop(const Byte* p, const Byte* end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
            _mm_cmpeq_epi8(bytes, zero));
        if (int mask = _mm_movemask_epi8(stops))
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '"' && *p != '\\' && *p != 0)
        ++p;
    return p;
}

// cJSON's reading of four hex digits: any other character makes the whole
// escape 0 (a zero character).
unsigned hex4(const Byte* p) {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        Byte c = p[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return 0;
        value = value << 4 | digit;
    }
    return value;
}

// cJSON's saturating conversion of a number to its int value.
int intOf(double number) {
    if (number >= INT_MAX)
        return INT_MAX;
    if (number <= double(INT_MIN))
        return INT_MIN;
    return int(number);
}

// ------------------------------------------------------------------ shared texts

// Texts that repeat share one copy in the arena. A scan file has a handful
// of member names, each hundreds of thousands of times, and values such as
// repository ids, media types and assignment times repeat nearly as often.
// A table of recent texts, indexed by a hash, finds them; a text that falls
// out of it is simply copied again.
class SharedTexts {
  public:
    struct Entry {
        const char* text = nullptr;
        size_t length = 0;
        cJSON* owner = nullptr; // the value node that has the text to itself so far
    };

    static constexpr size_t kLongest = 64; // longer texts are rare: not shared

    // The entry for n plain bytes (no escapes): its text is null, or a
    // different one, when they are not known yet.
    Entry& find(const Byte* p, size_t n) {
        uint64_t head = 0, tail = 0;
        const size_t part = n < 8 ? n : 8;
        std::memcpy(&head, p, part);
        std::memcpy(&tail, p + n - part, part);
        uint64_t h = (head * 0x9E3779B97F4A7C15u) ^ (tail * 0xC2B2AE3D27D4EB4Fu) ^ n;
        return m_entries[(h ^ h >> 29) & (kSlots - 1)];
    }
    static bool holds(const Entry& e, const Byte* p, size_t n) {
        return e.text != nullptr && e.length == n && std::memcmp(e.text, p, n) == 0;
    }

  private:
    static constexpr size_t kSlots = 4096;
    Entry m_entries[kSlots];
};

// ------------------------------------------------------------------ parser

class Parser {
  public:
    Parser(const char* text, size_t length, JsonArena& arena)
        : m_begin(reinterpret_cast<const Byte*>(text)), m_end(m_begin + length), m_arena(arena),
          m_stack(new (std::nothrow) Frame[kJsonNestingLimit]) {
        // strtod reads the locale's decimal point: cJSON hands it the text
        // with that in place of '.'.
        const std::lconv* locale = std::localeconv();
        if (locale != nullptr && locale->decimal_point != nullptr && locale->decimal_point[0])
            m_decimalPoint = locale->decimal_point[0];
    }

    // The root, or nullptr (see failure()).
    cJSON* run();
    // Where the document's text ends (after a successful run).
    const Byte* documentEnd() const { return m_documentEnd; }

    cJSON* fail(const Byte* at, const char* what) {
        m_errorAt = at;
        m_error = what;
        return nullptr;
    }
    cJSON* noMemory() {
        m_outOfMemory = true;
        return nullptr;
    }
    bool outOfMemory() const { return m_outOfMemory; }
    size_t errorOffset() const { return size_t(m_errorAt - m_begin); }
    const std::string& error() const { return m_error; }

  private:
    struct Frame {
        cJSON* container;
        cJSON* last; // its last element so far
    };
    // A string token, decoded into the arena.
    struct StringToken {
        char* text;      // zero-terminated
        bool holdsZero;  // the decoded text has a zero character
        const Byte* end; // after the closing quote
    };

    cJSON* newNode(int type) {
        void* memory = m_arena.newNode();
        if (memory == nullptr)
            return nullptr;
        cJSON* node = new (memory) cJSON();
        node->type = type;
        return node;
    }
    cJSON* stringValue(const Byte*& p);
    cJSON* numberValue(const Byte*& p);
    const Byte* memberName(const Byte* p, const char*& name);
    bool string(const Byte* p, StringToken& token);
    bool escapedString(const Byte* p, StringToken& token);
    bool strtodNumber(const Byte* p, double& value, const Byte*& after);
    cJSON* keptNode(const cJSON& parsed, const Byte* begin, const Byte* end);

    const Byte* m_begin;
    const Byte* m_end;
    JsonArena& m_arena;
    std::unique_ptr<Frame[]> m_stack;
    SharedTexts m_names;
    SharedTexts m_values;
    char m_decimalPoint = '.';
    const Byte* m_documentEnd = nullptr;
    const Byte* m_errorAt = nullptr;
    std::string m_error;
    bool m_outOfMemory = false;
};

cJSON* Parser::run() {
    if (!m_stack)
        return noMemory();
    const Byte* p = m_begin;
    // cJSON skips a byte-order mark only when more than four bytes start with it.
    if (m_end - p > 4 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        p += 3;
    p = skipSpace(p, m_end);
    cJSON* root = nullptr;
    const char* name = nullptr; // of the member whose value comes next
    size_t depth = 0;           // open arrays and objects
    for (;;) {
        // ---- a value
        if (p >= m_end)
            return fail(p, "a value was expected");
        cJSON* node = nullptr;
        switch (*p) {
        case '{':
        case '[':
            if (depth == size_t(kJsonNestingLimit))
                return fail(p, "arrays and objects nested at most 1000 deep were expected");
            node = newNode(*p == '{' ? cJSON_Object : cJSON_Array);
            ++p;
            break;
        case '"':
            node = stringValue(p);
            break;
        case 'n':
            if (m_end - p < 4 || std::memcmp(p, "null", 4) != 0)
                return fail(p, "a value was expected");
            node = newNode(cJSON_NULL);
            p += 4;
            break;
        case 'f':
            if (m_end - p < 5 || std::memcmp(p, "false", 5) != 0)
                return fail(p, "a value was expected");
            node = newNode(cJSON_False);
            p += 5;
            break;
        case 't':
            if (m_end - p < 4 || std::memcmp(p, "true", 4) != 0)
                return fail(p, "a value was expected");
            node = newNode(cJSON_True);
            if (node != nullptr)
                node->valueint = 1;
            p += 4;
            break;
        default:
            if (*p != '-' && (*p < '0' || *p > '9'))
                return fail(p, "a value was expected");
            node = numberValue(p);
            break;
        }
        if (node == nullptr)
            return m_outOfMemory || m_errorAt == nullptr ? noMemory() : nullptr;

        if (depth == 0) {
            root = node;
        } else {
            Frame& parent = m_stack[depth - 1];
            node->string = const_cast<char*>(name);
            if (parent.last != nullptr) {
                parent.last->next = node;
                node->prev = parent.last;
            } else {
                parent.container->child = node;
            }
            parent.last = node;
        }

        if (node->type == cJSON_Object || node->type == cJSON_Array) {
            const bool object = node->type == cJSON_Object;
            m_stack[depth++] = {node, nullptr};
            p = skipSpace(p, m_end);
            if (p >= m_end || *p != (object ? '}' : ']')) {
                if (object && (p = memberName(p, name)) == nullptr)
                    return nullptr;
                if (!object)
                    name = nullptr;
                continue; // to its first element
            }
            ++p;
            --depth; // empty; it is a value of its own container
        }

        // ---- after a value: the next element of its container, or its end
        for (;;) {
            if (depth == 0) {
                m_documentEnd = p;
                return root;
            }
            Frame& top = m_stack[depth - 1];
            const bool object = top.container->type == cJSON_Object;
            p = skipSpace(p, m_end);
            if (p < m_end && *p == ',') {
                p = skipSpace(p + 1, m_end);
                if (object && (p = memberName(p, name)) == nullptr)
                    return nullptr;
                if (!object)
                    name = nullptr;
                break;
            }
            if (p < m_end && *p == (object ? '}' : ']')) {
                ++p;
                // cJSON keeps the last element in the first one's prev: appending finds it there.
                if (top.container->child != nullptr)
                    top.container->child->prev = top.last;
                --depth;
                continue;
            }
            return fail(p, object ? "',' or '}' was expected" : "',' or ']' was expected");
        }
    }
}

// A member name from p (the text after "{" or ",", blanks skipped) up to
// the start of its value; nullptr when it is not there or not allowed.
const Byte* Parser::memberName(const Byte* p, const char*& name) {
    if (p >= m_end || *p != '"')
        return fail(p, "a member name in double quotes was expected"), nullptr;
    // Most names are short and plain: the same few, shared.
    const Byte* stop = findStringStop(p + 1, m_end);
    size_t n = size_t(stop - (p + 1));
    if (stop < m_end && *stop == '"' && n <= SharedTexts::kLongest) {
        // cJSON never writes into a name; it only frees it (which the arena
        // ignores) or puts another in its place.
        SharedTexts::Entry& shared = m_names.find(p + 1, n);
        if (!SharedTexts::holds(shared, p + 1, n)) {
            char* text = m_arena.newText(n + 1);
            if (text == nullptr)
                return noMemory(), nullptr;
            std::memcpy(text, p + 1, n);
            text[n] = '\0';
            shared = {text, n, nullptr};
        }
        name = shared.text;
        p = stop + 1;
    } else {
        StringToken token{};
        if (!string(p, token))
            return nullptr;
        if (token.holdsZero) {
            // Printed from the node's name, it would be cut at the zero.
            std::string shown(reinterpret_cast<const char*>(p), size_t(token.end - p));
            for (size_t at = 0; (at = shown.find('\0', at)) != std::string::npos; at += 6)
                shown.replace(at, 1, "\\u0000");
            if (shown.size() > 80) {
                size_t cut = 76;
                while (cut > 0 && (static_cast<Byte>(shown[cut]) & 0xC0) == 0x80)
                    --cut; // not inside a character
                shown = shown.substr(0, cut) + "...";
            }
            m_error = "the member name " + shown +
                      " holds a zero character, which cannot be saved back as it stands";
            m_errorAt = p;
            return nullptr;
        }
        name = token.text;
        p = token.end;
    }
    p = skipSpace(p, m_end);
    if (p >= m_end || *p != ':')
        return fail(p, "':' was expected after the member name"), nullptr;
    return skipSpace(p + 1, m_end);
}

cJSON* Parser::stringValue(const Byte*& p) {
    // A plain value that repeats shares its text. The nodes that share one
    // are marked as cJSON marks a string it does not own (cJSON_IsReference):
    // cJSON_SetValuestring then refuses to write into it, for all of them at
    // once; a shared value is changed by putting a new node in its place.
    const Byte* stop = findStringStop(p + 1, m_end);
    const size_t n = size_t(stop - (p + 1));
    if (stop < m_end && *stop == '"' && n <= SharedTexts::kLongest) {
        cJSON* node = newNode(cJSON_String);
        if (node == nullptr)
            return nullptr;
        SharedTexts::Entry& shared = m_values.find(p + 1, n);
        if (SharedTexts::holds(shared, p + 1, n)) {
            node->type |= cJSON_IsReference;
            if (shared.owner != nullptr)
                shared.owner->type |= cJSON_IsReference;
            shared.owner = nullptr;
        } else {
            char* text = m_arena.newText(n + 1);
            if (text == nullptr)
                return nullptr;
            std::memcpy(text, p + 1, n);
            text[n] = '\0';
            shared = {text, n, node};
        }
        node->valuestring = const_cast<char*>(shared.text);
        p = stop + 1;
        return node;
    }
    StringToken token{};
    if (!string(p, token))
        return nullptr;
    const Byte* begin = p;
    p = token.end;
    if (!token.holdsZero) {
        cJSON* node = newNode(cJSON_String);
        if (node != nullptr)
            node->valuestring = token.text;
        return node;
    }
    cJSON parsed{};
    parsed.type = cJSON_String;
    parsed.valuestring = token.text;
    return keptNode(parsed, begin, token.end);
}

bool Parser::string(const Byte* p, StringToken& token) {
    const Byte* stop = findStringStop(p + 1, m_end);
    if (stop >= m_end || *stop != '"')
        return escapedString(p, token);
    size_t n = size_t(stop - (p + 1));
    char* text = m_arena.newText(n + 1);
    if (text == nullptr)
        return noMemory(), false;
    std::memcpy(text, p + 1, n);
    text[n] = '\0';
    token = {text, false, stop + 1};
    return true;
}

// A string with escapes or zero bytes (or without an end), decoded as cJSON
// decodes it.
bool Parser::escapedString(const Byte* p, StringToken& token) {
    // Its end: a backslash hides the byte after it, a quote included.
    const Byte* close = p + 1;
    while (close < m_end && *close != '"') {
        if (*close == '\\') {
            if (close + 1 >= m_end)
                break;
            ++close;
        }
        ++close;
    }
    if (close >= m_end || *close != '"')
        return fail(p, "a closing quote was expected for the string that starts here"), false;

    // Escapes only shrink: the token's length is room enough.
    char* text = m_arena.newText(size_t(close - p));
    if (text == nullptr)
        return noMemory(), false;
    char* out = text;
    bool holdsZero = false;
    for (const Byte* in = p + 1; in < close;) {
        if (*in != '\\') {
            holdsZero = holdsZero || *in == 0;
            *out++ = char(*in++);
            continue;
        }
        switch (in[1]) {
        case 'b':
            *out++ = '\b';
            break;
        case 'f':
            *out++ = '\f';
            break;
        case 'n':
            *out++ = '\n';
            break;
        case 'r':
            *out++ = '\r';
            break;
        case 't':
            *out++ = '\t';
            break;
        case '"':
        case '\\':
        case '/':
            *out++ = char(in[1]);
            break;
        case 'u': {
            const char* pair = "a surrogate pair was expected: \\uD800 to \\uDBFF, then "
                               "\\uDC00 to \\uDFFF";
            if (close - in < 6)
                return fail(in, "four hex digits were expected after \\u"), false;
            unsigned long codepoint = hex4(in + 2);
            if (codepoint >= 0xDC00 && codepoint <= 0xDFFF)
                return fail(in, pair), false;
            if (codepoint >= 0xD800 && codepoint <= 0xDBFF) {
                const Byte* second = in + 6;
                if (close - second < 6 || second[0] != '\\' || second[1] != 'u')
                    return fail(in, pair), false;
                unsigned low = hex4(second + 2);
                if (low < 0xDC00 || low > 0xDFFF)
                    return fail(in, pair), false;
                codepoint = 0x10000 + (((codepoint & 0x3FF) << 10) | (low & 0x3FF));
                in += 6;
            }
            if (codepoint < 0x80) {
                holdsZero = holdsZero || codepoint == 0;
                *out++ = char(codepoint);
            } else if (codepoint < 0x800) {
                *out++ = char(0xC0 | (codepoint >> 6));
                *out++ = char(0x80 | (codepoint & 0x3F));
            } else if (codepoint < 0x10000) {
                *out++ = char(0xE0 | (codepoint >> 12));
                *out++ = char(0x80 | ((codepoint >> 6) & 0x3F));
                *out++ = char(0x80 | (codepoint & 0x3F));
            } else {
                *out++ = char(0xF0 | (codepoint >> 18));
                *out++ = char(0x80 | ((codepoint >> 12) & 0x3F));
                *out++ = char(0x80 | ((codepoint >> 6) & 0x3F));
                *out++ = char(0x80 | (codepoint & 0x3F));
            }
            in += 6;
            continue;
        }
        default:
            return fail(in,
                        "one of the escapes \\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u was expected"),
                   false;
        }
        in += 2;
    }
    *out = '\0';
    token = {text, holdsZero, close + 1};
    return true;
}

cJSON* Parser::numberValue(const Byte*& p) {
    // Plain integers of up to 15 digits, the common case, are read here:
    // the double holds them exactly, as strtod would give them.
    const Byte* q = p;
    const bool negative = *q == '-';
    q += negative;
    const Byte* digits = q;
    uint64_t integer = 0;
    while (q < m_end && q - digits < 16 && Byte(*q - '0') < 10)
        integer = integer * 10 + Byte(*q++ - '0');
    const size_t count = size_t(q - digits);
    double value = 0;
    const Byte* after = q;
    const bool plain = count >= 1 && count <= 15 && (q >= m_end || !kNumberBytes.of[*q]);
    if (plain)
        value = negative ? -double(integer) : double(integer);
    else if (!strtodNumber(p, value, after))
        return nullptr;

    cJSON parsed{};
    parsed.type = cJSON_Number;
    parsed.valuedouble = value;
    parsed.valueint = intOf(value);
    const Byte* begin = p;
    p = after;
    // The printer writes a plain integer's digits back as they stand (no
    // leading zeros, no "-0"); for everything else, ask it.
    bool exact = plain && (count == 1 || *digits != '0') && !(negative && integer == 0);
    if (!exact)
        exact =
            printsBackExactly(reinterpret_cast<const char*>(begin), size_t(after - begin), parsed);
    if (!exact)
        return keptNode(parsed, begin, after);
    cJSON* node = newNode(cJSON_Number);
    if (node != nullptr) {
        node->valuedouble = parsed.valuedouble;
        node->valueint = parsed.valueint;
    }
    return node;
}

// cJSON's reading of a number: every byte that may belong to one, handed to
// strtod, which takes what forms a number.
bool Parser::strtodNumber(const Byte* p, double& value, const Byte*& after) {
    const Byte* q = p;
    while (q < m_end && kNumberBytes.of[*q])
        ++q;
    const size_t n = size_t(q - p);
    char small[64];
    std::unique_ptr<char[]> large;
    char* copy = small;
    if (n >= sizeof small) {
        large.reset(new (std::nothrow) char[n + 1]);
        if (!large)
            return noMemory(), false;
        copy = large.get();
    }
    for (size_t i = 0; i < n; ++i)
        copy[i] = p[i] == '.' ? m_decimalPoint : char(p[i]);
    copy[n] = '\0';
    char* stop = nullptr;
    value = std::strtod(copy, &stop);
    if (stop == copy)
        return fail(p, "a number was expected"), false;
    after = p + (stop - copy);
    return true;
}

// A node for a value that keeps its token [begin, end) as its text.
cJSON* Parser::keptNode(const cJSON& parsed, const Byte* begin, const Byte* end) {
    size_t zeros = 0;
    for (const Byte* at = begin; at < end; ++at)
        zeros += *at == 0;
    const size_t length = size_t(end - begin) + zeros * 5;
    const size_t valueLength = parsed.valuestring ? std::strlen(parsed.valuestring) : 0;
    void* memory = m_arena.newRecord(sizeof(KeptNode));
    char* text = m_arena.newText(length + 1);
    char* copy = parsed.valuestring ? m_arena.newText(valueLength + 1) : nullptr;
    if (memory == nullptr || text == nullptr || (parsed.valuestring && copy == nullptr))
        return noMemory();
    char* out = text;
    for (const Byte* at = begin; at < end; ++at) {
        if (*at == 0) {
            std::memcpy(out, "\\u0000", 6);
            out += 6;
        } else {
            *out++ = char(*at);
        }
    }
    *out = '\0';
    if (copy != nullptr)
        std::memcpy(copy, parsed.valuestring, valueLength + 1);

    auto* kept = new (memory) KeptNode{};
    kept->node = parsed;
    kept->node.type = parsed.type | kJsonKeptText;
    kept->text = text;
    kept->length = length;
    kept->type = parsed.type;
    kept->valueint = parsed.valueint;
    kept->valuedouble = parsed.valuedouble;
    kept->valuestring = parsed.valuestring;
    kept->stringCopy = copy;
    return &kept->node;
}

} // namespace

cJSON* parseJsonExactly(const char* text, size_t length, std::unique_ptr<JsonArena>& arena,
                        std::string& error) {
    static const char kNoMemory[] = "there is not enough memory to hold its contents";
    error.clear();
    arena.reset();
    arena.reset(new (std::nothrow) JsonArena(length));
    if (!arena) {
        error = kNoMemory;
        return nullptr;
    }
    Parser parser(text, length, *arena);
    cJSON* root = parser.run();
    if (root != nullptr) {
        // Saving would drop anything after the document.
        const Byte* end = reinterpret_cast<const Byte*>(text) + length;
        const Byte* rest = skipSpace(parser.documentEnd(), end);
        if (rest < end)
            root = parser.fail(rest, "the end of the file was expected");
    }
    if (root == nullptr) {
        // Nothing but the arena holds the nodes made so far.
        error = parser.outOfMemory()
                    ? std::string(kNoMemory)
                    : jsonTextPosition(text, parser.errorOffset()) + ": " + parser.error();
        arena.reset();
    }
    return root;
}
