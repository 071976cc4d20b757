#include "listfilter.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The prepared pattern must answer exactly as fnmatch does, shortcuts or not.
TEST(ListFilter, PreparedPatternsAgreeWithFnmatch) {
    const std::vector<std::string> patterns = {
        "",       "*",       "**",       "VOL1",        "vol1",        "VOL*",  "*01",
        "*OL0*",  "*ol0*",   "V?L*1",    "*L?0*",       "?",           "??",    "a*b*c",
        "*a*a",   "\\*",     "\\?*",     "a\\",         "[VW]OL*",     "[!V]*", "*[0-9]",
        "+(A|B)", "!(VOL*)", "@(Z1|Z2)", "*(ab)c",      "?(x)VOL01",   "Z1:*",  "*:1?",
        "é*",     "?té",     "É*",       "*Main Vault", "*main vault", "a(b)",  "+x",
    };
    const std::vector<std::string> texts = {
        "",      "VOL1", "vol1",       "VOL01",      "WOL01", "xVOL01", "Z1:12", "Z2:1",  "abc",
        "aXbYc", "aaa",  "*",          "?x",         "a\\",   "A",      "ab",    "ababc", "été",
        "Été",   "\xff", "Main Vault", "MAIN VAULT", "a(b)",  "+x",     "x",
    };
    for (unsigned flags : {FILTER_EXTMATCH, FILTER_EXTMATCH | FILTER_CASEFOLD})
        for (const std::string& pattern : patterns) {
            const FilterPattern prepared(pattern, flags);
            for (const std::string& text : texts)
                EXPECT_EQ(prepared.matches(text),
                          fnmatchFilter(pattern.c_str(), text.c_str(), flags))
                    << "pattern '" << pattern << "' text '" << text << "' flags " << flags;
        }
}

// Patterns made at random from the pieces that have quirks of their own
// (pattern lists, brackets, classes, escapes, characters beyond ASCII,
// invalid UTF-8), kept short so that fnmatch answers quickly.
TEST(ListFilter, GeneratedPatternsAgreeWithFnmatch) {
    const std::vector<std::string> pieces = {
        "a", "b", "A", "*",  "?", "[", "]", "!",    "^",         "-",     "(",     ")",
        "|", "+", "@", "\\", "é", "É", ".", "\xff", "[:alpha:]", "[=a=]", "[.-.]", "a-z",
    };
    const std::vector<std::string> letters = {"a", "b", "A", "é", "É", "-", "]", "(", "\xff", "x"};
    std::mt19937 random(20261208);
    int disagreements = 0;
    for (int i = 0; i < 20000 && disagreements < 10; ++i) {
        std::string pattern, text;
        for (unsigned k = random() % 11; k > 0; --k)
            pattern += pieces[random() % pieces.size()];
        for (unsigned k = random() % 8; k > 0; --k)
            text += letters[random() % letters.size()];
        const unsigned flags = FILTER_EXTMATCH | (random() % 2 ? FILTER_CASEFOLD : 0);
        const bool expected = fnmatchFilter(pattern.c_str(), text.c_str(), flags);
        if (FilterPattern(pattern, flags).matches(text) != expected) {
            ++disagreements;
            ADD_FAILURE() << "pattern '" << pattern << "' text '" << text << "' flags " << flags
                          << ": fnmatch says " << expected;
        }
    }
}

// Patterns on which fnmatch takes seconds, or overflows its stack, answer at
// once; nesting as deep as a pattern can be costs no stack either.
TEST(ListFilter, PatternsThatDefeatFnmatchAreAnswered) {
    const std::string as(16, 'a');
    EXPECT_FALSE(FilterPattern("+(+(a|aa)|a)*b", FILTER_EXTMATCH).matches(as));
    EXPECT_TRUE(FilterPattern("+(+(a|aa)|a)*b", FILTER_EXTMATCH).matches(as + "b"));
    const FilterPattern alternatives("*(a|aa|aaa)b", FILTER_EXTMATCH);
    EXPECT_FALSE(alternatives.matches(std::string(10000, 'a')));
    EXPECT_TRUE(alternatives.matches(std::string(9999, 'a') + "b"));
    std::string deep;
    for (int i = 0; i < 1000; ++i)
        deep += "@(";
    deep += "a" + std::string(1000, ')');
    EXPECT_TRUE(FilterPattern(deep, FILTER_EXTMATCH).matches(std::string("a")));
    EXPECT_FALSE(FilterPattern(deep, FILTER_EXTMATCH).matches(std::string("b")));
    EXPECT_EQ(FilterPattern(std::string(kMaxFilterPatternBytes + 1, '*'), FILTER_EXTMATCH)
                  .match(std::string("a")),
              FilterMatch::TooCostly);
}

// A cell beyond the matcher's bounds leaves its row out and is counted, so
// that the caller can say so; the other rows are matched as ever.
TEST(ListFilter, CellsBeyondTheBoundsAreCounted) {
    std::string nested;
    for (int i = 0; i < 50; ++i)
        nested += "!(*a";
    nested += std::string(50, ')');
    const std::vector<std::string> cells = {"b", std::string(1000, 'a'), "ab"};
    size_t tooCostly = 99;
    const std::vector<uint32_t> kept = filterRows(
        3, {{0, nested, FILTER_EXTMATCH}},
        [&](uint32_t row, unsigned, std::string& text) { text += cells[row]; }, &tooCostly);
    EXPECT_EQ(tooCostly, 1u);
    std::vector<uint32_t> expected;
    for (uint32_t row : {0u, 2u})
        if (fnmatchFilter(nested.c_str(), cells[row].c_str(), FILTER_EXTMATCH))
            expected.push_back(row);
    EXPECT_EQ(kept, expected);
}

TEST(ListFilter, MatchesCharactersNotBytesAndFoldsCaseOnlyWhenAsked) {
    EXPECT_TRUE(FilterPattern("?t?", FILTER_EXTMATCH).matches(std::string("été")));
    EXPECT_FALSE(FilterPattern("ÉTÉ", FILTER_EXTMATCH).matches(std::string("été")));
    EXPECT_TRUE(
        FilterPattern("ÉTÉ", FILTER_EXTMATCH | FILTER_CASEFOLD).matches(std::string("été")));
    EXPECT_FALSE(FilterPattern("vol*", FILTER_EXTMATCH).matches(std::string("VOL01")));
    EXPECT_TRUE(
        FilterPattern("vol*", FILTER_EXTMATCH | FILTER_CASEFOLD).matches(std::string("VOL01")));
    EXPECT_TRUE(FilterPattern("!(VOL*)", FILTER_EXTMATCH).matches(std::string("TAPE")));
}

TEST(ListFilter, FlagsFollowTheEnvironmentWhenMade) {
    {
        ScopedEnv unset(kFilterNoCaseVariable, std::nullopt);
        EXPECT_EQ(currentFilterFlags(), FILTER_EXTMATCH);
    }
    ScopedEnv empty(kFilterNoCaseVariable, std::string());
    EXPECT_EQ(currentFilterFlags(), FILTER_EXTMATCH | FILTER_CASEFOLD);
}

TEST(ListFilter, RowsMustMatchEveryFilter) {
    const std::vector<std::vector<std::string>> cells = {
        {"VOL1", "Main"}, {"VOL2", "Offsite"}, {"TAPE3", "Main"}, {"VOL4", "main"}};
    const FilterCellText text = [&](uint32_t row, unsigned column, std::string& out) {
        out += column < cells[row].size() ? cells[row][column] : std::string();
    };
    EXPECT_EQ(filterRows(4, {}, text), (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(filterRows(4, {{0, "VOL*", FILTER_EXTMATCH}, {1, "Main", FILTER_EXTMATCH}}, text),
              (std::vector<uint32_t>{0}));
    EXPECT_EQ(filterRows(4, {{1, "main", FILTER_EXTMATCH | FILTER_CASEFOLD}}, text),
              (std::vector<uint32_t>{0, 2, 3}));
    // A column the rows do not have reads as an empty cell.
    EXPECT_EQ(filterRows(4, {{7, "*", FILTER_EXTMATCH}}, text),
              (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_TRUE(filterRows(4, {{7, "?*", FILTER_EXTMATCH}}, text).empty());
}

} // namespace
