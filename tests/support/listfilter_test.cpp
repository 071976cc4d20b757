#include "listfilter.h"

#include "testsupport.h"

#include <gtest/gtest.h>

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
