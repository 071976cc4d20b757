// Shared helpers of the PDF tests: a clean PDF environment and the outside
// readers (poppler, qpdf, zbar) that judge the files.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reportwriter.h"
#include "testsupport.h"

// Clears every variable that steers the PDF output, so that the machine's
// environment cannot change a test's outcome.
class CleanPdfEnvironment {
  public:
    CleanPdfEnvironment();

  private:
    std::vector<std::unique_ptr<ScopedEnv>> m_vars;
};

// ---- poppler
int pageCount(const std::string& pdf);
struct PageSize {
    double width = 0, height = 0;
};
PageSize pageSize(const std::string& pdf, int page);
std::string pageText(const std::string& pdf, int page); // pdftotext -layout
std::vector<std::string> pageLines(const std::string& pdf, int page);
// Words of a page with their boxes (pdftotext -bbox), y from the page top.
struct Word {
    std::string text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
std::vector<Word> pageWords(const std::string& pdf, int page);
std::optional<Word> findWord(const std::vector<Word>& words, const std::string& text);
// The colour of one point of a page rendered at 72 dpi (x, y from the top left).
struct Rgb {
    int r = -1, g = -1, b = -1;
};
Rgb pixel(const std::string& pdf, int page, int x, int y);
// Every pixel of a width x height box at 72 dpi (x, y of its top left from the page's top left).
std::vector<Rgb> pixels(const std::string& pdf, int page, int x, int y, int width, int height);

// ---- zbar: what zbarimg reads from a page rendered at dpi, optionally
// flipped left to right first.
std::string decodeQr(const std::string& pdf, int page, bool flop, int dpi = 200);

// A report of the given rows of "Row %05u |Value %u |" in two columns,
// written to path. notes: nullptr for no notes format.
struct SimpleReport {
    uint32_t rows = 0;
    const char* title = "Volume Report";
    const char* notes = nullptr;
    uint32_t orientation = 0;
    uint32_t pageSize = 0;
    uint16_t reportId = 0;
    const char* logo = nullptr;
};
uint32_t writeSimpleReport(const std::string& path, const SimpleReport& wanted);
