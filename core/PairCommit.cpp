// The commit of a pack's two files through a journal; the protocol is
// described in PairCommit.h.
#include "core/PairCommit.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "core/Bytes.h"
#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"

namespace pw {

namespace {

std::atomic<CommitHook> commitHook{nullptr};

void Step(CommitStep step) {
    if (CommitHook hook = commitHook.load()) hook(step);
}

constexpr std::string_view JournalSuffix = ".packwright-commit";
constexpr std::string_view StagedDataSuffix = ".packwright-new.mix";
constexpr std::string_view StagedIndexSuffix = ".packwright-new.fat";
constexpr std::string_view Magic = "PWJOURNL";
constexpr std::string_view FirstMagic = "PWCOMMIT"; // the first version's record, without stamps
constexpr uint32_t Version = 2;
constexpr size_t MaxRecord = 64 * 1024;

struct PairNames {
    std::string journal, stagedData, stagedIndex;
};

PairNames NamesFor(const std::string& folder, const std::string& key) {
    const std::string base = folder + "." + key;
    return {base + std::string(JournalSuffix), base + std::string(StagedDataSuffix),
            base + std::string(StagedIndexSuffix)};
}

std::string PackKey(const std::string& indexPath) {
    return UpperCaseAscii(ChangeFileExt(ExtractFileName(indexPath), ""));
}

uint32_t Fnv1a(const unsigned char* p, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
}

// What a commit record says.
struct Record {
    std::string dataName, indexName;
    bool stamped = false; // false: a first-version record
    FileStamp newData, newIndex, oldData, oldIndex;
};

void PutU32(std::vector<unsigned char>& out, uint32_t v) {
    unsigned char b[4];
    WriteU32LE(b, v);
    out.insert(out.end(), b, b + 4);
}

void PutU64(std::vector<unsigned char>& out, uint64_t v) {
    PutU32(out, uint32_t(v));
    PutU32(out, uint32_t(v >> 32));
}

void PutName(std::vector<unsigned char>& out, const std::string& name) {
    PutU32(out, uint32_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

void PutStamp(std::vector<unsigned char>& out, const FileStamp& s) {
    PutU64(out, s.id.dev);
    PutU64(out, s.id.ino);
    PutU64(out, uint64_t(s.size));
    PutU64(out, uint64_t(s.modified));
}

std::vector<unsigned char> EncodeRecord(const Record& r) {
    std::vector<unsigned char> out(Magic.begin(), Magic.end());
    PutU32(out, Version);
    PutName(out, r.dataName);
    PutName(out, r.indexName);
    for (const FileStamp* s : {&r.newData, &r.newIndex, &r.oldData, &r.oldIndex}) PutStamp(out, *s);
    PutU32(out, Fnv1a(out.data(), out.size()));
    return out;
}

// Reads the record's fields in order, bounds checked: each Take fails once
// the record ends early.
class RecordReader {
public:
    explicit RecordReader(const std::vector<unsigned char>& in) : in_(in) {}
    size_t At() const { return at_; }
    bool Skip(size_t n) {
        if (in_.size() - at_ < n) return false;
        at_ += n;
        return true;
    }
    bool U32(uint32_t* v) {
        if (in_.size() - at_ < 4) return false;
        *v = ReadU32LE(in_.data() + at_);
        at_ += 4;
        return true;
    }
    bool U64(uint64_t* v) {
        uint32_t lo = 0, hi = 0;
        if (!U32(&lo) || !U32(&hi)) return false;
        *v = uint64_t(hi) << 32 | lo;
        return true;
    }
    bool Stamp(FileStamp* s) {
        uint64_t size = 0, modified = 0;
        if (!U64(&s->id.dev) || !U64(&s->id.ino) || !U64(&size) || !U64(&modified)) return false;
        s->size = int64_t(size);
        s->modified = int64_t(modified);
        return true;
    }
    // A file name: false when it runs past the end or is not a plain name
    // in the folder.
    bool Name(std::string* name) {
        uint32_t len = 0;
        if (!U32(&len) || len == 0 || in_.size() - at_ < len) return false;
        name->assign(reinterpret_cast<const char*>(in_.data() + at_), len);
        at_ += len;
        return name->find_first_of(PathSeparators) == std::string::npos &&
               name->find('\0') == std::string::npos && *name != "." && *name != "..";
    }
    // The hash of every byte before it, and nothing after it.
    bool Hash() {
        const size_t end = at_;
        uint32_t hash = 0;
        return U32(&hash) && at_ == in_.size() && hash == Fnv1a(in_.data(), end);
    }

private:
    const std::vector<unsigned char>& in_;
    size_t at_ = 0;
};

bool StartsWith(const std::vector<unsigned char>& in, std::string_view magic) {
    return in.size() >= magic.size() && std::equal(magic.begin(), magic.end(), in.begin());
}

bool DecodeRecord(const std::vector<unsigned char>& in, Record* r) {
    RecordReader read(in);
    if (StartsWith(in, FirstMagic)) {
        r->stamped = false;
        return read.Skip(FirstMagic.size()) && read.Name(&r->dataName) && read.Name(&r->indexName) && read.Hash();
    }
    uint32_t version = 0;
    r->stamped = true;
    return StartsWith(in, Magic) && read.Skip(Magic.size()) && read.U32(&version) && version == Version &&
           read.Name(&r->dataName) && read.Name(&r->indexName) && read.Stamp(&r->newData) &&
           read.Stamp(&r->newIndex) && read.Stamp(&r->oldData) && read.Stamp(&r->oldIndex) && read.Hash();
}

std::vector<unsigned char> ReadRecord(const File& journal) { return ReadStart(journal.Fd(), MaxRecord + 1); }

// Whether the staged file and its target name hold what the commit left or
// would leave there: the staged file not yet renamed beside the earlier
// file, or renamed and standing under the target name.
bool AsCommitted(const std::string& staged, const std::string& target, const FileStamp& newFile,
                 const FileStamp& oldFile) {
    const FileStamp atStage = StampOfPath(staged), atTarget = StampOfPath(target);
    if (atStage.Present()) return atStage == newFile && atTarget == oldFile;
    return atTarget == newFile;
}

void RemoveStaged(const PairNames& names) {
    if (!RemoveFile(names.stagedData)) ThrowCannotCreate(names.stagedData);
    if (!RemoveFile(names.stagedIndex)) ThrowCannotCreate(names.stagedIndex);
}

// Holding the journal's lock: the new pair put in place when the journal
// holds a whole record and the names hold what the commit left there, else
// the staged files removed; the journal is left empty. "Cannot create file
// <target>" when a rename fails.
void FinishJournal(const std::string& folder, const PairNames& names, const File& journal) {
    Record r;
    if (!DecodeRecord(ReadRecord(journal), &r)) {
        RemoveStaged(names);
    } else if (r.stamped && !(AsCommitted(names.stagedData, folder + r.dataName, r.newData, r.oldData) &&
                              AsCommitted(names.stagedIndex, folder + r.indexName, r.newIndex, r.oldIndex))) {
        RemoveStaged(names);
        Notice(folder + r.indexName + " was replaced after an unfinished commit; the commit was dropped");
    } else {
        if (NamePresent(names.stagedData) && !RenameReplacing(names.stagedData, folder + r.dataName))
            ThrowCannotCreate(folder + r.dataName);
        Step(CommitStep::RecoveryRenamed);
        if (NamePresent(names.stagedIndex) && !RenameReplacing(names.stagedIndex, folder + r.indexName))
            ThrowCannotCreate(folder + r.indexName);
    }
    ReplaceContents(journal.Fd(), nullptr, 0);
}

// Finishes the pair `key` of `folder` when its writer is gone; quietly
// leaves it otherwise.
void FinishPair(const std::string& folder, const std::string& key) {
    const PairNames names = NamesFor(folder, key);
    File journal;
    if (TakeFileLock(names.journal, true, journal) != LockResult::Taken) return;
    try {
        FinishJournal(folder, names, journal);
    } catch (const Error&) {
        return; // stays for the next run
    }
    RemoveFile(names.journal);
}

} // namespace

void SetCommitHook(CommitHook hook) { commitHook.store(hook); }

PairCommit::PairCommit(const std::string& indexPath, const std::string& dataPath, bool sync)
    : folder_(ExtractFilePath(indexPath)), sync_(sync) {
    const PairNames names = NamesFor(folder_, PackKey(indexPath));
    journalPath_ = names.journal;
    stagedData_ = names.stagedData;
    stagedIndex_ = names.stagedIndex;
    // Another run's clean-up may hold it for a moment: a writer of the same
    // pack holds it for its whole run.
    LockResult taken = LockResult::Held;
    for (int attempt = 0; attempt < 10; ++attempt) {
        taken = TakeFileLock(journalPath_, true, journal_);
        if (taken != LockResult::Held) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (taken != LockResult::Taken) ThrowCannotCreate(dataPath);
    try {
        FinishJournal(folder_, names, journal_);
    } catch (...) {
        journal_.Close(); // a crashed run's commit stays for the next run
        throw;
    }
}

PairCommit::~PairCommit() {
    if (done_ || !journal_.IsOpen()) return;
    if (recorded_) {
        // Both files were complete: the new pair is put in place.
        try {
            FinishJournal(folder_, {journalPath_, stagedData_, stagedIndex_}, journal_);
        } catch (const Error&) {
            return; // the journal stays, for the next run to finish
        }
    } else {
        RemoveFile(stagedData_);
        RemoveFile(stagedIndex_);
    }
    RemoveFile(journalPath_);
}

void PairCommit::Commit(PendingFile& data, PendingFile& index) {
    // Both files on their way to the disk now: a rename over an earlier file
    // then has nothing left to allocate.
    StartWriteBack(data.Fd());
    StartWriteBack(index.Fd());
    data.Stage(stagedData_);
    Step(CommitStep::DataStaged);
    index.Stage(stagedIndex_);
    Step(CommitStep::IndexStaged);
    if (sync_) SyncFolder(folder_);

    Record r;
    r.dataName = ExtractFileName(data.FinalPath());
    r.indexName = ExtractFileName(index.FinalPath());
    r.newData = StampOfPath(stagedData_);
    r.newIndex = StampOfPath(stagedIndex_);
    // The earlier pair stays open across both renames, so that neither
    // rename frees its blocks: the two renames follow each other at once.
    File heldData = HoldFile(data.FinalPath()), heldIndex = HoldFile(index.FinalPath());
    r.oldData = StampOfPath(data.FinalPath());
    r.oldIndex = StampOfPath(index.FinalPath());
    const std::vector<unsigned char> record = EncodeRecord(r);
    ReplaceContents(journal_.Fd(), record.data(), record.size());
    if (sync_) SyncFileData(journal_.Fd());
    recorded_ = true;
    Step(CommitStep::Recorded);

    if (!RenameReplacing(stagedData_, data.FinalPath())) {
        // Nothing has moved (a held file under the data file's name, say):
        // the earlier pair stands, and the staged files and the journal go.
        recorded_ = false;
        ThrowCannotCreate(data.FinalPath());
    }
    Step(CommitStep::DataRenamed);
    // Once the data file is in place the new pair is finished, here or by
    // the destructor.
    if (!RenameReplacing(stagedIndex_, index.FinalPath())) ThrowCannotCreate(index.FinalPath());
    Step(CommitStep::IndexRenamed);
    data.Renamed();
    index.Renamed();
    if (sync_) SyncFolder(folder_);
    RemoveFile(journalPath_);
    done_ = true;
    journal_.Close();
    Step(CommitStep::Finished);
}

void RemoveLeftovers(const std::string& folder) {
    std::set<std::string> pairs;
    for (const DirEntry& entry : ListDirectory(folder.empty() ? "." : folder)) {
        const std::string& name = entry.Name;
        if (PendingFile::IsTemporaryName(name)) {
            File f;
            if (TakeFileLock(folder + name, false, f) == LockResult::Taken) RemoveFile(folder + name);
            continue;
        }
        if (name.size() < 2 || name[0] != '.') continue;
        for (std::string_view suffix : {JournalSuffix, StagedDataSuffix, StagedIndexSuffix}) {
            if (name.size() > suffix.size() + 1 && std::string_view(name).ends_with(suffix))
                pairs.insert(name.substr(1, name.size() - suffix.size() - 1));
        }
    }
    for (const std::string& key : pairs) FinishPair(folder, key);
}

void FinishInterruptedCommit(const std::string& indexPath) {
    const std::string folder = ExtractFilePath(indexPath);
    const std::string key = PackKey(indexPath);
    if (NamePresent(NamesFor(folder, key).journal)) FinishPair(folder, key);
}

bool HasInterruptedCommit(const std::string& indexPath) {
    const PairNames names = NamesFor(ExtractFilePath(indexPath), PackKey(indexPath));
    if (!NamePresent(names.journal)) return false;
    File journal;
    if (TakeFileLock(names.journal, false, journal) != LockResult::Taken) return false;
    Record r;
    return DecodeRecord(ReadRecord(journal), &r);
}

CommitState PackCommitState(const std::string& indexPath) {
    const PairNames names = NamesFor(ExtractFilePath(indexPath), PackKey(indexPath));
    // Nothing recorded: nothing has moved. The length is read without
    // opening the file, which its writer holds.
    if (RegularFileSize(names.journal) <= 0) return CommitState::None;
    File journal;
    switch (TakeFileLock(names.journal, false, journal)) {
    case LockResult::Held:
        return CommitState::UnderWay;
    case LockResult::Taken: {
        Record r;
        return DecodeRecord(ReadRecord(journal), &r) ? CommitState::Interrupted : CommitState::None;
    }
    case LockResult::Failed:
        break;
    }
    return CommitState::None; // gone since: its commit is done
}

} // namespace pw
