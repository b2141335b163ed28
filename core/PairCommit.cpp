// The commit of a pack's two files through a journal; the protocol is
// described in PairCommit.h.
#include "core/PairCommit.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "core/CommitRecord.h"
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
    CommitRecord r;
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
    // A file that will be renamed over an earlier one is on its way to the
    // disk now, so that the rename has nothing left to allocate (ext4 makes
    // such a rename allocate the new file's blocks). Into a free name the
    // rename costs nothing either way, and the write-back is left to the
    // system, as for any other program's new file.
    if (sync_ || Exists(data.FinalPath())) StartWriteBack(data.Fd());
    if (sync_ || Exists(index.FinalPath())) StartWriteBack(index.Fd());
    data.Stage(stagedData_);
    Step(CommitStep::DataStaged);
    index.Stage(stagedIndex_);
    Step(CommitStep::IndexStaged);
    if (sync_) SyncFolder(folder_);

    const auto held = RecordAndRename(data.FinalPath(), index.FinalPath());
    data.Renamed();
    index.Renamed();
    if (sync_) SyncFolder(folder_);
    RemoveFile(journalPath_);
    done_ = true;
    journal_.Close();
    Step(CommitStep::Finished);
}

bool PairCommit::CommitLinked(const std::string& dataFrom, const std::string& indexFrom, const std::string& dataPath,
                              const std::string& indexPath) {
    RemoveFile(stagedData_);
    RemoveFile(stagedIndex_);
    if (!LinkFile(dataFrom, stagedData_)) return false;
    Step(CommitStep::DataStaged);
    if (!LinkFile(indexFrom, stagedIndex_)) {
        RemoveFile(stagedData_);
        return false;
    }
    Step(CommitStep::IndexStaged);
    if (sync_) SyncFolder(folder_);
    const auto held = RecordAndRename(dataPath, indexPath);
    if (sync_) SyncFolder(folder_);
    RemoveFile(journalPath_);
    done_ = true;
    journal_.Close();
    Step(CommitStep::Finished);
    return true;
}

std::pair<File, File> PairCommit::RecordAndRename(const std::string& dataPath, const std::string& indexPath) {
    CommitRecord r;
    r.dataName = ExtractFileName(dataPath);
    r.indexName = ExtractFileName(indexPath);
    r.newData = StampOfPath(stagedData_);
    r.newIndex = StampOfPath(stagedIndex_);
    // The earlier pair stays open across both renames, so that neither
    // rename frees its blocks: the two renames follow each other at once.
    File heldData = HoldFile(dataPath), heldIndex = HoldFile(indexPath);
    r.oldData = StampOfPath(dataPath);
    r.oldIndex = StampOfPath(indexPath);
    const std::vector<unsigned char> record = EncodeRecord(r);
    ReplaceContents(journal_.Fd(), record.data(), record.size());
    if (sync_) SyncFileData(journal_.Fd());
    recorded_ = true;
    Step(CommitStep::Recorded);

    if (!RenameReplacing(stagedData_, dataPath)) {
        // Nothing has moved (a held file under the data file's name, say):
        // the earlier pair stands, and the staged files and the journal go.
        recorded_ = false;
        ThrowCannotCreate(dataPath);
    }
    Step(CommitStep::DataRenamed);
    // Once the data file is in place the new pair is finished, here or by
    // the destructor.
    if (!RenameReplacing(stagedIndex_, indexPath)) ThrowCannotCreate(indexPath);
    Step(CommitStep::IndexRenamed);
    return {std::move(heldData), std::move(heldIndex)};
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
        CommitRecord r;
        return DecodeRecord(ReadRecord(journal), &r) ? CommitState::Interrupted : CommitState::None;
    }
    case LockResult::Failed:
        break;
    }
    return CommitState::None; // gone since: its commit is done
}

bool HasInterruptedCommit(const std::string& indexPath) {
    return PackCommitState(indexPath) == CommitState::Interrupted;
}

} // namespace pw
