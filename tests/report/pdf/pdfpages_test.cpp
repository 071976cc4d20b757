// Page geometry and the page header and footer, as poppler reads them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "pdf/pdfrender.h"
#include "pdftestsupport.h"
#include "timetext.h"

namespace {

// The rows "Row nnnnn" that pdftotext finds on one page.
int rowsOnPage(const std::string& pdf, int page) {
    const std::string text = pageText(pdf, page);
    int rows = 0;
    for (size_t at = text.find("Row "); at != std::string::npos; at = text.find("Row ", at + 1))
        rows += at + 9 <= text.size() &&
                std::all_of(text.begin() + long(at) + 4, text.begin() + long(at) + 9, ::isdigit);
    return rows;
}

struct RowsCase {
    const char* name;
    uint32_t orientation;
    const char* notes;
    int perPage;
    double width, height;
};

void PrintTo(const RowsCase& c, std::ostream* out) {
    *out << c.name;
}

class RowsPerPage : public ::testing::TestWithParam<RowsCase> {
    CleanPdfEnvironment m_env;
};

} // namespace

TEST_P(RowsPerPage, FillsEveryPageAndCarriesTheRestOver) {
    const RowsCase& c = GetParam();
    TempDir dir;
    const std::string pdf = dir.path("rows.pdf");
    const uint32_t rows = uint32_t(c.perPage) * 2 + 5;
    ASSERT_EQ(
        writeSimpleReport(pdf, {.rows = rows, .notes = c.notes, .orientation = c.orientation}), 0u);

    ASSERT_EQ(pageCount(pdf), 3);
    for (int page = 1; page <= 3; ++page) {
        const PageSize size = pageSize(pdf, page);
        EXPECT_NEAR(size.width, c.width, 0.01);
        EXPECT_NEAR(size.height, c.height, 0.01);
    }
    EXPECT_EQ(rowsOnPage(pdf, 1), c.perPage);
    EXPECT_EQ(rowsOnPage(pdf, 2), c.perPage);
    EXPECT_EQ(rowsOnPage(pdf, 3), 5);
    // The first row of page 2 follows the last of page 1.
    char first[16];
    std::snprintf(first, sizeof first, "Row %05d", c.perPage + 1);
    EXPECT_NE(pageText(pdf, 2).find(first), std::string::npos);
    EXPECT_NE(pageText(pdf, 3).find("Page 3"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(LetterPages, RowsPerPage,
                         ::testing::Values(RowsCase{"PortraitNoNotes", 0, nullptr, 54, 612, 792},
                                           RowsCase{"PortraitEmptyNotes", 0, "", 52, 612, 792},
                                           RowsCase{"LandscapeNoNotes", 1, nullptr, 39, 792, 612},
                                           RowsCase{"LandscapeNotes", 1, "Zone A only", 37, 792,
                                                    612}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ page sizes

struct SizeCase {
    const char* name;
    uint32_t index;
    double width, height;
};

void PrintTo(const SizeCase& c, std::ostream* out) {
    *out << c.name;
}

class PageSizes : public ::testing::TestWithParam<SizeCase> {
    CleanPdfEnvironment m_env;
};

TEST_P(PageSizes, PortraitAndLandscapeFromTheSetter) {
    const SizeCase& c = GetParam();
    TempDir dir;
    ASSERT_EQ(writeSimpleReport(dir.path("p.pdf"), {.rows = 1, .pageSize = c.index}), 0u);
    ASSERT_EQ(
        writeSimpleReport(dir.path("l.pdf"), {.rows = 1, .orientation = 1, .pageSize = c.index}),
        0u);
    PageSize portrait = pageSize(dir.path("p.pdf"), 1), landscape = pageSize(dir.path("l.pdf"), 1);
    EXPECT_NEAR(portrait.width, c.width, 0.01);
    EXPECT_NEAR(portrait.height, c.height, 0.01);
    EXPECT_NEAR(landscape.width, c.height, 0.01);
    EXPECT_NEAR(landscape.height, c.width, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Predefined, PageSizes,
    ::testing::Values(SizeCase{"Letter", 0, 612, 792}, SizeCase{"Legal", 1, 612, 1008},
                      SizeCase{"A3", 2, 841.89, 1190.551}, SizeCase{"A4", 3, 595.276, 841.89},
                      SizeCase{"A5", 4, 419.528, 595.276}, SizeCase{"B4", 5, 708.661, 1000.63},
                      SizeCase{"B5", 6, 498.898, 708.661}, SizeCase{"Executive", 7, 522, 756},
                      SizeCase{"Comm10", 11, 297, 684}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageSetup, EnvironmentOverridesTheSettersInAnyCase) {
    CleanPdfEnvironment env;
    TempDir dir;
    ScopedEnv size("KVLTPDFPAGESIZE", "a4"), orientation("KVLTPDFORIENTATION", "LandScape");
    ASSERT_EQ(writeSimpleReport(dir.path("a4.pdf"), {.rows = 1, .orientation = 0, .pageSize = 1}),
              0u);
    const PageSize a4 = pageSize(dir.path("a4.pdf"), 1);
    EXPECT_NEAR(a4.width, 841.89, 0.01);
    EXPECT_NEAR(a4.height, 595.276, 0.01);

    ScopedEnv unknownSize("KVLTPDFPAGESIZE", "tabloid"),
        unknownOrientation("KVLTPDFORIENTATION", "sideways");
    ASSERT_EQ(
        writeSimpleReport(dir.path("letter.pdf"), {.rows = 1, .orientation = 1, .pageSize = 3}),
        0u);
    const PageSize letter = pageSize(dir.path("letter.pdf"), 1);
    EXPECT_NEAR(letter.width, 612, 0.01);
    EXPECT_NEAR(letter.height, 792, 0.01);
}

TEST(PageSetup, SizeOrDirectionOutsideLibharusTablesKeepsTheDefaultSize) {
    CleanPdfEnvironment env;
    TempDir dir;
    struct Case {
        uint32_t size, orientation;
    };
    // 12 is libharu's end marker, which it would accept and read past its table.
    for (const Case& c : {Case{12, 0}, Case{13, 0}, Case{9999, 1}, Case{0, 2}}) {
        const std::string pdf = dir.path("odd" + std::to_string(c.size) + ".pdf");
        ::testing::internal::CaptureStdout();
        const uint32_t result =
            writeSimpleReport(pdf, {.rows = 60, .orientation = c.orientation, .pageSize = c.size});
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, 0u);
        EXPECT_EQ(out, "") << "no library noise on standard output";
        ASSERT_EQ(pageCount(pdf), 2);
        const PageSize size = pageSize(pdf, 2);
        // libharu's default page, A4, written in whole points.
        EXPECT_NEAR(size.width, 595.276, 1);
        EXPECT_NEAR(size.height, 841.89, 1);
    }
}

// ------------------------------------------------------------------ header and footer

TEST(PageHeader, TitleNotesProductionTimeAndColumnTitles) {
    CleanPdfEnvironment env;
    TempDir dir;
    const std::string pdf = dir.path("h.pdf");
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.setOutputPath(&report, pdf.c_str());
    report.addColumn(&report, 10, "Volume", 0);
    report.addColumn(&report, 10, "Slot", COL_RIGHT);
    report.header(&report, nullptr, "Incoming Volumes", "Repository %s, %u volumes", "North", 2u);
    report.addRow(&report, "%s", "A00001 |17 |");
    const std::string production =
        std::string("Production Time: ") + timeString32(int32_t(report.creationTime));
    report.closeReport(&report);
    ASSERT_EQ(report.pdfResult, 0u);

    const std::string text = pageText(pdf, 1);
    EXPECT_NE(text.find("Incoming Volumes"), std::string::npos);
    EXPECT_NE(text.find("Repository North, 2 volumes"), std::string::npos);
    EXPECT_NE(text.find(production), std::string::npos) << text;
    EXPECT_NE(text.find("Page 1"), std::string::npos);
    EXPECT_NE(text.find(kPdfNoticeLine), std::string::npos);

    // Positions, from the top of the 792-point page: title at 792-30-20 = 742
    // baseline, notes at 717, production time at 702, titles in the bar at 679.
    const auto words = pageWords(pdf, 1);
    const auto title = findWord(words, "Incoming"), notes = findWord(words, "Repository"),
               time = findWord(words, "Production"), volume = findWord(words, "Volume"),
               slot = findWord(words, "Slot"), page = findWord(words, "Page");
    ASSERT_TRUE(title && notes && time && volume && slot && page);
    EXPECT_NEAR(title->xMin, 20, 1);
    EXPECT_NEAR(notes->xMin, 10, 1);
    EXPECT_NEAR(time->xMin, 10, 1);
    EXPECT_LT(notes->yMax, time->yMin); // notes above the production time
    EXPECT_NEAR(792 - time->yMax, 702 - 2, 2);
    EXPECT_NEAR(volume->xMin, 15, 1);
    // "Slot" is right-aligned in the second half: ends 5 points before its edge.
    EXPECT_NEAR(slot->xMax, 15 + 296 + 296 - 5, 1.5);
    // "Page 1" ends at the right margin.
    const auto number = findWord(words, "1");
    ASSERT_TRUE(number);
    EXPECT_GT(page->xMin, 550);
    EXPECT_NEAR(number->xMax, 612 - 10, 1);
}

TEST(PageHeader, ReportIdBoxOnTheFirstPageOnly) {
    CleanPdfEnvironment env;
    TempDir dir;
    const std::string withId = dir.path("id.pdf"), withoutId = dir.path("noid.pdf");
    ASSERT_EQ(writeSimpleReport(withId, {.rows = 60, .reportId = 7}), 0u);
    ASSERT_EQ(writeSimpleReport(withoutId, {.rows = 60}), 0u);
    EXPECT_NE(pageText(withId, 1).find("Report-ID 007"), std::string::npos);
    EXPECT_EQ(pageText(withId, 2).find("Report-ID"), std::string::npos);
    EXPECT_EQ(pageText(withoutId, 1).find("Report-ID"), std::string::npos);
    // White text on a black box: the box is black just left of the text.
    const auto id = findWord(pageWords(withId, 1), "Report-ID");
    ASSERT_TRUE(id);
    EXPECT_NEAR(id->xMin, 15, 1);
    const Rgb box = pixel(withId, 1, 12, 792 - 22);
    EXPECT_LT(box.r + box.g + box.b, 60);
}

TEST(PageHeader, BandColourFromTheEnvironment) {
    CleanPdfEnvironment env;
    TempDir dir;
    // A point inside the band (792-60 .. 792-30 from the bottom) away from the title text.
    auto bandColour = [&](const std::string& name, uint16_t id) {
        const std::string pdf = dir.path(name);
        EXPECT_EQ(writeSimpleReport(pdf, {.rows = 1, .title = "", .reportId = id}), 0u);
        return pixel(pdf, 1, 300, 45);
    };
    Rgb standard = bandColour("default.pdf", 0);
    EXPECT_NEAR(standard.r, 10, 2);
    EXPECT_NEAR(standard.g, 105, 2);
    EXPECT_NEAR(standard.b, 65, 2);

    ScopedEnv colour("KVLTPDFCOLORHDR", "FF8000");
    Rgb orange = bandColour("orange.pdf", 0);
    EXPECT_EQ(orange.r, 255);
    EXPECT_NEAR(orange.g, 128, 1);
    EXPECT_EQ(orange.b, 0);

    ScopedEnv perReport("KVLTPDFCOLORHDR007", "0000ff");
    Rgb blue = bandColour("blue.pdf", 7);
    EXPECT_EQ(blue.b, 255);
    EXPECT_EQ(blue.r, 0);
    // Another report number keeps the general colour.
    EXPECT_EQ(bandColour("other.pdf", 8).r, 255);

    // Not exactly six hexadecimal digits: the default colour.
    ScopedEnv bad("KVLTPDFCOLORHDR", "FF80001");
    EXPECT_NEAR(bandColour("bad.pdf", 0).g, 105, 2);
}

TEST(PageHeader, WithoutATitleTheTextsUnderTheBandStayBlack) {
    CleanPdfEnvironment env;
    TempDir dir;
    const std::string pdf = dir.path("untitled.pdf");
    ASSERT_EQ(
        writeSimpleReport(pdf, {.rows = 1, .title = "", .notes = "Some notes under the band"}), 0u);
    // Notes (baseline 717) and production time (702): from the top 62 to 92.
    const std::vector<Rgb> box = pixels(pdf, 1, 10, 66, 200, 28);
    ASSERT_EQ(box.size(), 200u * 28u);
    int dark = 0, tinted = 0;
    for (const Rgb& c : box) {
        dark += c.r + c.g + c.b < 3 * 128;
        tinted += std::abs(c.g - c.r) > 30 || std::abs(c.g - c.b) > 30;
    }
    EXPECT_GT(dark, 100); // the text is there
    EXPECT_EQ(tinted, 0); // and none of it in the band's green
}
