// Saving a large spreadsheet: 60,000 rows of six columns, as the report writer fills them
// (a title row, then texts and numbers), saved to memory and to a file.
#include "xl.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr int kRows = 60000;
constexpr int kCols = 6;

BookHandle fillBook() {
    BookHandle book = xlCreateBookCA();
    SheetHandle sheet = xlBookAddSheetA(book, "Report 1 16807", nullptr);
    const char* titles[kCols] = {"Volume", "Slot", "Zone", "Assigned", "Media", "Size"};
    for (int col = 0; col < kCols; ++col)
        xlSheetWriteStrA(sheet, 0, col, titles[col], nullptr);
    for (int row = 1; row <= kRows; ++row) {
        xlSheetWriteStrA(sheet, row, 0, ("VOL" + std::to_string(100000 + row)).c_str(), nullptr);
        xlSheetWriteNumA(sheet, row, 1, row, nullptr);
        xlSheetWriteStrA(sheet, row, 2, ("Zone " + std::to_string(row % 12)).c_str(), nullptr);
        xlSheetWriteStrA(sheet, row, 3, "Monday, December 07, 2026 - 23:40:00 (UTC)", nullptr);
        xlSheetWriteStrA(sheet, row, 4, row % 2 ? "LTO-8" : "LTO-9", nullptr);
        xlSheetWriteNumA(sheet, row, 5, 12000.5 + row, nullptr);
    }
    return book;
}

// Filling the cells and saving to memory: the whole cost of one export.
void BM_XlsFillAndSaveRaw(benchmark::State& state) {
    for (auto _ : state) {
        BookHandle book = fillBook();
        const char* data = nullptr;
        unsigned size = 0;
        if (!xlBookSaveRawA(book, &data, &size))
            state.SkipWithError(xlBookErrorMessageA(book));
        benchmark::DoNotOptimize(data);
        state.counters["bytes"] = size;
        xlBookReleaseA(book);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}
BENCHMARK(BM_XlsFillAndSaveRaw)->Unit(benchmark::kMillisecond);

// Saving a filled book to a file (written beside the target and renamed over it).
void BM_XlsSaveFile(benchmark::State& state) {
    BookHandle book = fillBook();
    const auto path = std::filesystem::temp_directory_path() / "kvlt-xls-bench.xls";
    for (auto _ : state) {
        if (!xlBookSaveA(book, path.c_str()))
            state.SkipWithError(xlBookErrorMessageA(book));
    }
    std::error_code ec;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path, ec));
    std::filesystem::remove(path, ec);
    xlBookReleaseA(book);
}
BENCHMARK(BM_XlsSaveFile)->Unit(benchmark::kMillisecond);

} // namespace
