#pragma once
// Replacing a pack's two files as one.
//
// A pack is an index file beside a data file, and two renames are not atomic
// as a pair. A rebuild therefore commits through a journal in the target
// folder, and whoever next writes there, or opens that pack, finishes what a
// crashed run left. Names, for the pack whose index is NAME.fat (NAME
// upper-cased, so that every spelling of one pack shares them):
//
//   .NAME.packwright-commit      the journal; also the pair's lock
//   .NAME.packwright-new.mix     the complete new data file, staged
//   .NAME.packwright-new.fat     the complete new index, staged
//
// The writer:
//   1. creates the journal, empty, and holds an exclusive lock (flock) on it
//      until it is done; a second writer of the same pack waits for it half
//      a second at most, then is refused ("Cannot create file <data
//      file>"). A journal left by a crashed run is finished first (below);
//   2. writes both new files without names (core/PendingFile.h), and starts
//      their write-back;
//   3. names them with the staging names (with --sync: their data flushed
//      first, the folder after);
//   4. opens the earlier pair under the target names (when there is one)
//      and keeps it open until step 6, so that the renames only unlink it
//      and its blocks are freed after them; writes the commit record into
//      the journal (with --sync: flushed). All numbers little-endian:
//        0  8  "PWJOURNL"
//        8  4  version, 2
//       12  4  n, length of the data file's target name
//       16  n  the data file's target name (a name in the same folder)
//        .  4  m, length of the index's target name
//        .  m  the index's target name
//        . 32  stamp of the new data file (staged)
//        . 32  stamp of the new index (staged)
//        . 32  stamp of the earlier data file under its target name
//        . 32  stamp of the earlier index under its target name
//        .  4  FNV-1a hash of every byte before it
//      A stamp (core/FileIO.h) is device (8), file number (8), length (8,
//      signed; -1: no file there) and time of last change of the data (8,
//      nanoseconds): a rename keeps it, a copy over the file changes it;
//   5. renames the staged data file over its target name, then the staged
//      index over its own: nothing else happens between the two renames
//      (with --sync: the folder flushed after both);
//   6. removes the journal, lets go of its lock and closes the earlier pair.
//
// Finishing a journal whose lock can be taken (its writer is gone): with a
// whole commit record, the commit is finished only when every name holds
// what the commit left or would leave there: each staged file still under
// its staging name bears its recorded stamp and its target name the earlier
// file's, and each staged file already renamed stands under its target name
// with its stamp. Then each staged file left is renamed over its target
// name, so the new pair stands. When any name holds something else (the
// user put a backup of the pack back, say), both target names are left
// alone, the staged files go, and the user is told once ("<index> was
// replaced after an unfinished commit; the commit was dropped"). Without a
// whole record the staged files are removed, so the earlier pair stands
// untouched. Then the journal goes. Staged files without a journal are
// removed the same way. Either way the two target names hold the earlier
// pair or the new one, never a mix, as soon as anyone has looked; the only
// moment a mix exists on disk is between the two renames of step 5, and
// then the journal holds a whole record that says so. A record of the
// first version ("PWCOMMIT", then the two names and the hash, without
// stamps) is finished as it always was: its staged files are renamed.
//
// A reader never pairs one commit's index with another's data file: it
// opens the data file, reads the index, then looks at the journal and at
// the two names again (packs/PackReader.h). A record in the journal, or
// either name holding another file than the one it read, sends it round
// again; a commit's two renames take microseconds.
//
// Without --sync this holds for any crash of the process (a kill, running
// out of memory); with --sync also for a power cut, and once the command has
// returned the new pair is on disk.
#include <string>
#include <utility>

#include "core/FileIO.h"
#include "core/PendingFile.h"

namespace pw {

// The moments of a commit, for tests that crash there.
enum class CommitStep {
    DataStaged, IndexStaged, Recorded, DataRenamed, IndexRenamed, Finished,
    RecoveryRenamed, // finishing a crashed run's journal: between its two renames
};
using CommitHook = void (*)(CommitStep);
// For tests: `hook` is called at each step (null: none).
void SetCommitHook(CommitHook hook);

class PairCommit {
public:
    // Takes the journal of the pack `indexPath` whose data file is
    // `dataPath`, finishing a crashed run's commit first. "Cannot create
    // file <dataPath>" when it cannot be made, or another run still holds
    // it after half a second.
    PairCommit(const std::string& indexPath, const std::string& dataPath, bool sync);
    // Not committed: the staged files and the journal go.
    ~PairCommit();
    PairCommit(const PairCommit&) = delete;
    PairCommit& operator=(const PairCommit&) = delete;

    // Puts both complete files under their final names (data first).
    void Commit(PendingFile& data, PendingFile& index);
    // The same for two complete files that already have names in the same
    // file system (`dataFrom`, `indexFrom`): they are given the staging
    // names as hard links, so they keep their own names, and a crash
    // before the record loses neither. False, with nothing changed, where
    // no such link can be made; "Cannot create file" as Commit.
    bool CommitLinked(const std::string& dataFrom, const std::string& indexFrom, const std::string& dataPath,
                      const std::string& indexPath);

private:
    // Steps 4 to 6, once both files stand under the staging names.
    // Returns the earlier pair, held open: the caller closes it once the
    // commit is finished, so that freeing its blocks comes after the rest.
    std::pair<File, File> RecordAndRename(const std::string& dataPath, const std::string& indexPath);

    std::string folder_, journalPath_, stagedData_, stagedIndex_;
    File journal_;
    bool sync_;
    bool recorded_ = false, done_ = false;
};

// Finishes or removes, in `folder`, every journal, staged file and
// temporary file whose writer is gone. Files another running process holds
// are left alone. Nothing is reported: what cannot be removed stays for
// the next run.
void RemoveLeftovers(const std::string& folder);
// The same for the one pack `indexPath`, when a journal of it is there.
void FinishInterruptedCommit(const std::string& indexPath);
// Whether a crashed run's commit of the pack `indexPath` is unfinished: a
// journal with a whole commit record that no running process holds. Until
// it is finished the pair under the target names may be mixed.
bool HasInterruptedCommit(const std::string& indexPath);

// Where a commit of the pack `indexPath` stands, for a reader: none under
// way (no journal, or nothing recorded in it yet), one under way by a
// running writer (its two renames are at hand: look again shortly), or one
// a crashed run left recorded and unfinished.
enum class CommitState { None, UnderWay, Interrupted };
CommitState PackCommitState(const std::string& indexPath);

} // namespace pw
