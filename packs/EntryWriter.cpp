#include "packs/EntryWriter.h"

#include <algorithm>
#include <system_error>

namespace pw {

namespace {
// A batch is handed over at this many entries or bytes, whichever comes
// first; the caller waits while this many batches are pending.
constexpr size_t BatchEntries = 32;
constexpr int64_t BatchBytes = 4 << 20;
constexpr size_t MaxPending = 8;
} // namespace

unsigned EntryWriter::DefaultThreads() {
    unsigned n = std::thread::hardware_concurrency();
    return std::clamp(n, 1u, 4u);
}

EntryWriter::EntryWriter(int dataFd, std::vector<FileId> reading, unsigned threads)
    : dataFd_(dataFd), reading_(std::move(reading)) {
    try {
        for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // Fewer threads than asked (none: every entry on the caller's thread).
    }
}

EntryWriter::~EntryWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    hasWork_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void EntryWriter::Submit(size_t k, std::string path, int64_t offset, int64_t size) {
    Job job{k, std::move(path), offset, size};
    if (threads_.empty()) {
        Write(job);
        return;
    }
    gathering_.push_back(std::move(job));
    gatheredBytes_ += size;
    if (gathering_.size() >= BatchEntries || gatheredBytes_ >= BatchBytes) HandOver();
}

void EntryWriter::HandOver() {
    if (gathering_.empty()) return;
    std::unique_lock lock(mutex_);
    hasRoom_.wait(lock, [this] { return queue_.size() < MaxPending; });
    queue_.push_back(std::move(gathering_));
    lock.unlock();
    hasWork_.notify_one();
    gathering_ = Batch();
    gathering_.reserve(BatchEntries);
    gatheredBytes_ = 0;
}

void EntryWriter::Fail(size_t k, std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    RecordFailure(k, std::move(error));
}

size_t EntryWriter::FirstFailure() const { return failedAt_.load(); }

void EntryWriter::RecordFailure(size_t k, std::exception_ptr error) {
    if (k < failedAt_.load()) {
        failedAt_.store(k);
        error_ = std::move(error);
    }
}

void EntryWriter::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        hasWork_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty()) return;
        Batch batch = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        lock.unlock();
        hasRoom_.notify_one();
        for (const Job& job : batch)
            if (job.k <= failedAt_.load()) Write(job); // in order, a later one would never be reached
        lock.lock();
        --busy_;
        if (queue_.empty() && busy_ == 0) hasRoom_.notify_all();
    }
}

void EntryWriter::Write(const Job& job) {
    try {
        File out = CreateNotShared(job.path, reading_);
        try {
            CopyRange(dataFd_, job.offset, out.Fd(), job.size);
        } catch (...) {
            out.Close();
            RemoveFile(job.path); // no partial file under the entry's name
            throw;
        }
        std::lock_guard lock(mutex_);
        written_.emplace_back(job.k, job.path);
    } catch (...) {
        std::lock_guard lock(mutex_);
        RecordFailure(job.k, std::current_exception());
    }
}

size_t EntryWriter::Finish(std::exception_ptr* error) {
    HandOver();
    std::unique_lock lock(mutex_);
    hasRoom_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
    const size_t failedAt = failedAt_.load();
    if (failedAt != NoFailure) {
        for (const auto& [k, path] : written_)
            if (k > failedAt) RemoveFile(path);
        if (error) *error = error_;
    }
    return failedAt;
}

} // namespace pw
