// The scan file and slot allocation at repository scale: a million slots,
// 600,000 volumes. Each measurement has its baseline beside it, measured in
// the same run; bench/run-benchmarks prints the ratios.
//
// Loading and saving against cJSON: the parse alone and the whole document
// load against cJSON_Parse of the same bytes in memory; `kvlt-scan info`
// against a process that only reads the file and runs cJSON_Parse; the save
// (print, write, sync, rename) and our printer with one plain write against
// cJSON_Print with the same write.
#include "jsonarena.h"
#include "jsonexact.h"
#include "plainslotmap.h"
#include "scanfile_generator.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"

#include <benchmark/benchmark.h>
#include <cjson/cJSON.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string g_self; // this program, run again as the baseline process

const std::string& scanFilePath() {
    static const std::string path = [] {
        std::string p =
            (fs::temp_directory_path() / ("kvlt-bench-" + std::to_string(getpid()) + ".json"))
                .string();
        if (!generateScanFile(p, ScanFileShape{}))
            std::abort();
        return p;
    }();
    return path;
}

const std::string& scanFileText() {
    static const std::string text = [] {
        std::ifstream in(scanFilePath(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    return text;
}

CKVLTOfflineScannerDoc& loadedDocument() {
    static CKVLTOfflineScannerDoc* doc = [] {
        auto* d = new CKVLTOfflineScannerDoc;
        if (!d->OnOpenDocument(scanFilePath()))
            std::abort();
        return d;
    }();
    return *doc;
}

// Runs a program to its end; false when it fails.
bool runProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return failed == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The baseline process: reads the file whole into a buffer of its size and
// parses it with cJSON.
int bareParse(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr || std::fseek(file, 0, SEEK_END) != 0)
        return 1;
    long size = std::ftell(file);
    std::rewind(file);
    char* text = static_cast<char*>(std::malloc(size_t(size) + 1));
    if (text == nullptr || std::fread(text, 1, size_t(size), file) != size_t(size))
        return 1;
    std::fclose(file);
    return cJSON_ParseWithLength(text, size_t(size)) != nullptr ? 0 : 1;
}

// ------------------------------------------------------------------ load and store

void BM_Baseline_cJSON_Parse(benchmark::State& state) {
    const std::string& text = scanFileText();
    for (auto _ : state) {
        cJSON* root = cJSON_Parse(text.c_str());
        benchmark::DoNotOptimize(root);
        state.PauseTiming();
        cJSON_Delete(root);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * text.size()));
}

// The loader alone, on the same bytes in memory.
void BM_Parse(benchmark::State& state) {
    const std::string& text = scanFileText();
    for (auto _ : state) {
        std::unique_ptr<JsonArena> arena;
        std::string error;
        cJSON* root = parseJsonExactly(text.data(), text.size(), arena, error);
        if (root == nullptr)
            state.SkipWithError("parse failed");
        state.PauseTiming();
        arena.reset(); // nothing was added: the tree goes with it
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * text.size()));
}

// The document's load: reading the file, the parse, the indexes.
void BM_Load(benchmark::State& state) {
    const std::string& path = scanFilePath();
    scanFileText(); // the file is in the page cache for both
    for (auto _ : state) {
        state.PauseTiming();
        auto* doc = new CKVLTOfflineScannerDoc;
        state.ResumeTiming();
        if (!doc->OnOpenDocument(path))
            state.SkipWithError("load failed");
        state.PauseTiming();
        delete doc;
        state.ResumeTiming();
    }
}

// Whole processes, from start to exit.
void BM_Baseline_ParseProcess(benchmark::State& state) {
    const std::string& path = scanFilePath();
    for (auto _ : state)
        if (!runProgram({g_self, "--bare-parse", path}))
            state.SkipWithError("the parse process failed");
}

void BM_KvltScanInfo(benchmark::State& state) {
    const std::string& path = scanFilePath();
    for (auto _ : state)
        if (!runProgram({KVLT_SCAN, "info", path}))
            state.SkipWithError("kvlt-scan info failed");
}

// cJSON_Print as it prints with its own hooks (with realloc; the document's
// arena hooks turn that off for the time they are set, which printing its
// own buffer never needs).
void BM_Baseline_cJSON_PrintAndWrite(benchmark::State& state) {
    CKVLTOfflineScannerDoc& doc = loadedDocument();
    std::string out = scanFilePath() + ".plain";
    cJSON_InitHooks(nullptr);
    for (auto _ : state) {
        char* text = cJSON_Print(doc.GetRootNode());
        FILE* file = std::fopen(out.c_str(), "wb");
        std::fwrite(text, 1, std::strlen(text), file);
        std::fclose(file);
        cJSON_free(text);
    }
    installJsonArenaHooks();
    fs::remove(out);
}

// Our printer with the same one write.
void BM_PrintAndWrite(benchmark::State& state) {
    CKVLTOfflineScannerDoc& doc = loadedDocument();
    std::string out = scanFilePath() + ".ours";
    for (auto _ : state) {
        char* text = nullptr;
        size_t length = 0;
        if (!printJsonExactly(doc.GetRootNode(), nullptr, scanFileText().size(), text, length))
            state.SkipWithError("print failed");
        FILE* file = std::fopen(out.c_str(), "wb");
        std::fwrite(text, 1, length, file);
        std::fclose(file);
        cJSON_free(text);
    }
    fs::remove(out);
}

// The document's save: print, write a temporary file, sync, rename, sync the folder.
void BM_Store(benchmark::State& state) {
    CKVLTOfflineScannerDoc& doc = loadedDocument();
    std::string out = scanFilePath() + ".saved";
    for (auto _ : state)
        if (!doc.OnSaveDocument(out))
            state.SkipWithError("save failed");
    fs::remove(out);
}

// ------------------------------------------------------------------ allocation

constexpr uint32_t kRequest = 10000;

// The slot map of the loaded document, every slotted volume occupied.
const SlotMap& occupiedMap() {
    static SlotMap map = [] {
        SlotMap m;
        slotMapSetup(&m);
        CKVLTOfflineScannerDoc& doc = loadedDocument();
        m.init(&m, doc.MapRowCount());
        doc.GetSlotVolumes().forEach([&m](uint32_t slot, cJSON*) { m.occupy(&m, slot); });
        return m;
    }();
    return map;
}

struct Outputs {
    std::vector<uint32_t> values = std::vector<uint32_t>(kRequest);
    std::vector<uint32_t*> pointers = std::vector<uint32_t*>(kRequest);
    Outputs() {
        for (uint32_t i = 0; i < kRequest; ++i)
            pointers[i] = &values[i];
    }
};

void restore(SlotMap& map, const SlotMap& from) {
    std::memcpy(map.bits, from.bits, (from.capacity + 7) / 8);
    map.used = from.used;
    map.firstFreeHint = from.firstFreeHint;
}

template <bool Intelli> void BM_Allocate(benchmark::State& state) {
    const SlotMap& original = occupiedMap();
    SlotMap map;
    slotMapSetup(&map);
    map.init(&map, original.capacity);
    Outputs out;
    for (auto _ : state) {
        state.PauseTiming();
        restore(map, original);
        state.ResumeTiming();
        uint32_t result = Intelli ? map.intelliSlot(&map, kRequest, out.pointers.data(), nullptr)
                                  : map.firstAvailable(&map, kRequest, out.pointers.data());
        if (result != SLOT_ALLOC_OK)
            state.SkipWithError("allocation failed");
    }
    map.release(&map);
}
void BM_FirstAvailable(benchmark::State& state) {
    BM_Allocate<false>(state);
}
void BM_IntelliSlot(benchmark::State& state) {
    BM_Allocate<true>(state);
}

void BM_Baseline_IntelliSlotPlain(benchmark::State& state) {
    const SlotMap& original = occupiedMap();
    Outputs plainOut, fastOut;
    for (auto _ : state) {
        state.PauseTiming();
        PlainMap plain{
            original.capacity, original.used,
            std::vector<uint8_t>(original.bits, original.bits + (original.capacity + 7) / 8)};
        state.ResumeTiming();
        plain.intelliSlot(kRequest, plainOut.pointers.data(), nullptr);
    }
    // Both must hand out the same slots.
    SlotMap map;
    slotMapSetup(&map);
    map.init(&map, original.capacity);
    restore(map, original);
    map.intelliSlot(&map, kRequest, fastOut.pointers.data(), nullptr);
    map.release(&map);
    state.counters["same_result"] = plainOut.values == fastOut.values ? 1 : 0;
}

// ------------------------------------------------------------------ scanning

void BM_Apply10000Scans(benchmark::State& state) {
    const std::string& path = scanFilePath();
    for (auto _ : state) {
        state.PauseTiming();
        auto* doc = new CKVLTOfflineScannerDoc;
        doc->OnOpenDocument(path);
        RowSelection chosen(doc->AutoSelectSlots(false));
        ScanSession session(*doc, chosen);
        std::vector<std::string> barcodes;
        for (uint32_t i = 0; i < 10000; ++i) // scattered through the incoming list
            barcodes.push_back(incomingBarcode((i * 7919u) % 300000u));
        state.ResumeTiming();
        for (const std::string& barcode : barcodes)
            if (session.scan(barcode) != ScanOutcome::Accepted)
                state.SkipWithError("scan refused");
        state.PauseTiming();
        delete doc;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_Baseline_cJSON_Parse)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Baseline_ParseProcess)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_KvltScanInfo)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Baseline_cJSON_PrintAndWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PrintAndWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Store)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FirstAvailable)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_IntelliSlot)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Baseline_IntelliSlotPlain)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Apply10000Scans)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--bare-parse") == 0)
        return bareParse(argv[2]);
    g_self = fs::canonical("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(scanFilePath().c_str());
    return 0;
}
