#include "listfilter.h"

#include "filterprogram.h"

#include <fnmatch.h>

#include <cstdlib>
#include <memory>

// ------------------------------------------------------------------ characters

locale_t filterUtf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = newlocale(LC_CTYPE_MASK | LC_COLLATE_MASK, name, locale_t(nullptr)))
                return l;
        return locale_t(nullptr);
    }();
    return locale;
}

locale_t filterClassLocale() {
    static const locale_t locale =
        filterUtf8Locale() ? filterUtf8Locale() : newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

bool decodeFilterUtf8(std::string_view text, std::vector<uint32_t>& out) {
    out.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        size_t length;
        uint32_t value, least;
        if (b < 0xC2)
            return false;
        else if (b < 0xE0)
            length = 2, value = b & 0x1F, least = 0x80;
        else if (b < 0xF0)
            length = 3, value = b & 0x0F, least = 0x800;
        else if (b < 0xF8)
            length = 4, value = b & 0x07, least = 0x10000;
        else if (b < 0xFC)
            length = 5, value = b & 0x03, least = 0x200000;
        else if (b < 0xFE)
            length = 6, value = b & 0x01, least = 0x4000000;
        else
            return false;
        if (length > n - i)
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (s[i + k] & 0x3F);
        }
        if (value < least || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        out.push_back(value);
        i += length;
    }
    return true;
}

void filterBytesOf(std::string_view text, std::vector<uint32_t>& out) {
    out.assign(reinterpret_cast<const unsigned char*>(text.data()),
               reinterpret_cast<const unsigned char*>(text.data()) + text.size());
}

// ------------------------------------------------------------------ private helpers

namespace {

int fnmatchFlags(unsigned flags) {
    return ((flags & FILTER_CASEFOLD) ? FNM_CASEFOLD : 0) |
           ((flags & FILTER_EXTMATCH) ? FNM_EXTMATCH : 0);
}

// ASCII lower case; every other byte as it is.
constexpr unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c | 0x20 : c;
}

bool isAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

// The text up to its first zero byte, as a C string reads it.
std::string_view cString(std::string_view text) {
    const size_t end = text.find('\0');
    return end == std::string_view::npos ? text : text.substr(0, end);
}

} // namespace

// ================================================================== public operations

// ------------------------------------------------------------------ flags

unsigned currentFilterFlags() {
    return FILTER_EXTMATCH | (std::getenv(kFilterNoCaseVariable) ? FILTER_CASEFOLD : 0);
}

// ------------------------------------------------------------------ the reference

bool fnmatchFilter(const char* pattern, const char* text, unsigned flags) {
    const locale_t locale = filterUtf8Locale();
    if (!locale)
        return fnmatch(pattern, text, fnmatchFlags(flags)) == 0;
    const locale_t previous = uselocale(locale);
    const bool match = fnmatch(pattern, text, fnmatchFlags(flags)) == 0;
    uselocale(previous);
    return match;
}

// ------------------------------------------------------------------ prepared patterns

FilterPattern::FilterPattern(std::string pattern, unsigned flags)
    : m_pattern(std::move(pattern)), m_flags(flags), m_bFold(flags & FILTER_CASEFOLD) {
    const std::string_view p = cString(m_pattern);
    const bool extmatch = flags & FILTER_EXTMATCH;
    m_bAsciiPattern = isAscii(p);
    if (p.size() > kMaxFilterPatternBytes) {
        m_bRefused = true;
        return;
    }

    // The general matcher, for every text the shortcuts below do not take:
    // the wide reading, and the byte reading when that differs.
    std::vector<uint32_t> chars;
    const FilterCharRules wide{true, m_bFold};
    const FilterCharRules bytes{false, m_bFold};
    if (decodeFilterUtf8(p, chars))
        m_pWide = std::make_shared<const FilterProgram>(chars, wide, extmatch);
    if (!m_bAsciiPattern) {
        filterBytesOf(p, chars);
        m_pBytes = std::make_shared<const FilterProgram>(chars, bytes, extmatch);
    }
    if ((m_pWide && m_pWide->refused) || (m_pBytes && m_pBytes->refused)) {
        m_bRefused = true;
        m_pWide.reset();
        m_pBytes.reset();
        return;
    }

    // Shortcuts for ASCII texts: literal ASCII, escapes, asterisks and
    // question marks. Anything else (bracket expressions, pattern lists, a
    // trailing backslash, characters beyond ASCII) takes the general matcher.
    std::vector<int> tokens;
    for (size_t i = 0; i < p.size(); ++i) {
        const unsigned char c = p[i];
        if (c >= 0x80 || c == '[')
            return;
        if (extmatch && i + 1 < p.size() && p[i + 1] == '(' &&
            (c == '?' || c == '*' || c == '+' || c == '@' || c == '!'))
            return;
        if (c == '\\') {
            if (i + 1 == p.size() || static_cast<unsigned char>(p[i + 1]) >= 0x80)
                return;
            const unsigned char escaped = p[++i];
            tokens.push_back(m_bFold ? fold(escaped) : escaped);
        } else if (c == '*') {
            if (tokens.empty() || tokens.back() != kStar)
                tokens.push_back(kStar);
        } else if (c == '?') {
            tokens.push_back(kAny);
        } else {
            tokens.push_back(m_bFold ? fold(c) : c);
        }
    }

    // The common shapes: "text", "text*", "*text", "*text*", "*".
    const auto literalBetween = [&](size_t from, size_t to) {
        std::string literal;
        for (size_t i = from; i < to; ++i) {
            if (tokens[i] < 0)
                return false;
            literal += char(tokens[i]);
        }
        m_literal = std::move(literal);
        return true;
    };
    const size_t n = tokens.size();
    const bool leadingStar = n > 0 && tokens.front() == kStar;
    const bool trailingStar = n > 0 && tokens.back() == kStar;
    if (n == 1 && leadingStar)
        m_kind = Kind::Everything;
    else if (!leadingStar && !trailingStar && literalBetween(0, n))
        m_kind = Kind::Exact;
    else if (!leadingStar && trailingStar && literalBetween(0, n - 1))
        m_kind = Kind::Prefix;
    else if (leadingStar && !trailingStar && literalBetween(1, n))
        m_kind = Kind::Suffix;
    else if (leadingStar && trailingStar && literalBetween(1, n - 1))
        m_kind = Kind::Contains;
    else {
        m_kind = Kind::Wildcards;
        m_tokens = std::move(tokens);
    }
}

// The literal equals text at position at (folding when asked).
bool FilterPattern::equalAt(std::string_view text, size_t at) const {
    if (!m_bFold)
        return text.compare(at, m_literal.size(), m_literal) == 0;
    for (size_t i = 0; i < m_literal.size(); ++i)
        if (fold(text[at + i]) != static_cast<unsigned char>(m_literal[i]))
            return false;
    return true;
}

// Asterisks and question marks over an ASCII text: advance on a match, and
// on a mismatch let the last asterisk take one more character.
bool FilterPattern::matchWildcards(std::string_view text) const {
    const size_t n = m_tokens.size();
    size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
    while (t < text.size()) {
        if (p < n && m_tokens[p] == kStar) {
            starP = ++p;
            starT = t;
            continue;
        }
        if (p < n &&
            (m_tokens[p] == kAny ||
             m_tokens[p] == (m_bFold ? fold(text[t]) : static_cast<unsigned char>(text[t])))) {
            ++p;
            ++t;
            continue;
        }
        if (starP == std::string::npos)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < n && m_tokens[p] == kStar)
        ++p;
    return p == n;
}

// The general matcher: glibc's wide reading when pattern and text are both
// valid UTF-8, and its byte reading when that finds no match.
FilterMatch FilterPattern::matchGeneral(std::string_view text, bool asciiText) const {
    std::vector<uint32_t>& chars = filterText();
    if (m_pWide &&
        (asciiText ? (filterBytesOf(text, chars), true) : decodeFilterUtf8(text, chars))) {
        const FilterMatch wide = runFilterProgram(*m_pWide, FilterCharRules{true, m_bFold});
        if (wide != FilterMatch::No)
            return wide;
        if (asciiText && m_bAsciiPattern)
            return FilterMatch::No; // the byte reading is the same
    }
    filterBytesOf(text, chars);
    const FilterProgram* bytes = m_pBytes ? m_pBytes.get() : m_pWide.get();
    return bytes ? runFilterProgram(*bytes, FilterCharRules{false, m_bFold}) : FilterMatch::No;
}

FilterMatch FilterPattern::match(std::string_view text) const {
    if (m_bRefused)
        return FilterMatch::TooCostly;
    text = cString(text);
    const bool asciiText = isAscii(text);
    if (m_kind == Kind::General || !asciiText)
        return matchGeneral(text, asciiText);
    return matchShortcut(text) ? FilterMatch::Yes : FilterMatch::No;
}

bool FilterPattern::matchShortcut(std::string_view text) const {
    const size_t size = m_literal.size();
    switch (m_kind) {
    case Kind::Everything:
        return true;
    case Kind::Exact:
        return text.size() == size && equalAt(text, 0);
    case Kind::Prefix:
        return text.size() >= size && equalAt(text, 0);
    case Kind::Suffix:
        return text.size() >= size && equalAt(text, text.size() - size);
    case Kind::Contains:
        if (!m_bFold)
            return text.find(m_literal) != std::string_view::npos;
        for (size_t at = 0; at + size <= text.size(); ++at)
            if (equalAt(text, at))
                return true;
        return false;
    case Kind::Wildcards:
        return matchWildcards(text);
    case Kind::General:
        break;
    }
    return false;
}

// ------------------------------------------------------------------ applying to rows

std::vector<uint32_t> filterRows(uint32_t rowCount, const std::vector<ColumnFilter>& filters,
                                 const FilterCellText& cellText, size_t* pTooCostly) {
    size_t tooCostly = 0;
    std::vector<FilterPattern> patterns;
    patterns.reserve(filters.size());
    for (const ColumnFilter& filter : filters)
        patterns.emplace_back(filter.pattern, filter.flags);

    std::vector<uint32_t> kept;
    kept.reserve(filters.empty() ? rowCount : 0);
    std::string text;
    for (uint32_t row = 0; row < rowCount; ++row) {
        bool keep = true;
        for (size_t i = 0; i < filters.size() && keep; ++i) {
            text.clear();
            cellText(row, filters[i].column, text);
            const FilterMatch match = patterns[i].match(text);
            tooCostly += match == FilterMatch::TooCostly;
            keep = match == FilterMatch::Yes;
        }
        if (keep)
            kept.push_back(row);
    }
    if (pTooCostly)
        *pTooCostly = tooCostly;
    return kept;
}
