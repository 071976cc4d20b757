// The list control at a million rows: whole-selection operations, walking the
// selection, the footer and painting one screen. Each must stay well under
// 100 ms. Runs offscreen:
//   build/bench/listctrl_bench
#include "kvltlistctrl.h"
#include "kvltlistfooter.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 1000000;

// A repository-map-like list: six columns, texts made on request.
class BenchList final : public CKVLTListCtrl {
  public:
    explicit BenchList(QWidget* parent) : CKVLTListCtrl(parent) {
        for (const char* title : {"Zone", "Seq.", "Source", "Target", "Volume", "Assigned"})
            InsertColumn(GetColumnCount(), title, LVCFMT_LEFT, 100);
        SetItemCount(kRows);
        SetRandomSeed(42);
    }

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override {
        switch (nSubItem) {
        case 0:
            return QStringLiteral("Z%1:%2").arg(nItem / 1000 + 1).arg(nItem % 1000);
        case 1:
            return QString::number(nItem + 1);
        case 4:
            return nItem % 3 ? QString() : QStringLiteral("VOL%1").arg(nItem, 6, 10, QChar('0'));
        default:
            return nItem % 3 ? QString() : QStringLiteral("Main Vault");
        }
    }
    int OnGetItemImage(int, int nSubItem) const override { return nSubItem == 0 ? 0 : -1; }
};

struct Fixture {
    Fixture() {
        window.resize(900, 700);
        list = new BenchList(&window);
        list->setGeometry(5, 30, 880, 640);
        list->CreateFooter(1005);
        list->SetListIcons(QList<QIcon>{QIcon()});
        window.show();
        QCoreApplication::processEvents();
    }
    QWidget window;
    BenchList* list = nullptr;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_SelectAll(benchmark::State& state) {
    CKVLTListCtrl& list = *fixture().list;
    for (auto _ : state) {
        list.SelectAllItems();
        benchmark::DoNotOptimize(list.GetSelectedCount());
    }
}

void BM_DeselectAll(benchmark::State& state) {
    CKVLTListCtrl& list = *fixture().list;
    list.SelectAllItems();
    for (auto _ : state) {
        list.DeselectAllItems();
        benchmark::DoNotOptimize(list.GetSelectedCount());
    }
}

void BM_InvertAfterRandomHalf(benchmark::State& state) {
    CKVLTListCtrl& list = *fixture().list;
    list.DeselectAllItems();
    list.SelectRandomRows(kRows / 2);
    for (auto _ : state) {
        list.InvertSelection();
        benchmark::DoNotOptimize(list.GetSelectedCount());
    }
}

void BM_RandomSelect500k(benchmark::State& state) {
    CKVLTListCtrl& list = *fixture().list;
    for (auto _ : state) {
        state.PauseTiming();
        list.DeselectAllItems();
        state.ResumeTiming();
        list.SelectRandomRows(500000);
        benchmark::DoNotOptimize(list.GetSelectedCount());
    }
}

void BM_WalkSelectedRows(benchmark::State& state) {
    CKVLTListCtrl& list = *fixture().list;
    list.DeselectAllItems();
    list.SelectRandomRows(kRows / 2);
    for (auto _ : state) {
        long long sum = 0;
        for (int r = list.GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); r >= 0;
             r = list.GetNextItem(r, CKVLTListCtrl::LVNI_SELECTED))
            sum += r;
        benchmark::DoNotOptimize(sum);
    }
}

void BM_FooterRefresh(benchmark::State& state) {
    Fixture& f = fixture();
    // Worst case for the first-selection pane: one row selected, at the end.
    f.list->DeselectAllItems();
    f.list->SelectItem(kRows - 1);
    CKVLTListFooter* footer = f.list->GetFooter();
    QImage image(footer->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        footer->Refresh();
        footer->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PaintOneScreen(benchmark::State& state) {
    Fixture& f = fixture();
    f.list->DeselectAllItems();
    f.list->SelectRandomRows(kRows / 2);
    f.list->ExecuteCommandKey('8');
    f.list->ExecuteCommandKey('9');
    f.list->EnsureVisible(kRows / 2);
    QImage image(f.list->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        f.list->viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["rows"] = f.list->GetCountPerPage();
}

BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeselectAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertAfterRandomHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomSelect500k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkSelectedRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FooterRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintOneScreen)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
