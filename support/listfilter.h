// Column filters of the lists: shell-wildcard patterns matched against cell
// texts, shared by the window's list control and kvlt-scan so that a filter
// keeps the same rows in both.
//
// The dialect is fnmatch's with FNM_EXTMATCH (the asterisk, the question
// mark, bracket expressions and the pattern lists ?(..) *(..) +(..) @(..)
// !(..)), and FNM_CASEFOLD when the filter's flags ask for it. Texts and
// patterns are UTF-8 and are matched as a UTF-8 locale matches them (a
// question mark takes one character, not one byte), whatever the process's
// own locale is, so the window and the command-line tool always agree.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// ------------------------------------------------------------------ flags

// The match flags a filter carries; the numbers are fnmatch's.
inline constexpr unsigned FILTER_CASEFOLD = 0x10; // letter case is ignored
inline constexpr unsigned FILTER_EXTMATCH = 0x20; // pattern lists are on

// The environment variable that makes filters made from now on ignore case
// (defined with any value, the empty one included).
inline constexpr char kFilterNoCaseVariable[] = "KVLTFILTERNOCASE";

// The flags of a filter made now: FILTER_EXTMATCH, with FILTER_CASEFOLD when
// KVLTFILTERNOCASE is defined. A filter keeps the flags it was made with.
unsigned currentFilterFlags();

// ------------------------------------------------------------------ matching

// The longest pattern a filter takes, in bytes. A longer one matches no
// text (a filter row has no use for more, and the matcher's memory grows
// with it).
inline constexpr size_t kMaxFilterPatternBytes = 4096;

// fnmatch itself, in a UTF-8 locale: true when text matches pattern. The
// reference that FilterPattern answers as, kept for tests and comparisons:
// its time grows exponentially with some patterns and its recursion with
// the length of the text, so the lists never call it.
bool fnmatchFilter(const char* pattern, const char* text, unsigned flags);

struct FilterProgram;

// How a text fared against a pattern. TooCostly: the pattern is beyond the
// matcher's bounds, or the text would take it beyond them; such a text is
// taken as not matching, and callers should say so.
enum class FilterMatch { No, Yes, TooCostly };

// One pattern prepared for many texts, answering as fnmatchFilter does on
// every pattern and text it answers, in time that grows with the product of
// the pattern's and the text's lengths and with no recursion. Plain texts,
// prefixes, suffixes, "*part*" and patterns of asterisks and question marks
// over ASCII texts are matched directly; everything else runs through an
// automaton built once per pattern. A pattern the automaton cannot be built
// for within its bounds (a million states), or one longer than
// kMaxFilterPatternBytes, is TooCostly for every text; so is a text whose
// run would take more than some 64 MiB of memory or a few milliseconds of
// work (only !( ) lists nested dozens deep over long texts come near).
class FilterPattern {
  public:
    FilterPattern(std::string pattern, unsigned flags);

    // text is read up to its first zero byte, as a C string would be.
    FilterMatch match(std::string_view text) const;
    bool matches(std::string_view text) const { return match(text) == FilterMatch::Yes; }
    bool matches(const std::string& text) const { return matches(std::string_view(text)); }

    const std::string& pattern() const { return m_pattern; }
    unsigned flags() const { return m_flags; }

  private:
    enum class Kind { General, Everything, Exact, Prefix, Suffix, Contains, Wildcards };
    static constexpr int kStar = -1;
    static constexpr int kAny = -2;

    bool equalAt(std::string_view text, size_t at) const;
    bool matchWildcards(std::string_view text) const;
    bool matchShortcut(std::string_view text) const;
    FilterMatch matchGeneral(std::string_view text, bool asciiText) const;

    std::string m_pattern;
    unsigned m_flags;
    bool m_bFold;
    bool m_bAsciiPattern = false;
    bool m_bRefused = false;
    Kind m_kind = Kind::General;
    std::string m_literal;     // Exact, Prefix, Suffix, Contains; lower case when folding
    std::vector<int> m_tokens; // Wildcards: bytes (lower case when folding), kStar, kAny
    // The automaton for the wide reading (pattern valid UTF-8) and for the
    // byte reading (pattern not plain ASCII); shared by copies.
    std::shared_ptr<const FilterProgram> m_pWide;
    std::shared_ptr<const FilterProgram> m_pBytes;
};

// ------------------------------------------------------------------ applying to rows

// A filter of one column: the cell text of that column must match pattern.
struct ColumnFilter {
    unsigned column = 0;
    std::string pattern;
    unsigned flags = FILTER_EXTMATCH;
};

// Appends the UTF-8 text of the cell (row, column) to text (which comes empty).
using FilterCellText = std::function<void(uint32_t row, unsigned column, std::string& text)>;

// The rows 0..rowCount-1, ascending, whose cells match every filter; all
// rows when there are no filters. Each pattern is prepared once. When
// pTooCostly is given it receives the number of cells that were beyond the
// matcher's bounds (their rows are left out).
std::vector<uint32_t> filterRows(uint32_t rowCount, const std::vector<ColumnFilter>& filters,
                                 const FilterCellText& cellText, size_t* pTooCostly = nullptr);
