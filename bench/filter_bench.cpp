// One column filter applied to a million rows and the list's rows rebuilt,
// as an owner does on the filter-changed message; the target is under
// 200 ms. The baseline is the plain loop an owner would otherwise write:
// fnmatch on every row's cell. Runs offscreen:
//   build/bench/filter_bench
#include "kvltfilter.h"
#include "kvltlistctrl.h"
#include "listfilter.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <fnmatch.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRows = 1000000;

// The repository map's volume column: every third slot holds a volume.
struct Model {
    Model() {
        cells.resize(kRows);
        char text[32];
        for (uint32_t row = 0; row < kRows; row += 3) {
            std::snprintf(text, sizeof text, "VOL%06u", row);
            cells[row] = text;
        }
    }
    std::vector<std::string> cells;
};

class BenchList final : public CKVLTListCtrl {
  public:
    BenchList() {
        InsertColumn(0, QStringLiteral("Volume"));
        SetItemCount(int(kRows));
    }
};

struct Fixture {
    Model model;
    BenchList list;
};

// Made and dropped while the application lives.
std::unique_ptr<Fixture> g_fixture;
Fixture& fixture() {
    if (!g_fixture)
        g_fixture = std::make_unique<Fixture>();
    return *g_fixture;
}

// The owner's rebuild: the kept rows, then the list's row count.
void rebuildWith(benchmark::State& state, const QString& pattern) {
    Fixture& f = fixture();
    CKVLTFilterMap filters;
    filters.insert(0, CKVLTFilter(pattern));
    size_t kept = 0;
    for (auto _ : state) {
        std::vector<uint32_t> rows =
            kvltFilterRows(kRows, filters, [&f](uint32_t row, unsigned, std::string& text) {
                text += f.model.cells[row];
            });
        f.list.SetItemCount(int(rows.size()));
        kept = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["kept"] = double(kept);
}

void plainLoopWith(benchmark::State& state, const char* pattern) {
    Fixture& f = fixture();
    size_t kept = 0;
    for (auto _ : state) {
        std::vector<uint32_t> rows;
        for (uint32_t row = 0; row < kRows; ++row)
            if (fnmatch(pattern, f.model.cells[row].c_str(), FNM_EXTMATCH) == 0)
                rows.push_back(row);
        f.list.SetItemCount(int(rows.size()));
        kept = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["kept"] = double(kept);
}

// What an operator types most: a part of a barcode.
void BM_FilterRebuild_Part(benchmark::State& state) {
    rebuildWith(state, QStringLiteral("*0012*"));
}
void BM_Baseline_FnmatchLoop_Part(benchmark::State& state) {
    plainLoopWith(state, "*0012*");
}

// Asterisks and question marks inside the text.
void BM_FilterRebuild_Wildcards(benchmark::State& state) {
    rebuildWith(state, QStringLiteral("VOL0?1*5"));
}
void BM_Baseline_FnmatchLoop_Wildcards(benchmark::State& state) {
    plainLoopWith(state, "VOL0?1*5");
}

// A pattern list runs through the automaton: for information, no target.
void BM_FilterRebuildInfo_PatternList(benchmark::State& state) {
    rebuildWith(state, QStringLiteral("+(VOL0001|VOL0002)*"));
}

// The worst shapes of pattern we know for the matcher, 256 characters each,
// against one value of 1,000 characters: the pattern prepared and the value
// matched, each time. The target is under 10 ms for any pattern.
std::string levels(int count, const std::string& open, const std::string& close) {
    std::string pattern;
    for (int i = 0; i < count; ++i)
        pattern += open;
    for (int i = 0; i < count; ++i)
        pattern += close;
    return pattern + std::string(256 - pattern.size(), 'a');
}
std::string repeated(const std::string& piece) {
    std::string pattern;
    while (pattern.size() + piece.size() <= 256)
        pattern += piece;
    return pattern + std::string(256 - pattern.size(), 'b');
}

void worstWith(benchmark::State& state, const std::string& pattern) {
    const std::string value(1000, 'a');
    bool matched = false;
    for (auto _ : state) {
        const FilterPattern prepared(pattern, FILTER_EXTMATCH);
        matched = prepared.matches(value);
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matched"] = matched;
}

void BM_FilterWorst_NestedNegations(benchmark::State& state) {
    worstWith(state, levels(51, "!(*a", ")"));
}
void BM_FilterWorst_DoubleNegations(benchmark::State& state) {
    worstWith(state, levels(36, "!(!(*", "))"));
}
void BM_FilterWorst_NestedLists(benchmark::State& state) {
    worstWith(state, levels(64, "*(*", ")"));
}
void BM_FilterWorst_StarNegations(benchmark::State& state) {
    worstWith(state, repeated("!(a*)*"));
}
void BM_FilterWorst_Alternatives(benchmark::State& state) {
    worstWith(state, repeated("*(a|aa|aaa)"));
}
void BM_FilterWorst_NegatedAlternatives(benchmark::State& state) {
    worstWith(state, repeated("+(a|!(a))"));
}
void BM_FilterWorst_Brackets(benchmark::State& state) {
    worstWith(state, repeated("*[a-z]?"));
}

BENCHMARK(BM_FilterWorst_NestedNegations)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterWorst_DoubleNegations)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterWorst_NestedLists)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterWorst_StarNegations)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterWorst_Alternatives)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterWorst_NegatedAlternatives)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterWorst_Brackets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterRebuild_Part)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_FnmatchLoop_Part)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterRebuild_Wildcards)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_FnmatchLoop_Wildcards)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterRebuildInfo_PatternList)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture.reset();
    return 0;
}
