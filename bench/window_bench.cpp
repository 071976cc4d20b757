// The window at repository scale: opening the million-slot file until the
// three lists are painted, against `kvlt-scan info` loading the same file in
// the same run; one accepted scan in the scan dialog with the lists' updates
// painted; fitting the map's columns (Ctrl+0) over a million rows. bench/run-benchmarks prints the
// ratio and the target. First: its ScanFileShape has a member named like one of Qt's keywords.
#include "scanfile_generator.h"

#include "incominglistctrl.h"
#include "mainframe.h"
#include "maplistctrl.h"
#include "messagebox.h"
#include "offlinescannerview.h"
#include "scandialog.h"
#include "scanfiledoc.h"
#include "scanwnd.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string& scanFilePath() {
    static const std::string path = [] {
        std::string p = (fs::temp_directory_path() /
                         ("kvlt-window-bench-" + std::to_string(getpid()) + ".json"))
                            .string();
        if (!generateScanFile(p, ScanFileShape{}))
            std::abort();
        return p;
    }();
    return path;
}

// One main window, shown offscreen, for every measurement.
struct Window {
    CKVLTOfflineScannerDoc document;
    std::unique_ptr<CMainFrame> frame;
    Window() {
        frame = std::make_unique<CMainFrame>(document, QStringLiteral("Strovane Offline Scanner"),
                                             QStringLiteral("bench"));
        frame->show();
        QApplication::processEvents();
    }
    // Opens the file and paints the window with its lists, as the user sees it.
    bool open() {
        const bool loaded = frame->OpenDocumentFile(QString::fromStdString(scanFilePath()), false);
        frame->repaint();
        return loaded;
    }
};

Window& window() {
    static Window* w = new Window;
    return *w;
}

void BM_Baseline_KvltScanInfo(benchmark::State& state) {
    const std::string command =
        std::string(KVLT_SCAN) + " info '" + scanFilePath() + "' >/dev/null 2>&1";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("kvlt-scan info failed");
}

void BM_OpenInWindow(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state) {
        if (!w.open())
            state.SkipWithError("open failed");
        state.PauseTiming();
        w.frame->NewDocument(); // the next open starts from an empty window
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_ScanInDialog(benchmark::State& state) {
    Window& w = window();
    if (!w.open()) {
        state.SkipWithError("open failed");
        return;
    }
    CMapListCtrl* map = w.frame->GetView()->MapList();
    for (uint32_t row : w.document.AutoSelectSlots(true))
        map->SelectItem(int(row));
    CScanDialog dialog(map);
    dialog.show();
    QApplication::processEvents();
    uint32_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Scattered through the incoming list, as a pile arrives.
        dialog.BarcodeField()->setText(
            QString::fromStdString(incomingBarcode((i++ * 7919u) % 300000u)));
        state.ResumeTiming();
        dialog.OnScan();
        QApplication::processEvents(); // the lists' repaints
    }
    if (dialog.Session().assignedCount() != i)
        state.SkipWithError("a scan was refused");
}

// Ctrl+0 on the million-slot map just after a load: every column's widest
// text found over all rows (later fittings use what is kept).
void BM_FitMapColumns(benchmark::State& state) {
    Window& w = window();
    if (!w.open()) {
        state.SkipWithError("open failed");
        return;
    }
    CMapListCtrl* map = w.frame->GetView()->MapList();
    for (auto _ : state) {
        map->ForgetWidestTexts();
        map->AutoSizeColumns();
    }
}

} // namespace

BENCHMARK(BM_Baseline_KvltScanInfo)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenInWindow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScanInDialog)->Unit(benchmark::kMillisecond)->Iterations(500);
BENCHMARK(BM_FitMapColumns)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StderrPresenter boxes; // a refusal or failure is seen, never waited on
    setMessagePresenter(&boxes);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setMessagePresenter(nullptr);
    std::remove(scanFilePath().c_str());
    return 0;
}
