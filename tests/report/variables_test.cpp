// Report variables: expansion of $name and %name, the escapes, buffer
// limits, date variables, the variables file and date expressions.

#include <ctime>
#include <string>

#include "reporttestsupport.h"
#include "variables.h"

namespace {

std::string expand(ReportVariables* v, const char* text, size_t size = 256, int noEnvironment = 0) {
    std::string buffer(size, 'Z');
    v->expandText(v, text, buffer.data(), size, noEnvironment);
    EXPECT_EQ(buffer[size - 1], '\0');
    return buffer.c_str();
}

// The packed date of a local calendar date.
PackedDate date(int year, int month, int day) {
    return packDate(year, month, day);
}

// Today's local date moved by days (at noon, so DST never matters).
struct tm localDate(int days = 0) {
    time_t now = std::time(nullptr);
    struct tm t {};
    localtime_r(&now, &t);
    t.tm_mday += days;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    mktime(&t);
    return t;
}

PackedDate packTm(const struct tm& t) {
    return packDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

class Variables : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        variablesInit(&vars, nullptr, 0);
    }
    void TearDown() override {
        vars.variablesDestroy(&vars);
        ReportTest::TearDown();
    }
    ReportVariables vars;
};

TEST_F(Variables, DollarReferencesEscapesAndTheSwallowedDot) {
    vars.setVariable(&vars, "site", "%s", "North");
    vars.setVariable(&vars, "base", "vault-%d", 7);
    EXPECT_EQ(expand(&vars, "Site: $site."), "Site: North");
    EXPECT_EQ(expand(&vars, "$base.txt"), "vault-7txt");
    EXPECT_EQ(expand(&vars, "$missing"), "$missing");
    EXPECT_EQ(expand(&vars, "$$site"), "$site");
    EXPECT_EQ(expand(&vars, "cost: $ 5 and $"), "cost: $ 5 and $");
    EXPECT_EQ(expand(&vars, "$site-$site_2!"), "$site-$site_2!"); // names include - and _
    vars.setVariable(&vars, "site", "%s", "South");
    EXPECT_EQ(expand(&vars, "[$site]"), "[South]");
}

TEST_F(Variables, TitlesAndNotesReplaceOnlyTheNamesOfVariables) {
    setenv("KVLTTESTSITE", "East", 1);
    vars.setVariable(&vars, "site", "%s", "North");
    EXPECT_EQ(expandVariableNames(&vars, "Stock 50%off $site."), "Stock 50%off North.");
    EXPECT_EQ(expandVariableNames(&vars, "%HOME %KVLTTESTSITE %% $missing $ $site_2 $site"),
              "%HOME %KVLTTESTSITE %% $missing $ $site_2 North");
    EXPECT_EQ(expandVariableNames(&vars, "Müller $site Ærø"), "Müller North Ærø");
    EXPECT_EQ(expandVariableNames(nullptr, "$site 5%"), "$site 5%");
}

TEST_F(Variables, PercentReferencesReadTheEnvironmentUnlessForbidden) {
    setenv("KVLTTESTSITE", "East", 1);
    EXPECT_EQ(expand(&vars, "%KVLTTESTSITE."), "East");
    EXPECT_EQ(expand(&vars, "%KVLTTESTSITE", 256, 1), "***BADENV:KVLTTESTSITE***");
    EXPECT_EQ(expand(&vars, "%PATH", 256, 1), "***BADENV:PATH***");
    EXPECT_EQ(expand(&vars, "%KVLTNOSUCHVARIABLE"), "***BADENV:KVLTNOSUCHVARIABLE***");
    EXPECT_EQ(expand(&vars, "100% sure, %%KVLTTESTSITE"), "100% sure, %KVLTTESTSITE");
}

TEST_F(Variables, SmallBuffersCutTextButLeaveOutWholeReplacements) {
    vars.setVariable(&vars, "site", "%s", "North");
    EXPECT_EQ(expand(&vars, "abcdefghijkl", 8), "abcdefg");
    EXPECT_EQ(expand(&vars, "abc$site", 8), "abc");    // 3 + 5 would need 9 bytes
    EXPECT_EQ(expand(&vars, "ab$site", 8), "abNorth"); // exactly fits
    EXPECT_EQ(expand(&vars, "abc$site!!", 8), "abc!!");
}

TEST_F(Variables, DateVariablesAreRecomputedAtEveryExpansion) {
    config_setting_t* group = config_setting_add(
        config_setting_get_member(config_root_setting(vars.configuration), "variable"), "year",
        CONFIG_TYPE_GROUP);
    config_setting_set_string(config_setting_add(group, "type", CONFIG_TYPE_STRING), "date");
    config_setting_set_string(config_setting_add(group, "date", CONFIG_TYPE_STRING), "Y+0");
    config_setting_set_string(config_setting_add(group, "value", CONFIG_TYPE_STRING), "stale");
    char expected[32];
    std::snprintf(expected, sizeof expected, "%d-01-01", localDate().tm_year + 1900);
    EXPECT_EQ(expand(&vars, "from $year"), std::string("from ") + expected);
    config_setting_set_string(config_setting_add(group, "format", CONFIG_TYPE_STRING), "%d.%m.%Y");
    std::snprintf(expected, sizeof expected, "01.01.%d", localDate().tm_year + 1900);
    EXPECT_EQ(expand(&vars, "$year"), expected);
}

TEST_F(Variables, VariablesFileAndCallerStores) {
    TempDir dir;
    std::string file = dir.path("vars.cfg");
    writeFile(
        file,
        "variable = { site = { value = \"West\"; };\n"
        "  today = { type = \"date\"; date = \"2024-05-06+3\"; format = \"%A %d %B %Y\"; }; };\n");
    setenv("KVLTVARFILE", file.c_str(), 1);
    ReportVariables fromFile;
    variablesInit(&fromFile, nullptr, 0);
    EXPECT_EQ(expand(&fromFile, "$site $today"), "West Thursday 09 May 2024");
    fromFile.variablesDestroy(&fromFile);

    // A malformed file leaves an empty store that still takes variables.
    writeFile(file, "variable = { site = ");
    variablesInit(&fromFile, nullptr, 0);
    EXPECT_EQ(expand(&fromFile, "$site"), "$site");
    fromFile.setVariable(&fromFile, "site", "x");
    EXPECT_EQ(expand(&fromFile, "$site"), "x");
    fromFile.variablesDestroy(&fromFile);

    // The application base's own store is used as it is: no file is read.
    config_t store;
    config_init(&store);
    ReportVariables shared;
    variablesInit(&shared, &store, 1);
    EXPECT_EQ(shared.ownsStore, 0u);
    shared.setVariable(&shared, "k", "%d", 5);
    EXPECT_STREQ(config_setting_get_string(config_lookup(&store, "variable.k.value")), "5");
    shared.variablesDestroy(&shared);
    config_destroy(&store);
}

TEST_F(Variables, LockAndTotal) {
    EXPECT_TRUE(vars.lockFlags & kVariablesLockReady);
    EXPECT_EQ(vars.add(&vars, 5), 5u);
    EXPECT_EQ(vars.add(&vars, 2), 7u);
    vars.enter(&vars);
    vars.leave(&vars);
    EXPECT_EQ(vars.total, 7u);
}

TEST_F(Variables, InvalidNamesAreNotStored) {
    vars.setVariable(&vars, "9lives", "%s", "x");
    vars.setVariable(&vars, "with space", "%s", "x");
    EXPECT_EQ(expand(&vars, "$9lives"), "$9lives");
}

// ------------------------------------------------------------------ date expressions

TEST(DateExpressions, AbsoluteDatesAndYears) {
    PackedDate d = 0;
    ASSERT_EQ(parseDateExpression("2024-05-06+3", &d), 1);
    EXPECT_EQ(d, date(2024, 5, 9));
    ASSERT_EQ(parseDateExpression("2024-02-28+1", &d), 1);
    EXPECT_EQ(d, date(2024, 2, 29));
    ASSERT_EQ(parseDateExpression("2023-12-31+1", &d), 1);
    EXPECT_EQ(d, date(2024, 1, 1));
    ASSERT_EQ(parseDateExpression("2024-03-01-1", &d), 1);
    EXPECT_EQ(d, date(2024, 2, 29));
    ASSERT_EQ(parseDateExpression("1999", &d), 1);
    EXPECT_EQ(d, date(1999, 1, 1));
    // The packed form: year, month, day fields and the two top bits.
    EXPECT_EQ(date(2024, 5, 9), 0xC9050000u | 2024u);
}

TEST(DateExpressions, InvalidTexts) {
    PackedDate d = 0x1234;
    for (const char* text : {"99", "M", "M1", "x+1", "", "3000", "2024-5-6", "**"})
        EXPECT_EQ(parseDateExpression(text, &d), 0) << text;
    EXPECT_EQ(d, 0x1234u);
    EXPECT_EQ(parseDateExpression(nullptr, &d), 0);
}

TEST(DateExpressions, RelativeToToday) {
    struct tm today = localDate();
    int year = today.tm_year + 1900;
    int month = today.tm_mon + 1;
    PackedDate d = 0;

    ASSERT_EQ(parseDateExpression("M+0", &d), 1);
    EXPECT_EQ(d, date(year, month, 1));
    ASSERT_EQ(parseDateExpression("M-1+14", &d), 1);
    EXPECT_EQ(d, month == 1 ? date(year - 1, 12, 15) : date(year, month - 1, 15));
    ASSERT_EQ(parseDateExpression("m+0", &d), 1);
    struct tm last {};
    last.tm_year = today.tm_year;
    last.tm_mon = today.tm_mon + 1;
    last.tm_mday = 0; // day 0 of next month: the last day of this one
    last.tm_hour = 12;
    last.tm_isdst = -1;
    mktime(&last);
    EXPECT_EQ(d, packTm(last));
    ASSERT_EQ(parseDateExpression("M+12", &d), 1);
    EXPECT_EQ(d, date(year + 1, month, 1));

    ASSERT_EQ(parseDateExpression("Y+1", &d), 1);
    EXPECT_EQ(d, date(year + 1, 1, 1));
    ASSERT_EQ(parseDateExpression("y-1", &d), 1);
    EXPECT_EQ(d, date(year - 1, 12, 31));
    ASSERT_EQ(parseDateExpression("Y+0-1", &d), 1);
    EXPECT_EQ(d, date(year - 1, 12, 31));

    ASSERT_EQ(parseDateExpression("W+0+1", &d), 1);
    EXPECT_EQ(d, packTm(localDate(1 - today.tm_wday)));
    ASSERT_EQ(parseDateExpression("W-2", &d), 1);
    EXPECT_EQ(d, packTm(localDate(-today.tm_wday - 14)));

    // "*" forms are an hour earlier than now: near midnight that is
    // yesterday, so either date is right.
    ASSERT_EQ(parseDateExpression("*", &d), 1);
    EXPECT_TRUE(d == packTm(localDate()) || d == packTm(localDate(-1)));
    ASSERT_EQ(parseDateExpression("*-7", &d), 1);
    EXPECT_TRUE(d == packTm(localDate(-7)) || d == packTm(localDate(-8)));
}

TEST(DateExpressions, HugeOffsetsFallBackToToday) {
    PackedDate d = 0;
    ASSERT_EQ(parseDateExpression("M+999999999999999999999", &d), 1);
    EXPECT_EQ(d, packTm(localDate()));
    ASSERT_EQ(parseDateExpression("Y-99999999", &d), 1);
    EXPECT_EQ(d, packTm(localDate()));
}

} // namespace

namespace {

TEST(DateExpressions, ExtremeNumbersEverywhereStayValidAndSafe) {
    PackedDate d = 0;
    for (const char* text :
         {"M-1+99999999999999999999", "m+1-99999999999999999999", "W+1+99999999999999999999",
          "W-99999999999999999999", "y+1+99999999999999999999", "*+99999999999999999999",
          "2024-05-06+99999999999999999999", "9999-99-99-99999999999"}) {
        EXPECT_EQ(parseDateExpression(text, &d), 1) << text;
        EXPECT_EQ(d & 0xC0000000u, 0xC0000000u) << text;
    }
}

} // namespace
