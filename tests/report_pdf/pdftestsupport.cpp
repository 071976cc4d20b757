#include "pdftestsupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

TempDir::TempDir()
{
    char pattern[] = "/tmp/kvlt-pdf-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    m_strPath = made ? made : "/tmp";
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (m_strPath != "/tmp")
        std::filesystem::remove_all(m_strPath, ignored);
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : m_strName(name)
{
    if (const char* old = std::getenv(name))
        m_strOld = old;
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_strOld)
        ::setenv(m_strName.c_str(), m_strOld->c_str(), 1);
    else
        ::unsetenv(m_strName.c_str());
}

CleanPdfEnvironment::CleanPdfEnvironment()
{
    for (const char* name :
         {"KVLTREPORTFORMAT", "KVLTREPORTCOLUMNDELETE", "KVLTREPORTTITLE", "KVLTPDFLOGOPATH", "KVLTPDFOUTPUTPATH",
          "KVLTPDFORIENTATION", "KVLTPDFPAGESIZE", "KVLTPDFCOLORHDR", "KVLTPDFCOLORHDR007", "KVLTPDFBLANKPAGETEXT",
          "REQUEST_URI", "REQUEST_METHOD", "QUERY_STRING", "CONTENT_LENGTH", "KVLTREPORTTITLE007",
          "KVLTDROPREPORT007", "KVLTREPORTCOLUMNDELETE007"})
        m_vars.push_back(std::make_unique<ScopedEnv>(name, std::nullopt));
    m_vars.push_back(std::make_unique<ScopedEnv>("KVLTPROGRESSDISABLE", "1"));
}

std::string run(const std::string& command, int* status)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    const int rc = ::pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

std::string quote(const std::string& path)
{
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool fileExists(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0;
}

int pageCount(const std::string& pdf)
{
    std::smatch match;
    const std::string info = run(std::string(PDFINFO) + " " + quote(pdf) + " 2>/dev/null");
    if (std::regex_search(info, match, std::regex("Pages:\\s+(\\d+)")))
        return std::stoi(match[1]);
    return -1;
}

PageSize pageSize(const std::string& pdf, int page)
{
    const std::string p = std::to_string(page);
    const std::string info = run(std::string(PDFINFO) + " -f " + p + " -l " + p + " " + quote(pdf) + " 2>/dev/null");
    std::smatch match;
    PageSize size;
    if (std::regex_search(info, match, std::regex("Page\\s+" + p + " size:\\s+([0-9.]+) x ([0-9.]+) pts"))) {
        size.width = std::stod(match[1]);
        size.height = std::stod(match[2]);
    }
    return size;
}

std::string pageText(const std::string& pdf, int page)
{
    const std::string p = std::to_string(page);
    return run(std::string(PDFTOTEXT) + " -layout -f " + p + " -l " + p + " " + quote(pdf) + " - 2>/dev/null");
}

std::vector<std::string> pageLines(const std::string& pdf, int page)
{
    std::vector<std::string> lines;
    std::istringstream in(pageText(pdf, page));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<Word> pageWords(const std::string& pdf, int page)
{
    const std::string p = std::to_string(page);
    const std::string html =
        run(std::string(PDFTOTEXT) + " -bbox -f " + p + " -l " + p + " " + quote(pdf) + " - 2>/dev/null");
    std::vector<Word> words;
    const std::regex wordPattern(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), wordPattern); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        words.push_back({m[5], std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
    }
    return words;
}

std::optional<Word> findWord(const std::vector<Word>& words, const std::string& text)
{
    for (const Word& word : words)
        if (word.text == text)
            return word;
    return std::nullopt;
}

Rgb pixel(const std::string& pdf, int page, int x, int y)
{
    const std::string p = std::to_string(page);
    const std::string ppm = run(std::string(PDFTOPPM) + " -r 72 -f " + p + " -l " + p + " -x " + std::to_string(x) +
                                " -y " + std::to_string(y) + " -W 1 -H 1 " + quote(pdf) + " 2>/dev/null");
    // P6 header: "P6\n1 1\n255\n" then three bytes.
    Rgb rgb;
    if (ppm.size() >= 3 && ppm.compare(0, 2, "P6") == 0) {
        const size_t n = ppm.size();
        rgb = {static_cast<unsigned char>(ppm[n - 3]), static_cast<unsigned char>(ppm[n - 2]),
               static_cast<unsigned char>(ppm[n - 1])};
    }
    return rgb;
}

std::string decodeQr(const std::string& pdf, int page, bool flop, int dpi)
{
    TempDir dir;
    const std::string p = std::to_string(page);
    run(std::string(PDFTOPPM) + " -png -r " + std::to_string(dpi) + " -f " + p + " -l " + p + " -singlefile " +
        quote(pdf) + " " + quote(dir.path("page")));
    std::string image = dir.path("page.png");
    if (flop) {
        run(std::string(MAGICK) + " " + quote(image) + " -flop " + quote(dir.path("flopped.png")));
        image = dir.path("flopped.png");
    }
    std::string text = run(std::string(ZBARIMG) + " --raw -q " + quote(image) + " 2>/dev/null");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

uint32_t writeSimpleReport(const std::string& path, const SimpleReport& spec)
{
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_PDF;
    report.reportId = spec.reportId;
    report.setOrientation(&report, spec.orientation);
    report.setPageSize(&report, spec.pageSize);
    report.setOutputPath(&report, path.c_str());
    if (spec.logo)
        report.setLogo(&report, spec.logo);
    report.addColumn(&report, 20, "Volume", 0);
    report.addColumn(&report, 20, "Value", 0);
    if (spec.notes)
        report.header(&report, nullptr, spec.title, "%s", spec.notes);
    else
        report.header(&report, nullptr, spec.title, nullptr);
    for (uint32_t i = 1; i <= spec.rows; ++i)
        report.addRow(&report, "Row %05u |Value %u |", i, i);
    report.closeReport(&report);
    return report.pdfResult;
}
