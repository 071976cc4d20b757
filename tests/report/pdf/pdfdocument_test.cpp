// The document as a whole: outline, QR code, logo, compression, saving, CGI
// and sub-reports, judged by qpdf, zbarimg and poppler.
#include <gtest/gtest.h>

#include <cjson/cJSON.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "pdf/pdfrender.h"
#include "pdftestsupport.h"
#include "timetext.h"

namespace {

class PdfDocument : public ::testing::Test {
  protected:
    CleanPdfEnvironment m_env;
    TempDir m_dir;
};

// Top-level outline entries as qpdf's JSON view shows them: title, page, kids' titles.
struct Entry {
    std::string title;
    int page = 0;
    std::vector<std::string> kids;
};

std::vector<Entry> outline(const std::string& pdf) {
    std::vector<Entry> entries;
    const std::string json =
        runShell(std::string(QPDF) + " --json --json-key=outlines " + shellQuote(pdf));
    cJSON* root = cJSON_Parse(json.c_str());
    const cJSON* list = cJSON_GetObjectItem(root, "outlines");
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, list) {
        Entry entry;
        entry.title = cJSON_GetStringValue(cJSON_GetObjectItem(item, "title"));
        entry.page = cJSON_GetObjectItem(item, "destpageposfrom1")->valueint;
        const cJSON* kid = nullptr;
        cJSON_ArrayForEach(kid, cJSON_GetObjectItem(item, "kids"))
            entry.kids.push_back(cJSON_GetStringValue(cJSON_GetObjectItem(kid, "title")));
        entries.push_back(entry);
    }
    cJSON_Delete(root);
    return entries;
}

// A minimal JPEG made by imagemagick.
std::string makeJpeg(const TempDir& dir) {
    const std::string path = dir.path("logo.jpg");
    runShell(std::string(MAGICK) + " -size 316x78 xc:navy " + shellQuote(path));
    return path;
}

} // namespace

// ------------------------------------------------------------------ outline

TEST_F(PdfDocument, OutlineHasOneEntryPerDistinctTitleWithItsNotesBelow) {
    const std::string pdf = m_dir.path("outline.pdf");
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.setOutputPath(&report, pdf.c_str());
    report.addColumn(&report, 10, "Volume", 0);
    report.header(&report, nullptr, "Incoming", "Zone %s", "A");
    report.addRow(&report, "%s", "V1 |");
    report.endSection(&report);
    report.header(&report, nullptr, "Incoming", nullptr); // same title: no new entry
    report.addRow(&report, "%s", "V2 |");
    report.endSection(&report);
    report.header(&report, nullptr, "Outgoing", ""); // empty notes still make an entry
    report.addRow(&report, "%s", "V3 |");
    report.closeReport(&report);
    ASSERT_EQ(report.pdfResult, 0u);

    ASSERT_EQ(pageCount(pdf), 3);
    const std::vector<Entry> entries = outline(pdf);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].title, "Incoming");
    EXPECT_EQ(entries[0].page, 1);
    EXPECT_EQ(entries[0].kids, std::vector<std::string>{"Zone A"});
    EXPECT_EQ(entries[1].title, "Outgoing");
    EXPECT_EQ(entries[1].page, 3);
    EXPECT_EQ(entries[1].kids, std::vector<std::string>{""});
    // Notes stay until a header gives new ones: page 2 still shows "Zone A".
    EXPECT_NE(pageText(pdf, 2).find("Zone A"), std::string::npos);
}

// ------------------------------------------------------------------ text in every script

TEST_F(PdfDocument, EveryNameReadsBackAsItselfAndMissingCharactersAsOneMark) {
    const std::string pdf = m_dir.path("names.pdf");
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.setOutputPath(&report, pdf.c_str());
    report.addColumn(&report, 30, "Repository", 0);
    report.addColumn(&report, 30, "Right", COL_RIGHT);
    report.header(&report, nullptr, "Müller Ærø Łódź", "%s", "Ünïcødé-ŞİĞ notes");
    const char* names[] = {"Müller Ærø Łódź", "Ünïcødé-ŞİĞ", "Αθήνα Ελλάδα", "Москва Россия",
                           "it’s “quoted”"};
    for (const char* name : names) {
        const char* cells[] = {name, name};
        report.addRowCells(&report, cells, 2);
    }
    // A CJK name the font has no glyphs for, and bytes that are not UTF-8.
    const char* odd[] = {"東京", "ab\xFF\xFE"};
    report.addRowCells(&report, odd, 2);
    ::testing::internal::CaptureStdout();
    report.closeReport(&report);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    ASSERT_EQ(report.pdfResult, 0u) << report.closeError;

    // Read back whole, without a complaint from the reader about the fonts.
    const CommandResult read = readPdfText(pdf);
    const std::string text = read.out + read.err;
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(text.find("Warning"), std::string::npos) << text;
    EXPECT_EQ(text.find("Error"), std::string::npos) << text;
    for (const char* name : names)
        EXPECT_NE(text.find(name), std::string::npos) << name << " in\n" << text;
    EXPECT_NE(text.find("Ünïcødé-ŞİĞ notes"), std::string::npos);
    EXPECT_NE(text.find("\uFFFD\uFFFD\n"), std::string::npos) << "one mark per CJK character";
    EXPECT_NE(text.find("ab\uFFFD\uFFFD"), std::string::npos) << "one mark per stray byte";
    EXPECT_EQ(text.find("東"), std::string::npos);
    EXPECT_EQ(outline(pdf).at(0).title, "Müller Ærø Łódź");

    // Right-aligned values are measured in the embedded font: each ends 5
    // points before its column's edge (592 points over 60 units, from 15).
    const std::vector<Word> words = pageWords(pdf, 1);
    for (const char* last : {"Łódź", "Ελλάδα", "Россия"}) {
        double right = 0;
        for (const Word& word : words)
            if (word.text == last)
                right = std::max(right, word.xMax);
        EXPECT_NEAR(right, 15 + 592.0 - 5, 1.5) << last;
    }
}

TEST_F(PdfDocument, ACellLongerThanTheLibraryTakesAtOnceIsDrawnWithoutErrors) {
    const std::string pdf = m_dir.path("long.pdf");
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.setOutputPath(&report, pdf.c_str());
    report.addColumn(&report, 10, "Notes", 0);
    report.header(&report, nullptr, "Long", nullptr);
    const std::string cell = "Start-Ω " + std::string(70000, 'x');
    const char* cells[] = {cell.c_str()};
    ::testing::internal::CaptureStdout();
    report.addRowCells(&report, cells, 1);
    report.closeReport(&report);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(report.pdfResult, 0u) << report.closeError;
    EXPECT_NE(pageText(pdf, 1).find("Start-Ω xxxx"), std::string::npos);
}

// ------------------------------------------------------------------ QR code

TEST_F(PdfDocument, QrCodeCarriesPageTitleAndTimeAndReadsAsDrawnOrFlipped) {
    const std::string pdf = m_dir.path("qr.pdf");
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.setOutputPath(&report, pdf.c_str());
    report.addColumn(&report, 10, "Volume", 0);
    report.header(&report, nullptr, "Incoming Volumes", nullptr);
    for (int i = 0; i < 60; ++i)
        report.addRow(&report, "V%d |", i);
    const std::string when = timeString(report.creationTime, "%A, %B %d, %Y - %H:%M:%S");
    report.closeReport(&report);
    ASSERT_EQ(report.pdfResult, 0u);

    // zbar reads the mirrored symbol as drawn; flipping the picture reads the same.
    EXPECT_EQ(decodeQr(pdf, 1, false), "1;Incoming Volumes;" + when);
    EXPECT_EQ(decodeQr(pdf, 1, true), "1;Incoming Volumes;" + when);
    EXPECT_EQ(decodeQr(pdf, 2, true), "2;Incoming Volumes;" + when);
}

TEST_F(PdfDocument, QrCodeIsMirroredLeftToRight) {
    // Drawn on a page of our own: the finder patterns sit at the top right,
    // top left and bottom RIGHT corners, where an unmirrored code has its
    // third one bottom left.
    PdfState state{};
    state.doc = HPDF_New(pdfErrorHandler, nullptr);
    ASSERT_NE(state.doc, nullptr);
    HPDF_Page page = HPDF_AddPage(state.doc);
    HPDF_Page_SetWidth(page, 100);
    HPDF_Page_SetHeight(page, 100);
    const int modules = pdfDrawQrCode(page, 10, 10, 80, "MIRROR");
    ASSERT_EQ(modules, 21); // version 1
    const std::string pdf = m_dir.path("mirror.pdf");
    ASSERT_EQ(pdfSaveToFile(&state, pdf.c_str()), 0u);
    HPDF_Free(state.doc);

    // 21 modules of 3 points in 70: the symbol spans 10+5+3.5 = 18.5 to 81.5.
    // Finder centres lie 3.5 modules in from their corners.
    auto dark = [&](double xFromLeft, double yFromTop) {
        const Rgb c = pixel(pdf, 1, int(xFromLeft), int(yFromTop));
        return c.r < 60;
    };
    const double low = 18.5 + 3.5 * 3, high = 81.5 - 3.5 * 3;
    EXPECT_TRUE(dark(low, low));   // top left
    EXPECT_TRUE(dark(high, low));  // top right
    EXPECT_TRUE(dark(high, high)); // bottom right: mirrored
    EXPECT_FALSE(dark(low, high)); // no finder bottom left
    EXPECT_EQ(decodeQr(pdf, 1, true, 300), "MIRROR");
}

TEST_F(PdfDocument, TitleTooLongForAQrCodeLeavesTheSquareWhite) {
    const std::string title(3000, 'T');
    const std::string pdf = m_dir.path("long.pdf");
    ASSERT_EQ(writeSimpleReport(pdf, {.rows = 1, .title = title.c_str()}), 0u);
    EXPECT_EQ(decodeQr(pdf, 1, true), "");
    // The square (W-100 .. W-20 across, 10 .. 90 down from the top) stays white.
    const Rgb middle = pixel(pdf, 1, 612 - 60, 50);
    EXPECT_EQ(middle.r + middle.g + middle.b, 3 * 255);
}

// ------------------------------------------------------------------ logo

TEST_F(PdfDocument, LogoMovesTheBandRightAndAnUnreadableOneIsLeftOut) {
    const std::string logo = makeJpeg(m_dir);
    const std::string withLogo = m_dir.path("logo.pdf");
    ASSERT_EQ(writeSimpleReport(withLogo, {.rows = 1, .logo = logo.c_str()}), 0u);
    const auto title = findWord(pageWords(withLogo, 1), "Volume");
    ASSERT_TRUE(title);
    EXPECT_NEAR(title->xMin, 188 + 10, 1);
    EXPECT_NE(runShell("pdfimages -list " + shellQuote(withLogo)).find("jpeg"), std::string::npos);
    const Rgb navy = pixel(withLogo, 1, 80, 50); // inside the 158 x 39 logo, 30 to 69 from the top
    EXPECT_LT(navy.r, 10);
    EXPECT_NEAR(navy.b, 128, 4);

    // A missing file is refused by setLogo; a file that is not a JPEG fails
    // to load: both give the band from the left margin and a good document.
    const std::string notJpeg = m_dir.path("logo.txt");
    FILE* f = std::fopen(notJpeg.c_str(), "w");
    std::fputs("not a picture", f);
    std::fclose(f);
    for (const std::string& bad : {m_dir.path("missing.jpg"), notJpeg, m_dir.root()}) {
        const std::string pdf = m_dir.path("nologo.pdf");
        ::testing::internal::CaptureStdout();
        const uint32_t result = writeSimpleReport(pdf, {.rows = 1, .logo = bad.c_str()});
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, 0u) << bad;
        const auto word = findWord(pageWords(pdf, 1), "Volume");
        ASSERT_TRUE(word);
        EXPECT_NEAR(word->xMin, 20, 1) << bad;
        EXPECT_EQ(runShell(std::string(QPDF) + " --check " + shellQuote(pdf) +
                           " >/dev/null 2>&1; echo $?"),
                  "0\n");
    }

    // KVLTPDFLOGOPATH is taken without a check, and a bad one is survived the same way.
    ScopedEnv env("KVLTPDFLOGOPATH", notJpeg);
    EXPECT_EQ(writeSimpleReport(m_dir.path("envlogo.pdf"), {.rows = 1, .logo = logo.c_str()}), 0u);
    EXPECT_EQ(pageCount(m_dir.path("envlogo.pdf")), 1);
    EXPECT_EQ(runShell("pdfimages -list " + shellQuote(m_dir.path("envlogo.pdf"))).find("jpeg"),
              std::string::npos);
}

// ------------------------------------------------------------------ the file

TEST_F(PdfDocument, StreamsAreCompressedAndQpdfFindsNoFault) {
    const std::string pdf = m_dir.path("c.pdf");
    ASSERT_EQ(writeSimpleReport(pdf, {.rows = 200, .notes = "Notes"}), 0u);
    int status = -1;
    const std::string check =
        runShell(std::string(QPDF) + " --check " + shellQuote(pdf) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos);
    const std::string bytes = readFile(pdf);
    EXPECT_EQ(bytes.compare(0, 5, "%PDF-"), 0);
    EXPECT_NE(bytes.find("/FlateDecode"), std::string::npos);
    EXPECT_EQ(bytes.find("Row 00001"), std::string::npos); // no page text in the clear
    EXPECT_EQ(bytes.find(" Tj"), std::string::npos);
}

TEST_F(PdfDocument, FailedSaveReturnsLibharusCodeAndLeavesFilesAsTheyWere) {
    // A folder that does not exist: nothing is created.
    const std::string missing = m_dir.path("no/such/folder/r.pdf");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(writeSimpleReport(missing, {.rows = 3}), unsigned(HPDF_FILE_OPEN_ERROR));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "")
        << "the failure is told once, by the caller";
    EXPECT_FALSE(fileExists(missing));

    // The path of a folder: the folder stays and no part file is left behind.
    const std::string folder = m_dir.path("folder");
    std::filesystem::create_directory(folder);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(writeSimpleReport(folder, {.rows = 3}), unsigned(HPDF_FILE_OPEN_ERROR));
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.root()), {}), 1);

    // An existing report is replaced whole.
    const std::string existing = m_dir.path("old.pdf");
    ASSERT_EQ(writeSimpleReport(existing, {.rows = 100}), 0u);
    ASSERT_EQ(writeSimpleReport(existing, {.rows = 3}), 0u);
    EXPECT_EQ(pageCount(existing), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.root()), {}), 2);

    // A name as long as the file system allows (255) still saves.
    const std::string longName = std::string(251, 'n') + ".pdf";
    const std::string here = std::filesystem::current_path();
    ASSERT_EQ(::chdir(m_dir.root().c_str()), 0);
    EXPECT_EQ(writeSimpleReport(longName, {.rows = 1}), 0u);
    EXPECT_EQ(::chdir(here.c_str()), 0);
    EXPECT_EQ(pageCount(m_dir.path(longName)), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.root()), {}), 3);
}

TEST_F(PdfDocument, AnEmptyReportHasOnePageThatReadersAccept) {
    const std::string pdf = m_dir.path("empty.pdf");
    ASSERT_EQ(writeSimpleReport(pdf, {.rows = 0}), 0u);
    EXPECT_EQ(
        runShell(std::string(QPDF) + " --check " + shellQuote(pdf) + " >/dev/null 2>&1; echo $?"),
        "0\n");
    ASSERT_EQ(pageCount(pdf), 1);
    const std::string text = pageText(pdf, 1);
    EXPECT_NE(text.find("Volume Report"), std::string::npos);
    EXPECT_NE(text.find("Value"), std::string::npos) << "the column titles, without rows";
    EXPECT_EQ(text.find("Row"), std::string::npos);
}

TEST_F(PdfDocument, AnOutputPathTooLongToKeepFailsInsteadOfNamingAnotherFile) {
    // Cut at 260 characters, this path would name a file inside the folder.
    const std::string folder = m_dir.path(std::string(200, 'a'));
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/" + std::string(100, 'b') + ".pdf";
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(writeSimpleReport(path, {.rows = 2}), unsigned(HPDF_FILE_OPEN_ERROR));
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(PdfDocument, ALogoThatIsANamedPipeIsLeftOutWithoutWaiting) {
    const std::string fifo = m_dir.path("logo.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ScopedEnv env("KVLTPDFLOGOPATH", fifo);
    const std::string pdf = m_dir.path("fifo.pdf");
    ASSERT_EQ(writeSimpleReport(pdf, {.rows = 1}), 0u);
    EXPECT_EQ(pageCount(pdf), 1);
    EXPECT_EQ(runShell("pdfimages -list " + shellQuote(pdf)).find("jpeg"), std::string::npos);
}

TEST_F(PdfDocument, OutputPathFromEnvironmentOrTheDefaultName) {
    ScopedEnv env("KVLTPDFOUTPUTPATH", m_dir.path("env.pdf"));
    ASSERT_EQ(writeSimpleReport(m_dir.path("setter.pdf"), {.rows = 1}), 0u);
    EXPECT_TRUE(fileExists(m_dir.path("env.pdf")));
    EXPECT_FALSE(fileExists(m_dir.path("setter.pdf")));

    // Without either, "Report-<creation time>.pdf" in the working folder.
    ::unsetenv("KVLTPDFOUTPUTPATH");
    const std::string here = std::filesystem::current_path();
    ASSERT_EQ(::chdir(m_dir.root().c_str()), 0);
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.addColumn(&report, 10, "Volume", 0);
    report.header(&report, nullptr, "Default", nullptr);
    report.addRow(&report, "%s", "V |");
    const std::string expected =
        std::string("Report-") + timeString(report.creationTime, "%Y-%m-%d-%H-%M-%S") + ".pdf";
    EXPECT_STREQ(pdfOutputPath(&report), expected.c_str());
    report.closeReport(&report);
    EXPECT_EQ(report.pdfResult, 0u);
    EXPECT_EQ(::chdir(here.c_str()), 0);
    EXPECT_EQ(pageCount(m_dir.path(expected)), 1);
}

TEST_F(PdfDocument, CgiModeStreamsTheDocumentAfterItsHeaders) {
    ScopedEnv uri("REQUEST_URI", "/cgi-bin/report?RPT=pdf"), method("REQUEST_METHOD", "GET"),
        query("QUERY_STRING", "RPT=pdf"), output("KVLTPDFOUTPUTPATH", "Vault.pdf");
    ::testing::internal::CaptureStdout();
    ReportWriter report;
    reportInit(&report);
    report.addColumn(&report, 10, "Volume", 0);
    report.header(&report, nullptr, "Web Report", nullptr);
    report.addRow(&report, "%s", "V1 |");
    report.closeReport(&report);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(report.format, REPORT_PDF);
    EXPECT_FALSE(fileExists("Vault.pdf"));

    const std::string head = "Content-type: application/pdf\r\n"
                             "Content-disposition: attachment; filename=\"Vault.pdf\"\r\n"
                             "Content-Length: ";
    ASSERT_EQ(out.compare(0, head.size(), head), 0) << out.substr(0, 200);
    const size_t end = out.find("\n\r\n", head.size());
    ASSERT_NE(end, std::string::npos);
    const size_t length = std::stoul(out.substr(head.size(), end - head.size()));
    const std::string body = out.substr(end + 3);
    EXPECT_EQ(body.size(), length);
    EXPECT_EQ(body.compare(0, 5, "%PDF-"), 0);
    const std::string pdf = m_dir.path("cgi.pdf");
    FILE* f = std::fopen(pdf.c_str(), "wb");
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
    EXPECT_NE(pageText(pdf, 1).find("Web Report"), std::string::npos);
}

TEST_F(PdfDocument, SubReportDrawsIntoItsMastersDocument) {
    const std::string pdf = m_dir.path("master.pdf");
    ReportWriter master, sub;
    reportInit(&master);
    master.format = REPORT_PDF;
    master.reportId = 1;
    master.setOutputPath(&master, pdf.c_str());
    master.addColumn(&master, 10, "Volume", 0);
    master.header(&master, nullptr, "Incoming", nullptr);
    for (int i = 0; i < 60; ++i)
        master.addRow(&master, "V%d |", i);

    reportInit(&sub);
    sub.format = REPORT_PDF;
    sub.reportId = 2;
    sub.master = &master;
    sub.addColumn(&sub, 10, "Slot", 0);
    sub.addColumn(&sub, 10, "Zone", 0);
    sub.header(&sub, nullptr, "Slots", nullptr);
    sub.addRow(&sub, "%s", "S1 |North |");
    sub.closeReport(&sub); // saves nothing: the master owns the document
    EXPECT_EQ(master.pageCount, 3u);
    EXPECT_EQ(sub.pageCount, 1u);
    master.closeReport(&master);
    ASSERT_EQ(master.pdfResult, 0u);

    ASSERT_EQ(pageCount(pdf), 3);
    const std::string third = pageText(pdf, 3);
    EXPECT_NE(third.find("Slots"), std::string::npos);
    EXPECT_NE(third.find("North"), std::string::npos);
    EXPECT_NE(third.find("Page 3"), std::string::npos);        // numbered on the master
    EXPECT_NE(third.find("Report-ID 002"), std::string::npos); // the sub-report's own first page
    EXPECT_EQ(pageText(pdf, 2).find("Report-ID"), std::string::npos);
    const std::vector<Entry> entries = outline(pdf);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].title, "Slots");
    EXPECT_EQ(entries[1].page, 3);
}

TEST(PdfErrorHandler, KeepsTheFirstErrorAndPrintsNothing) {
    PdfState state{};
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    pdfErrorHandler(HPDF_FILE_OPEN_ERROR, 13, &state);
    pdfErrorHandler(0x1054, 0, &state);
    pdfErrorHandler(0x1054, 0, nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(state.firstError, HPDF_STATUS(HPDF_FILE_OPEN_ERROR));
    EXPECT_EQ(state.firstErrorDetail, 13u);
}
