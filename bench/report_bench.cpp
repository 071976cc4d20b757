// The report writer at volume: 100,000 rows of six columns in each format
// (60,000 for xls, under the format's row limit), next to plain fprintf
// writing the same bytes as the text format.
//
//   build-core/bench/report_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "reportwriter.h"

namespace {

constexpr int kRows = 100000;
constexpr int kSheetRows = 60000;

struct Column {
    const char* title;
    int width;
};
const Column kColumns[6] = {{"Zone", 8},    {"Seq", 7},    {"Source", 24},
                            {"Target", 24}, {"Volume", 8}, {"Assigned", 44}};

struct Row {
    std::string cells[6];
};

const std::vector<Row>& rows() {
    static std::vector<Row> all = [] {
        std::vector<Row> r(kRows);
        const char* sites[] = {"Main data centre", "Disaster recovery site", "Backup lab", ""};
        char text[64];
        for (int i = 0; i < kRows; ++i) {
            std::snprintf(text, sizeof text, "A:%d.%d", i / 20 + 1, i % 20);
            r[i].cells[0] = text;
            r[i].cells[1] = std::to_string(i + 1);
            r[i].cells[2] = sites[i % 4];
            r[i].cells[3] = sites[(i / 3) % 4];
            std::snprintf(text, sizeof text, "RM%04dL%d", i % 10000, 7 + i % 3);
            r[i].cells[4] = text;
            r[i].cells[5] = i % 5 ? "Monday, November 30, 2026 - 08:04:11 (UTC)" : "";
        }
        return r;
    }();
    return all;
}

// Each row as the list export hands it over: cells ending in " |".
const std::vector<std::string>& rowTexts() {
    static std::vector<std::string> all = [] {
        std::vector<std::string> t;
        t.reserve(kRows);
        for (const Row& row : rows()) {
            std::string line;
            for (const std::string& cell : row.cells)
                line += cell + " |";
            t.push_back(line);
        }
        return t;
    }();
    return all;
}

std::string tempPath(const char* name) {
    return "/tmp/kvlt-report-bench-" + std::to_string(getpid()) + "-" + name;
}

// One whole report in a format: init, columns, header, rows, close.
void writeReport(ReportFormat format, FILE* output, int rowCount) {
    ReportWriter report;
    reportInit(&report);
    report.format = format;
    report.output = output;
    for (const Column& c : kColumns)
        report.addColumn(&report, uint64_t(c.width), c.title, 0);
    report.header(&report, nullptr, "Repository Map", nullptr);
    const std::vector<std::string>& texts = rowTexts();
    for (int i = 0; i < rowCount; ++i)
        report.addRow(&report, "%s", texts[size_t(i)].c_str());
    report.endSection(&report);
    report.closeReport(&report);
}

void characterFormat(benchmark::State& state, ReportFormat format) {
    rowTexts();
    std::string path = tempPath("out");
    for (auto _ : state) {
        FILE* out = std::fopen(path.c_str(), "wb");
        writeReport(format, out, kRows);
        std::fclose(out);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    std::remove(path.c_str());
}

// The text format's rows written straight with fprintf: the same bytes,
// without the writer's splitting and layout.
void BM_FprintfSameTextBytes(benchmark::State& state) {
    const std::vector<Row>& all = rows();
    std::string path = tempPath("fprintf");
    for (auto _ : state) {
        FILE* out = std::fopen(path.c_str(), "wb");
        for (const Row& r : all)
            std::fprintf(out, "%-8.8s %-7.7s %-24.24s %-24.24s %-8.8s %-44.44s \n",
                         r.cells[0].c_str(), r.cells[1].c_str(), r.cells[2].c_str(),
                         r.cells[3].c_str(), r.cells[4].c_str(), r.cells[5].c_str());
        std::fclose(out);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    std::remove(path.c_str());
}

void BM_Text(benchmark::State& state) {
    characterFormat(state, REPORT_TEXT);
}
void BM_Csv(benchmark::State& state) {
    characterFormat(state, REPORT_CSV);
}
void BM_Html(benchmark::State& state) {
    characterFormat(state, REPORT_HTML);
}
void BM_Json(benchmark::State& state) {
    characterFormat(state, REPORT_JSON);
}

void BM_Pdf(benchmark::State& state) {
    rowTexts();
    std::string path = tempPath("report.pdf");
    setenv("KVLTPDFOUTPUTPATH", path.c_str(), 1);
    for (auto _ : state)
        writeReport(REPORT_PDF, stdout, kRows);
    unsetenv("KVLTPDFOUTPUTPATH");
    state.SetItemsProcessed(state.iterations() * kRows);
    std::remove(path.c_str());
}

void BM_Xls(benchmark::State& state) {
    rowTexts();
    std::string path = tempPath("sheet.xls");
    setenv("KVLTEXCELOUTPUTPATH", path.c_str(), 1);
    for (auto _ : state)
        writeReport(REPORT_EXCEL, stdout, kSheetRows);
    unsetenv("KVLTEXCELOUTPUTPATH");
    state.SetItemsProcessed(state.iterations() * kSheetRows);
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_FprintfSameTextBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Text)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Csv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Html)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Json)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Xls)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
