// Micro-benchmarks of the engine's inner steps: loading an index, naming
// output paths, and reading a log.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "packs/Formathandlers.h"
#include "packs/PackIndex.h"
#include "packs/StatusSink.h"
#include "packs/TextLines.h"

namespace {

std::vector<unsigned char> MakeIndex(size_t n) {
    std::vector<unsigned char> bytes(8 + 28 * n);
    pw::WriteI32LE(bytes.data(), int32_t(n));
    for (size_t k = 0; k < n; ++k) {
        unsigned char* r = bytes.data() + 8 + 28 * k;
        std::snprintf(reinterpret_cast<char*>(r), 16, "entry%05zu.tga", k);
        pw::WriteI32LE(r + 16, int32_t(k * 3));
        pw::WriteI32LE(r + 20, int32_t(1000 + k));
    }
    return bytes;
}

void IndexLoad(benchmark::State& state) {
    const auto bytes = MakeIndex(size_t(state.range(0)));
    for (auto _ : state) {
        pw::PackIndex index(bytes, "GAME.fat");
        int64_t sum = 0;
        for (size_t k = 0; k < index.Count(); ++k) sum += index.Entry(k).Size;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(IndexLoad)->Arg(1000)->Arg(20000);

void OutputPathNaming(benchmark::State& state) {
    pw::PlainStatus status;
    pw::RunContext ctx(status);
    ctx.TargetDir = "/nonexistent-bench-target";
    // Every level already known, as after the first entry of a run: this is
    // the naming alone, without folder creation.
    ctx.KnownDirs.insert("/nonexistent-bench-target/GAME/TGA/");
    uint32_t k = 0;
    for (auto _ : state) {
        std::string rel = pw::RelativeEntryName("GAME", "entry.tga", k++);
        benchmark::DoNotOptimize(pw::MakeOutputPath(ctx, "/game/GAME.fat", rel));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OutputPathNaming);

void LogRead(benchmark::State& state) {
    std::string text = "#Format: FAT\r\n#Source: /game/GAME.fat\r\n";
    for (int k = 0; k < state.range(0); ++k)
        text += k % 10 ? "NULL\r\n" : "/out/GAME/TGA/0000" + std::to_string(10000 + k) + ".tga\r\n";
    for (auto _ : state) benchmark::DoNotOptimize(pw::SplitLines(text));
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(LogRead)->Arg(20000);

} // namespace
