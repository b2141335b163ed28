#pragma once
// Writes extracted entries to their files on worker threads while the
// caller walks the index in order on its own thread (which keeps the status
// and progress). The outcome is the one of writing in index order: after a
// failure the first failing entry in index order is the one reported, and
// no file of a later entry is left behind.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/FileIO.h"

namespace pw {

class EntryWriter {
public:
    static constexpr size_t NoFailure = SIZE_MAX;

    // `threads` 0 writes each entry at once on the caller's thread.
    EntryWriter(int dataFd, std::vector<FileId> reading, unsigned threads);
    ~EntryWriter();
    EntryWriter(const EntryWriter&) = delete;
    EntryWriter& operator=(const EntryWriter&) = delete;

    // Entry k's `size` bytes at `offset` of the data file go to `path`.
    // Entries are handed to the workers in batches; waits while many are
    // pending.
    void Submit(size_t k, std::string path, int64_t offset, int64_t size);
    // Records a failure found by the caller for entry k (its error in flight).
    void Fail(size_t k, std::exception_ptr error);
    // The smallest failing index so far, or NoFailure.
    size_t FirstFailure() const;
    // Waits until every submitted entry is written or given up. After a
    // failure, removes the files of entries after the first failing one and
    // returns that entry's index with its error; else NoFailure.
    size_t Finish(std::exception_ptr* error);

    // Worker threads worth using on this machine.
    static unsigned DefaultThreads();

private:
    struct Job {
        size_t k;
        std::string path;
        int64_t offset, size;
    };
    using Batch = std::vector<Job>;
    void Work();
    void Write(const Job& job);
    void RecordFailure(size_t k, std::exception_ptr error);
    void HandOver(); // the batch being gathered goes to the workers

    const int dataFd_;
    const std::vector<FileId> reading_;
    Batch gathering_; // on the caller's thread, not yet handed over
    int64_t gatheredBytes_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable hasWork_, hasRoom_;
    std::deque<Batch> queue_;
    size_t busy_ = 0;
    bool closing_ = false;
    std::atomic<size_t> failedAt_{NoFailure}; // written under the mutex
    std::exception_ptr error_;
    std::vector<std::pair<size_t, std::string>> written_;
    std::vector<std::thread> threads_;
};

} // namespace pw
