#include "pdftestsupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

CleanPdfEnvironment::CleanPdfEnvironment() {
    for (const char* name :
         {"KVLTREPORTFORMAT", "KVLTREPORTCOLUMNDELETE", "KVLTREPORTTITLE", "KVLTPDFLOGOPATH",
          "KVLTPDFOUTPUTPATH", "KVLTPDFORIENTATION", "KVLTPDFPAGESIZE", "KVLTPDFCOLORHDR",
          "KVLTPDFCOLORHDR007", "KVLTPDFBLANKPAGETEXT", "REQUEST_URI", "REQUEST_METHOD",
          "QUERY_STRING", "CONTENT_LENGTH", "KVLTREPORTTITLE007", "KVLTDROPREPORT007",
          "KVLTREPORTCOLUMNDELETE007"})
        m_vars.push_back(std::make_unique<ScopedEnv>(name, std::nullopt));
    m_vars.push_back(std::make_unique<ScopedEnv>("KVLTPROGRESSDISABLE", "1"));
}

namespace {

// The number after key in text (blanks skipped), or -1.
double numberAfter(const std::string& text, const std::string& key, size_t* end = nullptr) {
    const size_t at = text.find(key);
    if (at == std::string::npos)
        return -1;
    const char* start = text.c_str() + at + key.size();
    char* stop = nullptr;
    const double value = std::strtod(start, &stop);
    if (stop == start)
        return -1;
    if (end)
        *end = size_t(stop - text.c_str());
    return value;
}

// The text of attribute name="..." inside tag.
double attribute(const std::string& tag, const char* name) {
    return numberAfter(tag, std::string(name) + "=\"");
}

} // namespace

int pageCount(const std::string& pdf) {
    const std::string info =
        runShell(std::string(PDFINFO) + " " + shellQuote(pdf) + " 2>/dev/null");
    return int(numberAfter(info, "Pages:"));
}

PageSize pageSize(const std::string& pdf, int page) {
    const std::string p = std::to_string(page);
    const std::string info = runShell(std::string(PDFINFO) + " -f " + p + " -l " + p + " " +
                                      shellQuote(pdf) + " 2>/dev/null");
    // "Page    1 size: 612 x 792 pts (letter)"
    PageSize size;
    const size_t line = info.find(" " + p + " size:");
    if (line == std::string::npos)
        return size;
    size_t end = 0;
    size.width = numberAfter(info.substr(line), "size:", &end);
    size.height = numberAfter(info.substr(line).substr(end), "x");
    return size;
}

std::string pageText(const std::string& pdf, int page) {
    const std::string p = std::to_string(page);
    return readPdfText(pdf, {"-layout", "-f", p, "-l", p}).out;
}

std::vector<std::string> pageLines(const std::string& pdf, int page) {
    std::vector<std::string> lines;
    std::istringstream in(pageText(pdf, page));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<Word> pageWords(const std::string& pdf, int page) {
    const std::string p = std::to_string(page);
    const std::string html = readPdfText(pdf, {"-bbox", "-f", p, "-l", p}).out;
    // <word xMin="15.000000" yMin="106.6" xMax="45.1" yMax="114.6">Volume</word>
    std::vector<Word> words;
    for (size_t at = html.find("<word "); at != std::string::npos;
         at = html.find("<word ", at + 1)) {
        const size_t close = html.find('>', at), end = html.find("</word>", at);
        if (close == std::string::npos || end == std::string::npos)
            break;
        const std::string tag = html.substr(at, close - at);
        words.push_back({html.substr(close + 1, end - close - 1), attribute(tag, "xMin"),
                         attribute(tag, "yMin"), attribute(tag, "xMax"), attribute(tag, "yMax")});
    }
    return words;
}

std::optional<Word> findWord(const std::vector<Word>& words, const std::string& text) {
    for (const Word& word : words)
        if (word.text == text)
            return word;
    return std::nullopt;
}

Rgb pixel(const std::string& pdf, int page, int x, int y) {
    const std::string p = std::to_string(page);
    const std::string ppm = runShell(std::string(PDFTOPPM) + " -r 72 -f " + p + " -l " + p +
                                     " -x " + std::to_string(x) + " -y " + std::to_string(y) +
                                     " -W 1 -H 1 " + shellQuote(pdf) + " 2>/dev/null");
    // P6 header: "P6\n1 1\n255\n" then three bytes.
    Rgb rgb;
    if (ppm.size() >= 3 && ppm.compare(0, 2, "P6") == 0) {
        const size_t n = ppm.size();
        rgb = {static_cast<unsigned char>(ppm[n - 3]), static_cast<unsigned char>(ppm[n - 2]),
               static_cast<unsigned char>(ppm[n - 1])};
    }
    return rgb;
}

std::vector<Rgb> pixels(const std::string& pdf, int page, int x, int y, int width, int height) {
    const std::string p = std::to_string(page);
    const std::string ppm =
        runShell(std::string(PDFTOPPM) + " -r 72 -f " + p + " -l " + p + " -x " +
                 std::to_string(x) + " -y " + std::to_string(y) + " -W " + std::to_string(width) +
                 " -H " + std::to_string(height) + " " + shellQuote(pdf) + " 2>/dev/null");
    std::vector<Rgb> all;
    const size_t count = size_t(width) * size_t(height);
    if (ppm.size() < count * 3 || ppm.compare(0, 2, "P6") != 0)
        return all;
    // The samples are the last width x height x 3 bytes, after the text header.
    for (size_t i = ppm.size() - count * 3; i + 2 < ppm.size(); i += 3)
        all.push_back({static_cast<unsigned char>(ppm[i]), static_cast<unsigned char>(ppm[i + 1]),
                       static_cast<unsigned char>(ppm[i + 2])});
    return all;
}

std::string decodeQr(const std::string& pdf, int page, bool flop, int dpi) {
    TempDir dir;
    const std::string p = std::to_string(page);
    runShell(std::string(PDFTOPPM) + " -png -r " + std::to_string(dpi) + " -f " + p + " -l " + p +
             " -singlefile " + shellQuote(pdf) + " " + shellQuote(dir.path("page")));
    std::string image = dir.path("page.png");
    if (flop) {
        runShell(std::string(MAGICK) + " " + shellQuote(image) + " -flop " +
                 shellQuote(dir.path("flopped.png")));
        image = dir.path("flopped.png");
    }
    std::string text =
        runShell(std::string(ZBARIMG) + " --raw -q " + shellQuote(image) + " 2>/dev/null");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

uint32_t writeSimpleReport(const std::string& path, const SimpleReport& wanted) {
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.reportId = wanted.reportId;
    report.setOrientation(&report, wanted.orientation);
    report.setPageSize(&report, wanted.pageSize);
    report.setOutputPath(&report, path.c_str());
    if (wanted.logo)
        report.setLogo(&report, wanted.logo);
    report.addColumn(&report, 20, "Volume", 0);
    report.addColumn(&report, 20, "Value", 0);
    if (wanted.notes)
        report.header(&report, nullptr, wanted.title, "%s", wanted.notes);
    else
        report.header(&report, nullptr, wanted.title, nullptr);
    for (uint32_t i = 1; i <= wanted.rows; ++i)
        report.addRow(&report, "Row %05u |Value %u |", i, i);
    report.closeReport(&report);
    return report.pdfResult;
}
