#pragma once
// Reads the data of a rebuild's entries ahead of the writer, on a worker
// thread, in index order. For each entry it finds out where the data come
// from: the file its log line names, when that exists (opened, checked and
// its size known), else the entry's old place in the source pack. The bytes
// of small entries are read into the batch's buffer exactly as they go into
// the new data file, each followed by its zero padding to a whole block; a
// large entry is left open for the writer to copy, only its padding in the
// buffer. Every buffer position is known as soon as the sizes before it are.
//
// Batches come out in index order. An entry whose data cannot be had is an
// item carrying its error, and nothing after it is read, so a writer that
// takes the items in turn ends exactly as if it had read each entry itself.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/FileIO.h"
#include "packs/PackIndex.h"
#include "packs/RebuildRules.h"
#include "packs/SuppliedEntries.h"

namespace pw {

// What the reader reads from, all fixed for the time of one rebuild.
struct EntrySources {
    const PackIndex* index = nullptr;
    const std::vector<std::string>* lines = nullptr; // the log's lines
    size_t firstLine = 0;                            // line of entry 0
    int sourceFd = -1;                               // the source data file
    int64_t sourceSize = 0;
    RebuildFiles files;                              // the new pack's names, what is never content
    const SuppliedEntries* supplied = nullptr;       // set: entries take its data, or their old data
};

class EntryReader {
public:
    struct Item {
        size_t k = 0;
        std::exception_ptr error; // set: the rebuild fails with it at this entry
        bool fromFile = false;    // the data are the named file's; `size` is the new Size
        int64_t size = 0;         // bytes of data
        bool buffered = false;    // the data are in the buffer at `at`, padding after them
        size_t at = 0;            // else only the padding is there, after a copy of
        int fd = -1;              // `size` bytes of `fd` from `offset`
        int64_t offset = 0;
        File file;                // the entry file while it is still needed
        // Not read: its file was held (by an earlier entry's file still open,
        // say) or no descriptor was free. Reading stops after it until the
        // writer has resolved it itself, with every earlier file closed.
        bool deferred = false;
        // The supplier's data: buffered when small, else the supplier
        // writes them (`size` bytes) and only the padding is buffered.
        bool supplied = false;
    };
    struct Batch {
        std::vector<Item> items;
        std::unique_ptr<char[]> buffer;
        size_t used = 0; // buffer bytes in use, in file order
    };

    // `threads` 0 reads each batch on the caller's thread when asked for.
    EntryReader(EntrySources sources, unsigned threads);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // The next batch in index order; null after the last one.
    std::unique_ptr<Batch> Next();
    // Gives a batch back for reuse once its bytes are written.
    void Recycle(std::unique_ptr<Batch> batch);
    // Finds out where a deferred item's data come from, on the caller's
    // thread; throws what reading that entry in turn throws. The data are
    // then `size` bytes of `fd` from `offset`, with no padding buffered.
    void ResolveDeferred(Item& item) const { Resolve(item, nullptr); }

    // Data of at least this size are copied file to file, not buffered.
    static constexpr int64_t DirectSize = 128 * 1024;
    static constexpr size_t BufferSize = 512 * 1024;

private:
    bool Fill(Batch& batch); // false when nothing comes after this batch
    void Resolve(Item& item, bool* busy) const;
    void Read(Item& item, Batch& batch) const;
    void Work();

    const EntrySources src_;
    const size_t count_;
    size_t next_ = 0;        // the next entry to resolve
    bool carried_ = false;   // `carry_` is resolved, waiting for room in the next batch
    Item carry_;
    bool ended_ = false;     // no batch comes after the last one handed out

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Batch>> ready_;
    std::vector<std::unique_ptr<Batch>> spare_;
    size_t batches_ = 0;     // in all
    bool waitForWriter_ = false; // a deferred item went out: read on once every batch is back
    bool done_ = false;      // the worker has handed out its last batch
    std::atomic<bool> quit_{false};
    std::thread worker_;
};

} // namespace pw
