// A rebuild reads its entries' data ahead of the writer, many at a time, in
// batches: whatever the batch boundaries, the new pack and the first error
// are those of reading each entry in turn. Also the one-query open that the
// reader uses for the files that log lines name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/EntryReader.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"
#include "packs/PackIndex.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

// Sizes that cross every batch limit: many small entries, empty ones,
// entries around the size copied file to file, and a few large ones.
size_t SizeOf(size_t k) {
    switch (k % 23) {
    case 0: return 0;
    case 5: return size_t(EntryReader::DirectSize) - 1;
    case 6: return size_t(EntryReader::DirectSize);
    case 11: return 300000 + k;
    default: return 1 + (k * 977) % 9000;
    }
}

struct ReadAhead : RunFolders {
    static constexpr size_t Count = 400;
    PackDesign pack;
    PackPaths src;
    Lines entryLines;                  // every third entry from a file of its own
    std::vector<std::string> expected; // each entry's data after the rebuild
    ReadAhead() {
        pack.Placement = Layout::Shuffled;
        for (size_t k = 0; k < Count; ++k)
            pack.Entries.push_back({"e" + std::to_string(k) + ".bin", Bytes(SizeOf(k), unsigned(k + 1))});
        src = WritePack(game + "/MENU.fat", pack);
        for (size_t k = 0; k < Count; ++k) {
            expected.push_back(pack.Entries[k].Data);
            if (k % 3 != 0) {
                entryLines.push_back(k % 3 == 1 ? "NULL" : dir / "missing");
                continue;
            }
            const std::string file = dir / ("f" + std::to_string(k));
            expected.back() = Bytes(SizeOf(Count - k), unsigned(k + 5000));
            WriteFile(file, expected.back());
            entryLines.push_back(file);
        }
    }
    std::string Run() {
        SetLogBlock(ctx, src.Index, entryLines);
        return ErrorOf([&] { EXPECT_EQ(RebuildPack(ctx, out + "/MENU.fat", 1), Count + 1); });
    }
};

} // namespace

TEST(ReadAhead, ThePackIsTheOneWrittenEntryByEntry) {
    ReadAhead r;
    // One file on three lines: a large one, still open for its copy when the
    // next line names it, and a small one.
    for (size_t k : {367, 369, 398}) {
        r.entryLines[k] = r.entryLines[366];
        r.expected[k] = r.expected[366];
    }
    ASSERT_GE(r.expected[366].size(), size_t(EntryReader::DirectSize));
    r.entryLines[10] = r.entryLines[9];
    r.expected[10] = r.expected[9];
    ASSERT_EQ(r.Run(), "");
    ReadBack got = ReadPack(r.out + "/MENU.fat");
    ASSERT_EQ(got.Entries.size(), ReadAhead::Count);
    int64_t end = 0;
    for (size_t k = 0; k < ReadAhead::Count; ++k) {
        ASSERT_EQ(got.Entries[k].StartBlock, end / 2048) << k;
        ASSERT_EQ(got.EntryData(k), r.expected[k]) << k;
        const int64_t size = int64_t(r.expected[k].size());
        const int64_t padded = (size + 2047) / 2048 * 2048;
        ASSERT_EQ(got.Data.substr(size_t(end + size), size_t(padded - size)), std::string(size_t(padded - size), '\0'))
            << "padding of " << k;
        end += padded;
    }
    EXPECT_EQ(int64_t(got.Data.size()), end);
    EXPECT_EQ(ListTree(r.out), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(ReadAhead, TheFirstBadLineInIndexOrderIsReported) {
    // Bad lines far apart, so that the reader has read past the first one's
    // batch when the second is found; and the last entry's line.
    for (size_t first : {size_t(1), size_t(150), size_t(ReadAhead::Count - 1)}) {
        SCOPED_TRACE(first);
        ReadAhead r;
        WriteFile(r.out + "/MENU.mix", "earlier data");
        r.entryLines[first] = r.game; // a folder
        if (first + 200 < ReadAhead::Count) r.entryLines[first + 200] = r.dir.Path();
        EXPECT_EQ(r.Run(), "Cannot open file " + r.game);
        EXPECT_EQ(ListTree(r.out), Lines{"MENU.mix"});
        EXPECT_EQ(ReadFile(r.out + "/MENU.mix"), "earlier data");
    }
    // A kept entry past the end of the source data before a folder; a log
    // that ends early, after many entries were read.
    ReadAhead r;
    r.pack.Entries[250].Size = 1 << 30;
    WritePack(r.src.Index, r.pack);
    r.entryLines[250] = "NULL";
    r.entryLines[300] = r.game;
    EXPECT_EQ(r.Run(), "Stream read error");
    r.entryLines.resize(280);
    r.entryLines[250] = r.dir / "f0";
    EXPECT_EQ(r.Run(), "List index out of bounds (281)");
    EXPECT_EQ(ListTree(r.out), Lines{});
}

TEST(ReadAhead, WithAndWithoutAWorkerTheBatchesAreTheSame) {
    ReadAhead r;
    const std::string indexBytes = ReadFile(r.src.Index);
    PackIndex index(std::vector<unsigned char>(indexBytes.begin(), indexBytes.end()), r.src.Index);
    File source = OpenReadNotShared(r.src.Data);
    // What each way reads: per entry its origin, size and buffered bytes.
    auto readAll = [&](unsigned threads) {
        EntrySources from;
        from.index = &index;
        from.lines = &r.entryLines;
        from.sourceFd = source.Fd();
        from.sourceSize = source.Size();
        std::vector<std::string> seen;
        EntryReader reader(std::move(from), threads);
        size_t batches = 0;
        while (auto batch = reader.Next()) {
            ++batches;
            EXPECT_LE(batch->used, EntryReader::BufferSize);
            for (const EntryReader::Item& item : batch->items) {
                EXPECT_FALSE(item.error) << item.k;
                EXPECT_EQ(item.k, seen.size());
                std::string bytes;
                if (item.buffered) bytes.assign(batch->buffer.get() + item.at, size_t(item.size));
                seen.push_back(std::to_string(item.fromFile) + "/" + std::to_string(item.size) + "/" + bytes);
            }
            reader.Recycle(std::move(batch));
        }
        EXPECT_GT(batches, 3u);
        return seen;
    };
    const std::vector<std::string> inline_ = readAll(0), worker = readAll(1);
    ASSERT_EQ(inline_.size(), ReadAhead::Count);
    EXPECT_EQ(inline_, worker);
}

TEST(OpenIfExists, NothingOrAnOpenRegularFileOrTheError) {
    TempDir dir;
    FileInfo info;
    EXPECT_FALSE(OpenReadNotSharedIfExists(dir / "missing", &info).IsOpen());
    WriteFile(dir / "file", "12345");
    EXPECT_FALSE(OpenReadNotSharedIfExists(dir / "file/below", &info).IsOpen());
    ::symlink((dir / "gone").c_str(), (dir / "dangling").c_str());
    EXPECT_FALSE(OpenReadNotSharedIfExists(dir / "dangling", &info).IsOpen());

    File f = OpenReadNotSharedIfExists(dir / "file", &info);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(info.size, 5);
    EXPECT_TRUE(info.regular);
    EXPECT_EQ(info.id, IdOfPath(dir / "file"));
    // Held: not shared with a second opener.
    EXPECT_EQ(ErrorOf([&] { OpenReadNotSharedIfExists(dir / "file", &info); }), "Cannot open file " + (dir / "file"));
    f.Close();

    // Something that is not a regular file is refused, a pipe without waiting.
    EXPECT_EQ(ErrorOf([&] { OpenReadNotSharedIfExists(dir.Path(), &info); }), "Cannot open file " + dir.Path());
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { OpenReadNotSharedIfExists(dir / "fifo", &info); }), "Cannot open file " + (dir / "fifo"));
}
