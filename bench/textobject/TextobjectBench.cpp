// Read pass over INI files of 1,000 to 100,000 blocks: New(omRead) copies and
// indexes the file, then Read returns every block. The plain pass finds each
// block by searching the copy from its start, for comparison.
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>

#include "textobject/Textobject.h"

using pw::TTextObject;

namespace {

QTemporaryDir& Scratch() {
    static QTemporaryDir dir;
    return dir;
}

// A written INI file of the given number of blocks, made once per size.
QString FileOf(int blocks) {
    static std::map<int, QString> made;
    auto it = made.find(blocks);
    if (it != made.end()) return it->second;
    const QString path = Scratch().filePath(QString("blocks%1.ini").arg(blocks));
    // The bytes Write gives, built at once (Write opens the file per block).
    QByteArray bytes;
    for (int k = 0; k < blocks; ++k)
        bytes += "[0x" + QByteArray::number(k, 16).toUpper().rightJustified(8, '0') + "]\r\nText of block " +
                 QByteArray::number(k) + "\r\nand its second line\r\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) std::abort();
    made[blocks] = path;
    return path;
}

void BM_ReadPass(benchmark::State& state) {
    const int blocks = int(state.range(0));
    TTextObject t;
    t.SetTextStyle(TTextObject::IniStyle);
    t.SetLinuxFormat(true);
    t.SetFileName(FileOf(blocks));
    for (auto _ : state) {
        if (t.New(TTextObject::omRead) != 0) state.SkipWithError("bad file");
        int read = 0;
        while (t.Read() != pw::OutOfTextMarker) ++read;
        if (read != blocks) state.SkipWithError("wrong count");
    }
    state.SetItemsProcessed(state.iterations() * blocks);
}
BENCHMARK(BM_ReadPass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_GetSize(benchmark::State& state) {
    const int blocks = int(state.range(0));
    TTextObject t;
    t.SetTextStyle(TTextObject::IniStyle);
    t.SetFileName(FileOf(blocks));
    t.New(TTextObject::omRead);
    for (auto _ : state) benchmark::DoNotOptimize(t.GetSize());
    state.SetItemsProcessed(state.iterations() * blocks);
}
BENCHMARK(BM_GetSize)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Every block found by a search from the start of the copy.
void BM_PlainSearchPass(benchmark::State& state) {
    const int blocks = int(state.range(0));
    TTextObject t;
    t.SetTextStyle(TTextObject::IniStyle);
    t.SetFileName(FileOf(blocks));
    t.New(TTextObject::omRead);
    const char* data = t.GetBuffer().constData();
    const QList<QByteArray>& keys = t.GetLines();
    for (auto _ : state) {
        for (int i = 0; i < blocks; ++i) {
            const QByteArray header = '[' + keys[i] + ']', next = '[' + keys[i + 1] + ']';
            const char* h = std::strstr(data, header.constData());
            benchmark::DoNotOptimize(h ? std::strstr(h, next.constData()) : nullptr);
        }
    }
    state.SetItemsProcessed(state.iterations() * blocks);
}
BENCHMARK(BM_PlainSearchPass)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
