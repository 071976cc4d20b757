// The price of the scan journal: 10,000 scans applied with the journal and
// the same 10,000 without it, in one run, beside the bare cost of writing
// and syncing 10,000 lines of the same length. The fsync per scan is the
// price of losing nothing; everything above it is our own overhead.
// bench/run-benchmarks prints scans per second and the overhead.
//
// And a batch scanner's day at one sync: whole `kvlt-scan slot` runs with
// 2,000 barcodes from a file against the same run with one barcode (group
// commit makes the journal cost one write and one sync for all of them).
#include "scanfile_generator.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kScans = 10000;

const fs::path& scratch() {
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("kvlt-journal-bench-" + std::to_string(getpid()));
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

const std::string& scanFilePath() {
    static const std::string path = [] {
        std::string p = (scratch() / "scan.json").string();
        ScanFileShape shape;
        shape.slots = 100000;
        shape.zones = 10;
        shape.slotted = 30000;
        shape.incoming = 30000;
        if (!generateScanFile(p, shape))
            std::abort();
        return p;
    }();
    return path;
}

void scanAll(benchmark::State& state, bool journal) {
    std::vector<std::string> barcodes;
    for (uint32_t i = 0; i < kScans; ++i) // scattered through the incoming list
        barcodes.push_back(incomingBarcode((i * 7919u) % 30000u));
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<CKVLTOfflineScannerDoc>();
        if (!doc->OnOpenDocument(scanFilePath()) ||
            (journal && doc->OpenForScanning() != ScanningStatus::Ready))
            state.SkipWithError("open failed");
        RowSelection chosen(doc->AutoSelectSlots(false));
        ScanSession session(*doc, chosen);
        state.ResumeTiming();
        for (const std::string& barcode : barcodes)
            if (session.scan(barcode) != ScanOutcome::Accepted)
                state.SkipWithError("scan refused");
        state.PauseTiming();
        const std::string journalPath = doc->JournalPath();
        if (journal && fs::file_size(journalPath) == 0)
            state.SkipWithError("nothing journaled");
        doc.reset();
        fs::remove(journalPath); // the next iteration starts without one
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kScans);
}

void BM_Scan10000_NoJournal(benchmark::State& state) {
    scanAll(state, false);
}

void BM_Scan10000_Journal(benchmark::State& state) {
    scanAll(state, true);
}

// The floor: one line of a journal's length written and synced per scan.
void BM_Baseline_WriteAndSync10000(benchmark::State& state) {
    const std::string path = (scratch() / "bare.journal").string();
    const std::string line =
        "{\"id\":\"IN0001234L8\",\"slot\":12345,\"assigned\":\"Monday, February 07, 2022 - "
        "13:45:30 (UTC)\"}\n";
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
        for (uint32_t i = 0; i < kScans; ++i)
            if (::write(fd, line.data(), line.size()) != ssize_t(line.size()) || fdatasync(fd) != 0)
                state.SkipWithError("write failed");
        ::close(fd);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kScans);
}

// One whole kvlt-scan slot run over a fresh copy of the scan file.
void slotRun(benchmark::State& state, uint32_t barcodes) {
    const std::string list = (scratch() / ("barcodes-" + std::to_string(barcodes))).string();
    {
        std::string text;
        for (uint32_t i = 0; i < barcodes; ++i)
            text += incomingBarcode((i * 7919u) % 30000u) + "\n";
        FILE* out = std::fopen(list.c_str(), "wb");
        if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size())
            std::abort();
        std::fclose(out);
    }
    const std::string copy = (scratch() / "run.json").string();
    const std::string command = std::string(KVLT_SCAN) + " slot '" + copy +
                                "' --mode first --barcodes '" + list + "' >/dev/null 2>&1";
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(scanFilePath(), copy, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("kvlt-scan slot failed");
    }
}

void BM_SlotRun_2000Barcodes(benchmark::State& state) {
    slotRun(state, 2000);
}

void BM_Baseline_SlotRun_1Barcode(benchmark::State& state) {
    slotRun(state, 1);
}

} // namespace

BENCHMARK(BM_SlotRun_2000Barcodes)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Baseline_SlotRun_1Barcode)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_Scan10000_NoJournal)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Scan10000_Journal)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Baseline_WriteAndSync10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

int main(int argc, char** argv) {
    // The journals go to a scratch folder, never the user's own.
    setenv("XDG_DATA_HOME", (scratch() / "data").c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(scratch(), ignored);
    return 0;
}
