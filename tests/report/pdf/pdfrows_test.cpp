// Rows, cells, tags, group headings and section ends, as poppler reads them back.
#include <gtest/gtest.h>

#include <cmath>

#include "pdf/pdfrender.h"
#include "pdftestsupport.h"

namespace {

// Letter portrait without notes: the first row's bottom is 678 points above
// the page's foot, every row 12 points high. Returns the row's middle as a
// distance from the page top, which is what the renderings and pdftotext use.
int rowMiddleFromTop(int position) {
    return 792 - (678 - (position - 1) * 12 + 6);
}

// A letter report with the given columns; the lambda adds rows and headings.
template <typename Body>
std::string writeReport(const TempDir& dir, const std::string& name,
                        std::initializer_list<std::tuple<uint64_t, const char*, uint32_t>> columns,
                        Body body, const char* columnDelete = "") {
    const std::string pdf = dir.path(name);
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.setOutputPath(&report, pdf.c_str());
    std::snprintf(report.columnDelete, sizeof report.columnDelete, "%s", columnDelete);
    for (const auto& [width, title, flags] : columns)
        report.addColumn(&report, width, title, flags);
    report.header(&report, nullptr, "Rows", nullptr);
    body(report);
    report.closeReport(&report);
    EXPECT_EQ(report.pdfResult, 0u);
    return pdf;
}

bool isShaded(const Rgb& c) {
    return c.r == 250 && c.g == 250 && c.b == 250;
}

bool isWhite(const Rgb& c) {
    return c.r == 255 && c.g == 255 && c.b == 255;
}

bool isBlack(const Rgb& c) {
    return c.r < 40 && c.g < 40 && c.b < 40;
}

class PdfRows : public ::testing::Test {
  protected:
    CleanPdfEnvironment m_env;
    TempDir m_dir;
};

} // namespace

TEST_F(PdfRows, EverySecondLineOfEveryPageIsShaded) {
    const std::string pdf =
        writeReport(m_dir, "shade.pdf", {{10, "Volume", 0}}, [](ReportWriter& r) {
            for (int i = 1; i <= 60; ++i)
                r.addRow(&r, "V%d |", i);
        });
    // Far right of the row, where no text is drawn.
    for (int position : {1, 2, 3, 4, 53, 54}) {
        const Rgb colour = pixel(pdf, 1, 590, rowMiddleFromTop(position));
        if (position % 2 == 0)
            EXPECT_TRUE(isShaded(colour)) << "page 1 row " << position << ": " << colour.r;
        else
            EXPECT_TRUE(isWhite(colour)) << "page 1 row " << position << ": " << colour.r;
    }
    // Page 2 counts its lines afresh: rows 55 and 56 are its lines 1 and 2.
    EXPECT_TRUE(isWhite(pixel(pdf, 2, 590, rowMiddleFromTop(1))));
    EXPECT_TRUE(isShaded(pixel(pdf, 2, 590, rowMiddleFromTop(2))));
    EXPECT_TRUE(isWhite(pixel(pdf, 2, 590, rowMiddleFromTop(7)))); // below the last row
}

TEST_F(PdfRows, CellsSitInTheirColumnsRightAlignedNumbersGroupedLongValuesNotCut) {
    // Widths 10, 10, 20 share 592 points: 14.8 per unit, columns from 15, 163, 311.
    const std::string pdf = writeReport(
        m_dir, "cells.pdf",
        {{10, "Name", 0}, {10, "Count", COL_RIGHT | COL_NUMBER}, {20, "Plain", COL_PLAIN_NUMBER}},
        [](ReportWriter& r) {
            r.addRow(&r, "%s", "alpha |1234567 |0 |");
            r.addRow(&r, "%s", "beta |? |42 |");
            r.addRow(&r, "%s", "A-very-long-value-that-runs-on-over-the-next-column |");
        });
    const auto words = pageWords(pdf, 1);
    const auto alpha = findWord(words, "alpha"), count = findWord(words, "1,234,567"),
               unknown = findWord(words, "?"), plain = findWord(words, "42"),
               longValue = findWord(words, "A-very-long-value-that-runs-on-over-the-next-column");
    ASSERT_TRUE(alpha && count && unknown && plain && longValue);
    EXPECT_NEAR(alpha->xMin, 15, 1);
    EXPECT_NEAR(count->xMax, 163 + 148 - 5, 1); // right edge of the column less 5
    // "? " stays as it is, trailing blank included (a Helvetica blank is 2.224 points at 8).
    EXPECT_NEAR(unknown->xMax, 163 + 148 - 5 - 2.224, 0.5);
    EXPECT_NEAR(plain->xMin, 311, 1);
    EXPECT_GT(longValue->xMax, 163); // runs on into the next column
    EXPECT_NEAR(792 - alpha->yMax, 678 + 3 - 2,
                2.5); // baseline 3 above the row's bottom (descent aside)
    EXPECT_NEAR(plain->yMin - alpha->yMin, 12, 0.5); // second row one line lower
    // The plain zero is a blank: nothing but the name on the first line.
    EXPECT_FALSE(findWord(words, "0"));
}

TEST_F(PdfRows, DeletedColumnsLeaveNoTraceAndTheOthersShareTheWidth) {
    const std::string pdf = writeReport(
        m_dir, "hidden.pdf", {{10, "Keep", 0}, {10, "Secret", 0}, {10, "Also", 0}},
        [](ReportWriter& r) { r.addRow(&r, "%s", "k1 |s1 |a1 |"); }, "2,40,x");
    const std::string text = pageText(pdf, 1);
    EXPECT_EQ(text.find("Secret"), std::string::npos);
    EXPECT_EQ(text.find("s1"), std::string::npos);
    const auto words = pageWords(pdf, 1);
    const auto also = findWord(words, "a1");
    ASSERT_TRUE(also);
    EXPECT_NEAR(also->xMin, 15 + 296, 1); // two visible columns of 296 points
}

TEST_F(PdfRows, FixedFontColumnsUseTheMonoFaceOnly) {
    const std::string fixed =
        writeReport(m_dir, "fixed.pdf", {{10, "Barcode", COL_FIXED_FONT}, {10, "Name", 0}},
                    [](ReportWriter& r) { r.addRow(&r, "%s", "iiii |iiii |"); });
    const std::string plain =
        writeReport(m_dir, "plain.pdf", {{10, "Barcode", 0}, {10, "Name", 0}},
                    [](ReportWriter& r) { r.addRow(&r, "%s", "iiii |iiii |"); });
    EXPECT_NE(runShell("pdffonts " + shellQuote(fixed)).find("DejaVuSansMono"), std::string::npos);
    // The mono face is embedded only where something is drawn with it.
    EXPECT_EQ(runShell("pdffonts " + shellQuote(plain)).find("DejaVuSansMono"), std::string::npos);
    // The mono face gives "iiii" four full 4.8-point cells; DejaVu Sans's i is narrow.
    std::vector<Word> iiii;
    for (const Word& word : pageWords(fixed, 1))
        if (word.text == "iiii")
            iiii.push_back(word);
    ASSERT_EQ(iiii.size(), 2u);
    EXPECT_NEAR(iiii[0].xMax - iiii[0].xMin, 19.2, 0.5);
    EXPECT_LT(iiii[1].xMax - iiii[1].xMin, 10);
}

TEST_F(PdfRows, TagsBecomeBoxesOnePerPiece) {
    // One column of 10 units over 592 points: it starts at 15.
    const std::string pdf =
        writeReport(m_dir, "tags.pdf", {{10, "Tags", COL_TAGS}},
                    [](ReportWriter& r) { r.addRow(&r, "%s", "[A] [BC] loose |"); });
    const auto words = pageWords(pdf, 1);
    const auto a = findWord(words, "A"), bc = findWord(words, "BC"),
               loose = findWord(words, "loose");
    ASSERT_TRUE(a && bc && loose);
    // Each piece 4 points into its box; boxes are text width + 8 with 2 points between.
    EXPECT_NEAR(a->xMin, 15 + 4, 1);
    EXPECT_NEAR(bc->xMin, a->xMax + 4 + 2 + 4, 1);
    EXPECT_NEAR(loose->xMin, bc->xMax + 4 + 2 + 4, 1);
    const int middle = rowMiddleFromTop(1);
    EXPECT_TRUE(isBlack(pixel(pdf, 1, 16, middle))); // inside the first box, left of "A"
    EXPECT_TRUE(isWhite(pixel(pdf, 1, int(a->xMax + 5), middle))); // the gap between boxes
    EXPECT_TRUE(
        isBlack(pixel(pdf, 1, int(loose->xMax + 2), middle))); // the loose text is boxed too
}

TEST_F(PdfRows, GroupHeadingIsCentredAndNeverTheLastLineOfAPage) {
    const std::string pdf =
        writeReport(m_dir, "groups.pdf", {{10, "Volume", 0}}, [](ReportWriter& r) {
            r.groupHeading(&r, "Zone A");
            for (int i = 1; i <= 51; ++i)
                r.addRow(&r, "V%d |", i);
            r.groupHeading(&r, "Zone B"); // would fall on line 54: moves to the next page
            r.addRow(&r, "%s", "Last |");
        });
    ASSERT_EQ(pageCount(pdf), 2);
    // A heading on a fresh page takes line 2; the rows follow it.
    const auto first = pageWords(pdf, 1);
    const auto zoneA = findWord(first, "Zone"), v1 = findWord(first, "V1");
    ASSERT_TRUE(zoneA && v1);
    EXPECT_NEAR(792 - zoneA->yMax, 678 - 12 + 3 - 2, 2.5);
    EXPECT_NEAR(v1->yMin - zoneA->yMin, 12, 0.5);
    EXPECT_EQ(pageText(pdf, 1).find("Zone B"), std::string::npos);
    // "Zone A" centred on the usable width's middle (296 from the left margin's origin).
    const auto a = findWord(first, "A");
    ASSERT_TRUE(a);
    EXPECT_NEAR((zoneA->xMin + a->xMax) / 2, 296, 1.5);
    // The rule across the line and the black box behind the text.
    EXPECT_TRUE(isBlack(pixel(pdf, 1, 30, rowMiddleFromTop(2))));
    EXPECT_TRUE(isBlack(pixel(pdf, 1, int(zoneA->xMin - 10), rowMiddleFromTop(2))));

    // Page 2: "Zone B" on line 1, the last row on line 2.
    const auto second = pageWords(pdf, 2);
    const auto zoneB = findWord(second, "Zone"), last = findWord(second, "Last");
    ASSERT_TRUE(zoneB && last);
    EXPECT_NEAR(792 - zoneB->yMax, 678 + 3 - 2, 2.5);
    EXPECT_NEAR(last->yMin - zoneB->yMin, 12, 0.5);
}

TEST_F(PdfRows, EndSectionStartsTheNextSectionOnANewPage) {
    const std::string pdf =
        writeReport(m_dir, "sections.pdf", {{10, "Volume", 0}}, [](ReportWriter& r) {
            r.addRow(&r, "%s", "First |");
            r.endSection(&r);
            r.header(&r, nullptr, "Second Section", nullptr);
            r.addRow(&r, "%s", "Second |");
            r.endSection(&r);
        });
    ASSERT_EQ(pageCount(pdf), 2);
    EXPECT_NE(pageText(pdf, 2).find("Second Section"), std::string::npos);
    const auto second = findWord(pageWords(pdf, 2), "Second");
    ASSERT_TRUE(second);
}

TEST_F(PdfRows, EmptySectionGetsABlankPageOnlyWithItsText) {
    const std::string without =
        writeReport(m_dir, "none.pdf", {{10, "Volume", 0}}, [](ReportWriter& r) {
            r.addRow(&r, "%s", "Row |");
            r.endSection(&r);
            r.header(&r, nullptr, "Outgoing", nullptr);
            r.endSection(&r);
        });
    EXPECT_EQ(pageCount(without), 1);

    ScopedEnv blank("KVLTPDFBLANKPAGETEXT", "Nothing outgoing");
    const std::string with =
        writeReport(m_dir, "blank.pdf", {{10, "Volume", 0}}, [](ReportWriter& r) {
            r.addRow(&r, "%s", "Row |");
            r.endSection(&r);
            r.header(&r, nullptr, "Outgoing", nullptr);
            r.endSection(&r);
            r.header(&r, nullptr, "Returns", nullptr);
            r.addRow(&r, "%s", "Back |"); // the blank page left pageRow at 0: a page of its own
        });
    ASSERT_EQ(pageCount(with), 3);
    const std::string text = pageText(with, 2);
    EXPECT_NE(text.find("Outgoing"), std::string::npos);
    EXPECT_NE(text.find("Nothing outgoing"), std::string::npos);
    EXPECT_NE(text.find("Page 2"), std::string::npos);
    EXPECT_EQ(text.find("Row"), std::string::npos);
    // The grey bar at half height ((792 - 30) / 2 = 381 up to 411), text centred on it.
    const auto words = pageWords(with, 2);
    const auto nothing = findWord(words, "Nothing"), outgoing = findWord(words, "outgoing");
    ASSERT_TRUE(nothing && outgoing);
    EXPECT_NEAR((nothing->xMin + outgoing->xMax) / 2, 10 + 296, 1.5);
    const Rgb bar = pixel(with, 2, 20, 792 - 385);
    EXPECT_EQ(bar.r, 204);
    EXPECT_NE(pageText(with, 3).find("Back"), std::string::npos);
}
