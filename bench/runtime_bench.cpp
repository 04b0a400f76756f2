// Runtime speeds that windows depend on: filling the list view with 100,000 entries (the list window
// fills one row per entry) and moving texts through the GBK codec.
#include "runtime/qt/access.h"
#include "runtime/runtime.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

rt::ListView& listView() {
    if (!rt::isLoaded("列表查看"))
        rt::loadForm("列表查看");
    return rt::form("列表查看").listView("超级列表框1");
}

// The texts as a record set hands them out: already GBK.
void fillRow(rt::ListView& list, int n) {
    static const rt::Text id("GZ-00001"), name("张三"), date("2010年7月14日"), hours("8"),
        notes("今天的工作备注");
    int row = list.addItem(rt::toText(n));
    list.setItemText(row, 1, id);
    list.setItemText(row, 2, name);
    list.setItemText(row, 3, date);
    list.setItemText(row, 4, hours);
    list.setItemText(row, 5, notes);
}

void ListFill100kBatch(benchmark::State& state) {
    rt::ListView& list = listView();
    for (auto _ : state) {
        list.clear();
        rt::ListView::Batch batch(list);
        for (int n = 1; n <= 100000; ++n)
            fillRow(list, n);
    }
}
BENCHMARK(ListFill100kBatch)->Unit(benchmark::kMillisecond);

void ListFill100kRowByRow(benchmark::State& state) {
    rt::ListView& list = listView();
    for (auto _ : state) {
        list.clear();
        for (int n = 1; n <= 100000; ++n)
            fillRow(list, n);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(ListFill100kRowByRow)->Unit(benchmark::kMillisecond);

void ListFill100kLazy(benchmark::State& state) {
    rt::ListView& list = listView();
    rt::qt::window(rt::form("列表查看"))->show();
    for (auto _ : state) {
        list.setLazyRows(100000, [](int row, std::vector<rt::Text>& cells) {
            cells = {rt::toText(row + 1), "GZ-00001", "张三", "2010年7月14日", "8", "备注"};
        });
        QCoreApplication::processEvents(); // the view asks for the rows it shows
    }
}
BENCHMARK(ListFill100kLazy)->Unit(benchmark::kMillisecond);

void GbkEncodeDecode(benchmark::State& state) {
    QString s;
    for (int i = 0; i < 10000; ++i)
        s += QStringLiteral("工作备注 notes 12345 ");
    for (auto _ : state) {
        std::string b = rt::encodeGbk(s);
        benchmark::DoNotOptimize(rt::decodeGbk(b));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * s.size() * 2);
}
BENCHMARK(GbkEncodeDecode)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    rt::initRuntime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
