#include "jsonexact.h"

#include <cjson/cJSON.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// ------------------------------------------------------------------ the text's scalar tokens

// A scalar token whose value the printer would not give back as it stands.
struct Special {
    size_t ordinal;   // position among all scalar tokens (member names included)
    size_t offset;    // where it starts in the text
    std::string text; // what to print instead (the token, zero bytes escaped)
    bool isName;      // a member name: cannot be printed from kept text
    bool isNumber;    // a number token (else a string)
};

// cJSON's whitespace: every byte up to the blank, the zero byte included.
bool isSpace(unsigned char c) {
    return c <= 32;
}

// A number exactly as a decimal value: sign, significant digits without
// leading or trailing zeros, and the power of ten of the first digit.
struct Decimal {
    bool negative = false;
    std::string digits;
    int64_t exponent = 0;
    bool operator==(const Decimal&) const = default;
};

// The decimal value of a JSON number text (as cJSON reads it: sign, digits,
// point, exponent). False when the text is not a number (null, inf).
bool decimalOf(const char* text, size_t length, Decimal& value) {
    const char* p = text;
    const char* end = text + length;
    value = Decimal{};
    if (p < end && (*p == '-' || *p == '+'))
        value.negative = *p++ == '-';
    int64_t point = 0; // digits before the point
    bool seenPoint = false;
    bool any = false;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            any = true;
            if (value.digits.empty() && *p == '0') {
                if (seenPoint)
                    --point; // a leading zero after the point shifts the value down
                continue;
            }
            value.digits.push_back(*p);
            if (!seenPoint)
                ++point;
        } else if (*p == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!any)
        return false;
    int64_t exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '-' || *p == '+'))
            negativeExponent = *p++ == '-';
        for (; p < end && *p >= '0' && *p <= '9'; ++p)
            if (exponent < INT64_C(1000000000000))
                exponent = exponent * 10 + (*p - '0'); // far past any double: saturated
        if (negativeExponent)
            exponent = -exponent;
    }
    while (!value.digits.empty() && value.digits.back() == '0')
        value.digits.pop_back();
    value.exponent = value.digits.empty() ? 0 : point + exponent;
    return true;
}

// True when cJSON prints the number of this token back with the same
// decimal value (and sign) as the token.
bool printsBackExactly(const char* token, size_t length) {
    // Plain integers of up to 15 digits: the double holds them exactly and
    // the printer writes all their digits. The common case, decided here.
    const char* digits = token[0] == '-' ? token + 1 : token;
    size_t count = length - size_t(digits - token);
    if (count >= 1 && count <= 15 && (digits[0] != '0' || count == 1) &&
        (digits[0] != '0' || token == digits)) {
        bool plain = true;
        for (size_t i = 0; i < count && plain; ++i)
            plain = digits[i] >= '0' && digits[i] <= '9';
        if (plain)
            return true;
    }
    // Everything else: let the printer itself say what it would write.
    std::string copy(token, length);
    cJSON number{};
    number.type = cJSON_Number;
    cJSON_SetNumberHelper(&number, std::strtod(copy.c_str(), nullptr));
    char printed[64];
    if (!cJSON_PrintPreallocated(&number, printed, sizeof printed, false))
        return false;
    Decimal before, after;
    return decimalOf(token, length, before) && decimalOf(printed, std::strlen(printed), after) &&
           before == after;
}

// Walks the scalar tokens of text[0, end) in order and lists the special ones.
class TokenScanner {
  public:
    TokenScanner(const char* text, size_t end)
        : m_text(text), m_end(end),
          // Most files hold no zero character at all: then a string needs
          // nothing but its end found.
          m_mayHoldZero(std::memchr(text, '\0', end) != nullptr || holdsZeroEscape(text, end)) {}

    std::vector<Special> scan() {
        size_t at = 0;
        if (m_end >= 3 && std::memcmp(m_text, "\xEF\xBB\xBF", 3) == 0)
            at = 3; // the byte-order mark cJSON skips
        // Whether the next string is a member name: after "{" or "," inside an object.
        std::vector<bool> inObject;
        bool expectName = false;
        size_t ordinal = 0;
        while (at < m_end) {
            unsigned char c = static_cast<unsigned char>(m_text[at]);
            switch (kClasses.of[c]) {
            case Space: // runs of tabs and line ends in formatted files
                do
                    ++at;
                while (at < m_end && kClasses.of[static_cast<unsigned char>(m_text[at])] == Space);
                break;
            case Open:
                inObject.push_back(c == '{');
                expectName = c == '{';
                ++at;
                break;
            case Close:
                if (!inObject.empty())
                    inObject.pop_back();
                expectName = false;
                ++at;
                break;
            case Comma:
                expectName = !inObject.empty() && inObject.back();
                ++at;
                break;
            case Quote:
                at = string(at, ordinal++, expectName);
                expectName = false;
                break;
            case NumberStart:
                at = number(at, ordinal++);
                break;
            case Letter:
                while (at < m_end && kClasses.of[static_cast<unsigned char>(m_text[at])] == Letter)
                    ++at; // true, false, null
                ++ordinal;
                break;
            default:
                return std::move(m_specials); // not in a text cJSON accepted: stop, never guess
            }
        }
        return std::move(m_specials);
    }

  private:
    // Whether a backslash in the text starts "\u0000" (backslashes are rare:
    // one memchr pass over the text usually finds none).
    static bool holdsZeroEscape(const char* text, size_t size) {
        const char* end = text + size;
        for (const char* at = text;;) {
            at = static_cast<const char*>(std::memchr(at, '\\', size_t(end - at)));
            if (!at)
                return false;
            if (end - at >= 6 && std::memcmp(at + 1, "u0000", 5) == 0)
                return true;
            ++at;
        }
    }

    enum ByteClass : uint8_t { Other, Space, Open, Close, Comma, Quote, NumberStart, Letter };
    struct Classes {
        ByteClass of[256];
        bool inNumber[256];
        Classes() : of(), inNumber() {
            for (int c = 0; c <= 32; ++c)
                of[c] = Space;
            of[':'] = Space;
            of['{'] = of['['] = Open;
            of['}'] = of[']'] = Close;
            of[','] = Comma;
            of['"'] = Quote;
            of['-'] = NumberStart;
            for (int c = '0'; c <= '9'; ++c)
                of[c] = NumberStart, inNumber[c] = true;
            for (int c = 'a'; c <= 'z'; ++c)
                of[c] = Letter;
            inNumber['+'] = inNumber['-'] = inNumber['.'] = inNumber['e'] = inNumber['E'] = true;
        }
    };
    static inline const Classes kClasses{};

    // A string token from its opening quote; the offset after its closing
    // one. Most strings hold no escape: found by memchr, and done.
    size_t string(size_t start, size_t ordinal, bool isName) {
        const char* end = m_text + m_end;
        const char* at = m_text + start + 1;
        if (!m_mayHoldZero) {
            // The closing quote is the first one after an even run of backslashes.
            for (;;) {
                const char* quote =
                    static_cast<const char*>(std::memchr(at, '"', size_t(end - at)));
                if (!quote)
                    return m_end;
                const char* back = quote;
                while (back > at && back[-1] == '\\')
                    --back;
                if ((quote - back) % 2 == 0)
                    return size_t(quote - m_text) + 1;
                at = quote + 1;
            }
        }
        bool zero = false;
        for (;;) {
            const char* quote = static_cast<const char*>(std::memchr(at, '"', size_t(end - at)));
            const char* stop = quote ? quote : end;
            const char* escape = static_cast<const char*>(std::memchr(at, '\\', size_t(stop - at)));
            const char* scanned = escape ? escape : stop;
            if (std::memchr(at, '\0', size_t(scanned - at)) != nullptr)
                zero = true;
            if (!escape) {
                at = stop;
                break;
            }
            // An escape: \u0000 is a zero character; any escape hides the
            // character after the backslash, a quote included.
            if (end - escape > 5 && escape[1] == 'u' && std::memcmp(escape + 2, "0000", 4) == 0)
                zero = true;
            at = escape + 2 <= end ? escape + 2 : end;
        }
        size_t after = at < end ? size_t(at - m_text) + 1 : m_end;
        if (zero) {
            std::string kept;
            kept.reserve(after - start + 8);
            for (size_t i = start; i < after; ++i) {
                if (m_text[i] == '\0')
                    kept += "\\u0000";
                else
                    kept.push_back(m_text[i]);
            }
            m_specials.push_back({ordinal, start, std::move(kept), isName, false});
        }
        return after;
    }

    // A number token as cJSON reads it: at most 63 characters of
    // [0-9+-.eE], of which strtod takes what forms a number.
    size_t number(size_t start, size_t ordinal) {
        char buffer[64];
        size_t n = 0;
        bool plainDigits = true;
        while (n < sizeof buffer - 1 && start + n < m_end &&
               kClasses.inNumber[static_cast<unsigned char>(m_text[start + n])]) {
            char c = m_text[start + n];
            plainDigits = plainDigits && ((c >= '0' && c <= '9') || (n == 0 && c == '-'));
            buffer[n++] = c;
        }
        buffer[n] = '\0';
        // The common case, a plain integer, is decided without strtod.
        if (plainDigits && printsBackExactly(buffer, n))
            return start + n;
        char* stop = nullptr;
        std::strtod(buffer, &stop);
        size_t length = size_t(stop - buffer);
        if (length == 0)
            length = 1;
        if (!printsBackExactly(buffer, length))
            m_specials.push_back({ordinal, start, std::string(buffer, length), false, true});
        return start + length;
    }

    const char* m_text;
    size_t m_end;
    bool m_mayHoldZero;
    std::vector<Special> m_specials;
};

// ------------------------------------------------------------------ the tree's scalar items

// Visits the tree's scalar tokens in text order (a member's name, then its
// value) and pairs the special ones with their items.
class TreeWalker {
  public:
    explicit TreeWalker(const std::vector<Special>& specials) : m_specials(specials) {}

    // False when a member name cannot be kept (failed then names it), or
    // when text and tree do not line up (failed is null): better to refuse
    // the file than to print a kept text in the wrong place.
    bool pair(cJSON* root, CRawValues& raw, const Special** failed) {
        m_raw = &raw;
        visit(root, false);
        *failed = m_failed;
        return m_failed == nullptr && !m_mismatch && m_next == m_specials.size();
    }

  private:
    void visit(cJSON* item, bool named) {
        if (done())
            return;
        if (named)
            token(item, true);
        if (cJSON_IsObject(item) || cJSON_IsArray(item)) {
            bool names = cJSON_IsObject(item);
            for (cJSON* child = item->child; child != nullptr && !done(); child = child->next)
                visit(child, names);
        } else {
            token(item, false);
        }
    }

    void token(cJSON* item, bool isName) {
        if (m_next >= m_specials.size())
            return; // the member name took the last one: its value needs nothing
        const Special& next = m_specials[m_next];
        if (next.ordinal == m_ordinal) {
            bool fits = isName ? next.isName
                               : !next.isName &&
                                     (next.isNumber ? cJSON_IsNumber(item) : cJSON_IsString(item));
            if (!fits)
                m_mismatch = true;
            else if (isName)
                m_failed = &next;
            else
                (*m_raw)[item] = next.text;
            ++m_next;
        }
        ++m_ordinal;
    }

    bool done() const { return m_failed != nullptr || m_mismatch || m_next >= m_specials.size(); }

    const std::vector<Special>& m_specials;
    CRawValues* m_raw = nullptr;
    size_t m_next = 0;
    size_t m_ordinal = 0;
    const Special* m_failed = nullptr;
    bool m_mismatch = false;
};

} // namespace

// ------------------------------------------------------------------ operations

std::string jsonTextPosition(const char* text, size_t offset) {
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

cJSON* parseJsonExactly(const char* text, size_t length, CRawValues& raw, std::string& error) {
    raw.clear();
    error.clear();
    const char* end = nullptr;
    cJSON* root = cJSON_ParseWithLengthOpts(text, length, &end, false);
    if (root == nullptr)
        return nullptr;
    size_t documentEnd = size_t(end - text);
    size_t rest = documentEnd;
    while (rest < length && isSpace(static_cast<unsigned char>(text[rest])))
        ++rest;
    if (rest < length) {
        cJSON_Delete(root);
        error = "the text after the end of the document starts at " + jsonTextPosition(text, rest);
        return nullptr;
    }

    std::vector<Special> specials = TokenScanner(text, documentEnd).scan();
    if (specials.empty())
        return root;
    const Special* failed = nullptr;
    if (!TreeWalker(specials).pair(root, raw, &failed)) {
        if (failed)
            error = "the member name " + failed->text + " at " +
                    jsonTextPosition(text, failed->offset) +
                    " holds a zero character, which cannot be saved back as it stands";
        else
            error = "its values could not be read exactly";
        raw.clear();
        cJSON_Delete(root);
        return nullptr;
    }
    return root;
}

CRawPrinting::CRawPrinting(const CRawValues& raw) {
    m_saved.reserve(raw.size());
    for (const auto& [item, text] : raw) {
        auto* node = const_cast<cJSON*>(item);
        m_saved.push_back({node, node->type, node->valuestring});
        node->valuestring = const_cast<char*>(text.c_str());
        node->type = (node->type & ~0xFF) | cJSON_Raw;
    }
}

CRawPrinting::~CRawPrinting() {
    for (const Saved& saved : m_saved) {
        saved.item->type = saved.type;
        saved.item->valuestring = saved.valuestring;
    }
}
