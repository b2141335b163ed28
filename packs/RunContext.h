#pragma once
// The state of one program's runs, handed to every handler. The program
// keeps exactly one: the window owns it, the command-line tool makes one.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/FileIO.h"
#include "packs/StatusSink.h"
#include "packs/SuppliedEntries.h"

namespace pw {

class RunContext {
public:
    explicit RunContext(StatusSink& status) : Status(&status) {}
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    StatusSink* Status;

    std::vector<std::string> ResultLines; // lines of the result log of the current run
    std::vector<std::string> LogLines;    // the log being inserted
    std::string TargetDir;                // target folder of a run; the current directory during it
    std::string ScanRoot;                 // folder of the last directory scan, as typed
    bool ListFromScan = false;            // the list holds the result of a scan
    int64_t TotalBytes = 0;               // bytes extracted in this run
    // What the run has done, for its summary: packs finished (extracted or
    // built), entries written (files extracted, or entries of the new packs),
    // of those the rebuilt entries that took a file's content, and the bytes
    // written (entry files, or the new data files).
    struct Tally {
        size_t Packs = 0, Entries = 0, FromFiles = 0;
        int64_t Bytes = 0;
    };
    Tally RunTally;
    size_t BlockStart = 0;                // where the current item's lines begin in ResultLines

    uint8_t PackFormat = 4;               // format code in force while a log is read
    uint8_t PlainLine = 0;                // the current log line is not a header line
    std::string SourcePackPath;           // pack of the last "#Source:" line that exists
    File HeldSourceIndex;                 // that pack's index, held while its line is handled

    // Stop: asked from the window's Stop button or the tool's Ctrl-C (it is
    // lock-free, so a signal handler may set it); looked at before each entry.
    std::atomic<bool> StopRequested{false};
    void RequestStop() { StopRequested.store(true); }
    bool Stopped() const { return StopRequested.load(); }

    // insert --verify: every new pack is read back and compared with its
    // sources before it is put in place. The hook runs between the writing
    // and the read-back, with the new data and index files (for tests).
    bool VerifyRebuilds = false;
    std::function<void(int dataFd, int indexFd)> BeforeReadBack;

    // Files the run has open for reading: nothing is ever created over one.
    std::vector<FileId> ReadingFiles;
    // Folders this run has already made or found, so each level is tested once.
    std::unordered_set<std::string> KnownDirs;
    // Folders whose leftovers of crashed runs this run has cleared already.
    std::unordered_set<std::string> ClearedDirs;
    // The target's earlier result log is out of the way: an extraction
    // sets it aside before it writes its first entry file (packs/Driver.h).
    bool EarlierLogCleared = false;
    std::string EarlierLogAside; // where it lies meanwhile, "" when nowhere
    File EarlierLogLock;         // held on it, as a pending file's writer holds its file

    // A rebuild's new data from a supplier instead of the log (applying a
    // patch): no log lines are read while it is set.
    const SuppliedEntries* Supplied = nullptr;

    // Durability: every file the run writes, and its name, is on disk before
    // it counts as written (the command-line tool's --sync).
    bool Sync = false;
    // The new packs' data go to disk while they are written: they will be
    // renamed over existing files, which on ext4 flushes them inside the
    // rename otherwise.
    bool WriteBackEarly = false;
    // For tests: called with its index after each entry of a rebuild has
    // gone to the new data file (a crash test kills the process there).
    std::function<void(size_t)> AfterRebuildEntry;

    // Clears the per-run state at the start of a run (not the scan state).
    void ResetForRun() {
        ResultLines.clear();
        TotalBytes = 0;
        RunTally = {};
        StopRequested.store(false);
        KnownDirs.clear();
        ClearedDirs.clear();
        EarlierLogCleared = false;
    }
};

// Registers a file as open for reading for the life of a scope.
class ReadingGuard {
public:
    ReadingGuard(RunContext& ctx, const File& file);
    ~ReadingGuard();
    ReadingGuard(const ReadingGuard&) = delete;
    ReadingGuard& operator=(const ReadingGuard&) = delete;

private:
    RunContext& ctx_;
    FileId id_;
};

} // namespace pw
