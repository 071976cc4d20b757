// The list exports at repository scale: the repository map of a million
// slots through the export core, as kvlt-scan export and the window drive it,
// each format next to fprintf writing the same bytes from the same cells in
// the same run. bench/run-benchmarks prints the ratios.
//
// The text baseline measures its column widths over every row too, as the
// same bytes cannot be written without them. The xls and PDF exports are
// timed on lists of 200,000 and 100,000 rows.
//
//   build-bench/bench/export_bench      (or bench/run-benchmarks export)
#include "exportwriters.h"
#include "listtable.h"
#include "scanfile_generator.h"
#include "scanfiledoc.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Files go to memory (/dev/shm) where there is one: the disk's write-back
// on a shared machine would drown the writers' own cost in noise.
std::string tempPath(const std::string& name) {
    const fs::path folder =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    return (folder / ("kvlt-export-bench-" + std::to_string(getpid()) + "-" + name)).string();
}

CKVLTOfflineScannerDoc& document() {
    static CKVLTOfflineScannerDoc* doc = [] {
        const std::string path = tempPath("scan.json");
        if (!generateScanFile(path, ScanFileShape{}))
            std::abort();
        auto* d = new CKVLTOfflineScannerDoc;
        if (!d->OnOpenDocument(path))
            std::abort();
        std::remove(path.c_str());
        return d;
    }();
    return *doc;
}

// The whole map; or its first `rows` rows as a list of their own.
ExportTable mapTable(uint64_t rows = 0) {
    ExportTable table = scanListTable(document(), ScanList::Map);
    if (rows != 0) {
        table.itemCount = table.chosenCount = rows;
        const int64_t count = int64_t(rows);
        table.nextChosen = [count](int64_t row) { return row + 1 < count ? row + 1 : -1; };
    }
    return table;
}

// Every chosen row's cells, as the baseline fetches them.
template <typename WriteRow>
void eachRow(const ExportTable& table, std::vector<std::string>& cells, WriteRow writeRow) {
    cells.resize(table.titles.size());
    for (int64_t row = table.nextChosen(-1); row >= 0; row = table.nextChosen(row)) {
        for (int column = 0; column < table.columnCount(); ++column)
            table.cell(uint64_t(row), column, cells[size_t(column)]);
        writeRow(cells);
    }
}

void check(const ExportResult& result, benchmark::State& state) {
    if (!result)
        state.SkipWithError(exportErrorText(result).c_str());
}

// ------------------------------------------------------------------ CSV

void BM_Export_Csv(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("map.csv");
    for (auto _ : state)
        check(exportCsv(table, path, nullptr), state);
    std::remove(path.c_str());
}

void BM_Baseline_Fprintf_Csv(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("base.csv");
    std::vector<std::string> cells;
    for (auto _ : state) {
        FILE* out = std::fopen(path.c_str(), "wb");
        std::fprintf(out, "%s,%s,%s,%s,%s,%s", table.titles[0].c_str(), table.titles[1].c_str(),
                     table.titles[2].c_str(), table.titles[3].c_str(), table.titles[4].c_str(),
                     table.titles[5].c_str());
        eachRow(table, cells, [out](const std::vector<std::string>& c) {
            std::fprintf(out, "\r\n%s,%s,%s,%s,%s,%s", c[0].c_str(), c[1].c_str(), c[2].c_str(),
                         c[3].c_str(), c[4].c_str(), c[5].c_str());
        });
        std::fclose(out);
    }
    std::remove(path.c_str());
}

// ------------------------------------------------------------------ text

void BM_Export_Text(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("map.txt");
    ReportExportOptions options;
    options.title = "Export";
    for (auto _ : state)
        check(exportReport(table, options, path, nullptr), state);
    std::remove(path.c_str());
}

void BM_Baseline_Fprintf_Text(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("base.txt");
    std::vector<std::string> cells(table.titles.size());
    for (auto _ : state) {
        std::vector<int> widths;
        for (const std::string& title : table.titles)
            widths.push_back(int(title.size()));
        for (uint64_t row = 0; row < table.itemCount; ++row)
            for (int column = 0; column < table.columnCount(); ++column) {
                table.cell(row, column, cells[size_t(column)]);
                widths[size_t(column)] =
                    std::max(widths[size_t(column)], int(cells[size_t(column)].size()));
            }
        FILE* out = std::fopen(path.c_str(), "wb");
        std::fprintf(out, "\n             System: Strovane\n Report Description: Export\n");
        const auto& w = widths;
        eachRow(table, cells, [out, &w](const std::vector<std::string>& c) {
            std::fprintf(out, "%-*s %-*s %-*s %-*s %-*s %-*s \n", w[0], c[0].c_str(), w[1],
                         c[1].c_str(), w[2], c[2].c_str(), w[3], c[3].c_str(), w[4], c[4].c_str(),
                         w[5], c[5].c_str());
        });
        std::fclose(out);
    }
    std::remove(path.c_str());
}

// ------------------------------------------------------------------ JSON

void BM_Export_Json(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("map.json");
    ReportExportOptions options;
    options.format = REPORT_JSON;
    options.title = "Export";
    for (auto _ : state)
        check(exportReport(table, options, path, nullptr), state);
    std::remove(path.c_str());
}

void BM_Baseline_Fprintf_Json(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("base.json");
    std::vector<std::string> cells;
    for (auto _ : state) {
        FILE* out = std::fopen(path.c_str(), "wb");
        std::fprintf(out, "[{\n\t\t\"title\":\t\"Export\",\n\t\t\"records\":\t[");
        bool first = true;
        eachRow(table, cells, [out, &first](const std::vector<std::string>& c) {
            std::fprintf(out,
                         "%s{\n\t\t\t\t\"zone\":\t\"%s\",\n\t\t\t\t\"seq.\":\t\"%s\",\n"
                         "\t\t\t\t\"source\":\t\"%s\",\n\t\t\t\t\"target\":\t\"%s\",\n"
                         "\t\t\t\t\"volume\":\t\"%s\",\n\t\t\t\t\"assigned\":\t\"%s\"\n\t\t\t}",
                         first ? "" : ", ", c[0].c_str(), c[1].c_str(), c[2].c_str(), c[3].c_str(),
                         c[4].c_str(), c[5].c_str());
            first = false;
        });
        std::fprintf(out, "]\n\t}]");
        std::fclose(out);
    }
    std::remove(path.c_str());
}

// ------------------------------------------------------------------ XML

void BM_Export_Xml(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("map.xml");
    for (auto _ : state)
        check(exportXml(table, path, nullptr), state);
    std::remove(path.c_str());
}

void BM_Baseline_Fprintf_Xml(benchmark::State& state) {
    const ExportTable table = mapTable();
    const std::string path = tempPath("base.xml");
    std::vector<std::string> cells;
    static const char* const kNames[6] = {"Zone", "Seq.", "Source", "Target", "Volume", "Assigned"};
    for (auto _ : state) {
        FILE* out = std::fopen(path.c_str(), "wb");
        std::fprintf(out, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<KVLTXML>\r\n");
        eachRow(table, cells, [out](const std::vector<std::string>& c) {
            std::fprintf(out, "\t<Record>\r\n");
            for (int i = 0; i < 6; ++i) {
                if (c[size_t(i)].empty())
                    std::fprintf(out, "\t\t<%s/>\r\n", kNames[i]);
                else
                    std::fprintf(out, "\t\t<%s>%s</%s>\r\n", kNames[i], c[size_t(i)].c_str(),
                                 kNames[i]);
            }
            std::fprintf(out, "\t</Record>\r\n");
        });
        std::fprintf(out, "</KVLTXML>\r\n");
        std::fclose(out);
    }
    std::remove(path.c_str());
}

// ------------------------------------------------------------------ xls and PDF

void BM_Export_Xls200k(benchmark::State& state) {
    const ExportTable table = mapTable(200000);
    const std::string path = tempPath("map.xls");
    for (auto _ : state)
        check(exportXls(table, path, nullptr), state);
    std::remove(path.c_str());
}

void BM_Export_Pdf100k(benchmark::State& state) {
    const ExportTable table = mapTable(100000);
    const std::string path = tempPath("map.pdf");
    ReportExportOptions options;
    options.format = REPORT_PDF;
    options.title = "Export";
    for (auto _ : state)
        check(exportPdf(table, options, path, nullptr), state);
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_Baseline_Fprintf_Csv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export_Csv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Baseline_Fprintf_Text)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export_Text)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Baseline_Fprintf_Json)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export_Json)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Baseline_Fprintf_Xml)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export_Xml)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export_Xls200k)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Export_Pdf100k)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
