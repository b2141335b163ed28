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
//   2. writes both new files without names (core/PendingFile.h);
//   3. names them with the staging names (with --sync: their data flushed
//      first, the folder after);
//   4. writes the commit record into the journal (with --sync: flushed):
//        0  8  "PWCOMMIT"
//        8  4  n, length of the data file's target name (little-endian)
//       12  n  the data file's target name (a name in the same folder)
//        .  4  m, length of the index's target name
//        .  m  the index's target name
//        .  4  FNV-1a hash of every byte before it
//   5. renames the staged data file over its target name, then the staged
//      index over its own (with --sync: the folder flushed after);
//   6. removes the journal, then lets go of its lock.
//
// Finishing a journal whose lock can be taken (its writer is gone): with a
// whole commit record, each staged file that still exists is renamed over
// its target name (one that does not exist was renamed already), so the new
// pair stands; without one, the staged files are removed, so the earlier
// pair stands untouched. Then the journal goes. Staged files without a
// journal are removed the same way. Either way the two target names hold
// the earlier pair or the new one, never a mix, as soon as anyone has
// looked; the only moment a mix exists on disk is between the two renames
// of step 5, and then the journal holds a whole record that says so.
//
// Without --sync this holds for any crash of the process (a kill, running
// out of memory); with --sync also for a power cut, and once the command has
// returned the new pair is on disk.
#include <string>

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

private:
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

} // namespace pw
