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
constexpr std::string_view Magic = "PWCOMMIT";
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

void PutName(std::vector<unsigned char>& out, const std::string& name) {
    unsigned char len[4];
    WriteU32LE(len, uint32_t(name.size()));
    out.insert(out.end(), len, len + 4);
    out.insert(out.end(), name.begin(), name.end());
}

std::vector<unsigned char> EncodeRecord(const std::string& dataName, const std::string& indexName) {
    std::vector<unsigned char> out(Magic.begin(), Magic.end());
    PutName(out, dataName);
    PutName(out, indexName);
    unsigned char hash[4];
    WriteU32LE(hash, Fnv1a(out.data(), out.size()));
    out.insert(out.end(), hash, hash + 4);
    return out;
}

// A file name of the record at `*at`, bounds checked; false when it runs
// past the end or is not a plain name in the folder.
bool TakeName(const std::vector<unsigned char>& in, size_t* at, std::string* name) {
    if (in.size() - *at < 4) return false;
    const uint32_t len = ReadU32LE(in.data() + *at);
    *at += 4;
    if (len == 0 || in.size() - *at < len) return false;
    name->assign(reinterpret_cast<const char*>(in.data() + *at), len);
    *at += len;
    return name->find_first_of(PathSeparators) == std::string::npos &&
           name->find('\0') == std::string::npos && *name != "." && *name != "..";
}

bool DecodeRecord(const std::vector<unsigned char>& in, std::string* dataName, std::string* indexName) {
    if (in.size() < Magic.size() + 4 || !std::equal(Magic.begin(), Magic.end(), in.begin())) return false;
    size_t at = Magic.size();
    if (!TakeName(in, &at, dataName) || !TakeName(in, &at, indexName)) return false;
    return in.size() - at == 4 && ReadU32LE(in.data() + at) == Fnv1a(in.data(), at);
}

std::vector<unsigned char> ReadRecord(const File& journal) { return ReadStart(journal.Fd(), MaxRecord + 1); }

// Holding the journal's lock: the new pair put in place when the journal
// holds a whole record, else the staged files removed; the journal is left
// empty. "Cannot create file <target>" when a rename fails.
void FinishJournal(const std::string& folder, const PairNames& names, const File& journal) {
    std::string dataName, indexName;
    if (DecodeRecord(ReadRecord(journal), &dataName, &indexName)) {
        if (NamePresent(names.stagedData) && !RenameReplacing(names.stagedData, folder + dataName))
            ThrowCannotCreate(folder + dataName);
        Step(CommitStep::RecoveryRenamed);
        if (NamePresent(names.stagedIndex) && !RenameReplacing(names.stagedIndex, folder + indexName))
            ThrowCannotCreate(folder + indexName);
    } else {
        if (!RemoveFile(names.stagedData)) ThrowCannotCreate(names.stagedData);
        if (!RemoveFile(names.stagedIndex)) ThrowCannotCreate(names.stagedIndex);
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
    data.Stage(stagedData_);
    Step(CommitStep::DataStaged);
    index.Stage(stagedIndex_);
    Step(CommitStep::IndexStaged);
    if (sync_) SyncFolder(folder_);

    const std::vector<unsigned char> record =
        EncodeRecord(ExtractFileName(data.FinalPath()), ExtractFileName(index.FinalPath()));
    ReplaceContents(journal_.Fd(), record.data(), record.size());
    if (sync_) SyncFileData(journal_.Fd());
    recorded_ = true;
    Step(CommitStep::Recorded);

    try {
        data.Commit();
    } catch (const Error&) {
        // When nothing has moved (a held file under the data file's name,
        // say) the earlier pair stands, and the staged files and the journal
        // go; once the data file is in place the new pair is finished.
        if (!data.Committed()) recorded_ = false;
        throw;
    }
    Step(CommitStep::DataRenamed);
    index.Commit();
    Step(CommitStep::IndexRenamed);
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
    std::string dataName, indexName;
    return DecodeRecord(ReadRecord(journal), &dataName, &indexName);
}

} // namespace pw
