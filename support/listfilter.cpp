#include "listfilter.h"

#include <fnmatch.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>

// ------------------------------------------------------------------ private helpers

namespace {

// The locale fnmatch runs in: a UTF-8 one, so that the window (which runs in
// the user's locale) and kvlt-scan (which runs in "C") match alike. Null when
// the machine has none; fnmatch then runs in the thread's own locale.
locale_t utf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = newlocale(LC_CTYPE_MASK | LC_COLLATE_MASK, name, locale_t(nullptr)))
                return l;
        return locale_t(nullptr);
    }();
    return locale;
}

// Over ASCII patterns and texts the "C" locale answers as the UTF-8 one does
// (ranges, classes and case alike) and fnmatch runs far faster there.
locale_t asciiLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

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

} // namespace

// ------------------------------------------------------------------ flags

unsigned currentFilterFlags() {
    return FILTER_EXTMATCH | (std::getenv(kFilterNoCaseVariable) ? FILTER_CASEFOLD : 0);
}

// ------------------------------------------------------------------ fnmatch

namespace {
bool fnmatchIn(locale_t locale, const char* pattern, const char* text, unsigned flags) {
    if (!locale)
        return fnmatch(pattern, text, fnmatchFlags(flags)) == 0;
    const locale_t previous = uselocale(locale);
    const bool match = fnmatch(pattern, text, fnmatchFlags(flags)) == 0;
    uselocale(previous);
    return match;
}
} // namespace

bool fnmatchFilter(const char* pattern, const char* text, unsigned flags) {
    return fnmatchIn(utf8Locale(), pattern, text, flags);
}

// ------------------------------------------------------------------ prepared patterns

FilterPattern::FilterPattern(std::string pattern, unsigned flags)
    : m_pattern(std::move(pattern)), m_flags(flags), m_bFold(flags & FILTER_CASEFOLD) {
    // Anything beyond literal ASCII, escapes, asterisks and question marks is
    // left to fnmatch: bracket expressions, pattern lists, a trailing
    // backslash, characters outside ASCII (case folding and character
    // boundaries are the locale's business there).
    const bool extmatch = flags & FILTER_EXTMATCH;
    m_bAsciiPattern = isAscii(m_pattern);
    std::vector<int> tokens;
    const std::string& p = m_pattern;
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

bool FilterPattern::matches(std::string_view text) const {
    const bool asciiText = isAscii(text);
    if (m_kind == Kind::Fnmatch || !asciiText)
        return fnmatchIn(m_bAsciiPattern && asciiText ? asciiLocale() : utf8Locale(),
                         m_pattern.c_str(), text.data(), m_flags);
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
    case Kind::Fnmatch:
        break;
    }
    return false;
}

// ------------------------------------------------------------------ applying to rows

std::vector<uint32_t> filterRows(uint32_t rowCount, const std::vector<ColumnFilter>& filters,
                                 const FilterCellText& cellText) {
    std::vector<FilterPattern> patterns;
    patterns.reserve(filters.size());
    for (const ColumnFilter& filter : filters)
        patterns.emplace_back(filter.pattern, filter.flags);

    std::vector<uint32_t> kept;
    if (filters.empty()) {
        kept.resize(rowCount);
        for (uint32_t row = 0; row < rowCount; ++row)
            kept[row] = row;
        return kept;
    }
    std::string text;
    for (uint32_t row = 0; row < rowCount; ++row) {
        bool keep = true;
        for (size_t i = 0; i < filters.size() && keep; ++i) {
            text.clear();
            cellText(row, filters[i].column, text);
            keep = patterns[i].matches(text);
        }
        if (keep)
            kept.push_back(row);
    }
    return kept;
}
