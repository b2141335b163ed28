#include "packs/EntryReader.h"

#include <climits>
#include <cstring>
#include <system_error>

#include "core/Error.h"

namespace pw {

namespace {

constexpr size_t MaxItems = 256;    // entries in one batch
constexpr size_t MaxOpenFiles = 8;  // entry files left open in one batch
constexpr size_t Batches = 3;       // one being written, two read ahead

} // namespace

EntryReader::EntryReader(EntrySources sources, unsigned threads)
    : src_(std::move(sources)), count_(src_.index->Count()) {
    batches_ = threads > 0 ? Batches : 1;
    for (size_t i = 0; i < batches_; ++i) {
        auto b = std::make_unique<Batch>();
        b->buffer.reset(new char[BufferSize]);
        b->items.reserve(MaxItems);
        spare_.push_back(std::move(b));
    }
    if (threads > 0) {
        try {
            worker_ = std::thread([this] { Work(); });
        } catch (const std::system_error&) {
            // No thread: every batch is read when asked for.
        }
    }
}

EntryReader::~EntryReader() {
    quit_.store(true);
    {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
}

// Where entry k's data come from, and how many bytes they are. Throws what
// reading the entry in turn would throw.
void EntryReader::Resolve(Item& item, bool* busy) const {
    const FatEntry entry = src_.index->Entry(item.k);
    if (src_.supplied) {
        int64_t size = 0;
        if (src_.supplied->Supplies(item.k, &size)) {
            item.supplied = item.fromFile = true;
            item.size = size;
            return;
        }
        if (entry.Size != 0 && !EntryInside(entry.StartBlock, entry.Size, src_.sourceSize)) ThrowReadError();
        item.size = entry.Size;
        if (item.size != 0) {
            item.fd = src_.sourceFd;
            item.offset = int64_t(entry.StartBlock) * PackBlockSize;
        }
        return;
    }
    bool held = false;
    EntryContent choice = ChooseEntrySource(*src_.lines, src_.firstLine + item.k, entry, src_.sourceSize,
                                            src_.files, LogPaths(), nullptr, busy ? &held : nullptr);
    if (held) {
        *busy = true;
        item.deferred = true;
        return;
    }
    item.size = choice.size;
    if (choice.file.IsOpen()) {
        item.fromFile = true;
        item.fd = choice.file.Fd();
        item.offset = 0;
        item.file = std::move(choice.file);
    } else if (item.size != 0) {
        item.fd = src_.sourceFd;
        item.offset = int64_t(entry.StartBlock) * PackBlockSize;
    }
}

// Puts the item's bytes (or only its padding) at the end of the buffer.
void EntryReader::Read(Item& item, Batch& batch) const {
    const int64_t pad = PaddedEnd(0, item.size) - item.size;
    item.at = batch.used;
    char* p = batch.buffer.get() + batch.used;
    item.buffered = item.size < DirectSize;
    if (item.buffered) {
        if (item.supplied) src_.supplied->Read(item.k, p);
        else ReadAt(item.fd, p, size_t(item.size), item.offset);
        p += item.size;
        batch.used += size_t(item.size);
        item.file.Close();
    }
    std::memset(p, 0, size_t(pad));
    batch.used += size_t(pad);
}

bool EntryReader::Fill(Batch& batch) {
    batch.items.clear();
    batch.used = 0;
    size_t openFiles = 0;
    while (batch.items.size() < MaxItems && openFiles < MaxOpenFiles && !quit_.load()) {
        Item item;
        if (carried_) {
            item = std::move(carry_);
            carried_ = false;
        } else {
            if (next_ >= count_) return false;
            item.k = next_++;
            bool busy = false;
            try {
                Resolve(item, &busy);
            } catch (...) {
                item.error = std::current_exception();
                batch.items.push_back(std::move(item));
                return false;
            }
            if (item.deferred) {
                item.at = batch.used;
                batch.items.push_back(std::move(item));
                waitForWriter_ = true;
                return next_ < count_;
            }
        }
        const int64_t room = item.size < DirectSize ? PaddedEnd(0, item.size) : PackBlockSize;
        if (!batch.items.empty() && batch.used + size_t(room) > BufferSize) {
            carry_ = std::move(item); // read into the next batch
            carried_ = true;
            return true;
        }
        try {
            Read(item, batch);
        } catch (...) {
            item.file.Close();
            item.error = std::current_exception();
            batch.items.push_back(std::move(item));
            return false;
        }
        if (item.file.IsOpen()) ++openFiles;
        batch.items.push_back(std::move(item));
    }
    return carried_ || next_ < count_;
}

void EntryReader::Work() {
    for (;;) {
        std::unique_ptr<Batch> batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] {
                return quit_.load() || (waitForWriter_ ? spare_.size() == batches_ : !spare_.empty());
            });
            if (quit_.load()) return;
            waitForWriter_ = false;
            batch = std::move(spare_.back());
            spare_.pop_back();
        }
        bool more;
        try {
            more = Fill(*batch);
        } catch (...) { // out of memory while filling: that entry fails
            Item item;
            item.k = batch->items.empty() ? next_ : batch->items.back().k + 1;
            item.error = std::current_exception();
            batch->items.push_back(std::move(item));
            more = false;
        }
        std::lock_guard lock(mutex_);
        if (!batch->items.empty()) ready_.push_back(std::move(batch));
        else spare_.push_back(std::move(batch));
        done_ = !more;
        changed_.notify_all();
        if (done_) return;
    }
}

std::unique_ptr<EntryReader::Batch> EntryReader::Next() {
    if (!worker_.joinable()) {
        if (ended_ || spare_.empty()) return nullptr;
        std::unique_ptr<Batch> batch = std::move(spare_.back());
        spare_.pop_back();
        ended_ = !Fill(*batch);
        if (batch->items.empty()) {
            spare_.push_back(std::move(batch));
            return nullptr;
        }
        return batch;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return done_ || !ready_.empty(); });
    if (ready_.empty()) return nullptr;
    std::unique_ptr<Batch> batch = std::move(ready_.front());
    ready_.pop_front();
    return batch;
}

void EntryReader::Recycle(std::unique_ptr<Batch> batch) {
    batch->items.clear(); // closes the entry files still open
    std::lock_guard lock(mutex_);
    spare_.push_back(std::move(batch));
    changed_.notify_all();
}

} // namespace pw
