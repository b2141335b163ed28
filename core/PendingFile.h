#pragma once
// A file written beside its final name and given that name only when it is
// complete. Until then an earlier file of that name stays as it was; a
// pending file that is not committed leaves nothing behind.
//
// Where the file system allows it the file is made without a name
// (O_TMPFILE on Linux): a process killed while writing leaves no trace. It
// gets a name only at the commit: first a temporary one, then its final one
// by a rename that replaces the earlier file in one step. Where unnamed
// files are refused it is written under a temporary name from the start.
// Temporary names are hidden and recognisable as Packwright's:
//
//   .<final name>.packwright-<process id>-<counter>.tmp
//
// The writer holds an exclusive lock (flock) on its file for as long as it
// lives, so a temporary file whose lock can be taken was left by a writer
// that is gone: the next run that writes into the folder removes it
// (RemoveLeftovers, core/PairCommit.h).
#include <string>
#include <string_view>

#include "core/FileIO.h"

namespace pw {

class PendingFile {
public:
    // "Cannot create file <finalPath>" when the folder takes no new file.
    // `sync`: the data and the new name are on disk when Commit returns.
    explicit PendingFile(std::string finalPath, bool sync = false);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int Fd() const { return file_.Fd(); }
    FileId Id() const { return file_.Id(); }
    const std::string& FinalPath() const { return finalPath_; }
    bool Sync() const { return sync_; }
    // Gives the complete file the name `path` in the same folder, replacing
    // a file of that name, on the way to its final name; Commit moves it on.
    // From then on that name is the caller's to rename or remove: this
    // object never removes it. "Cannot create file <finalPath>"; with
    // `sync`, "Stream write error" when its data cannot be flushed.
    void Stage(const std::string& path);
    // Renames it into place; "Cannot create file <finalPath>" on failure.
    void Commit();
    // The caller has renamed the staged file into its final place itself:
    // it counts as committed, and is closed (and so no longer locked).
    void Renamed();
    // Whether it stands under its final name.
    bool Committed() const { return committed_; }

    // Whether a file name is one of a pending file's temporary names.
    static bool IsTemporaryName(std::string_view fileName);
    // A fresh temporary path beside `finalPath`, of this process, such as a
    // pending file of it would take.
    static std::string FreshTemporaryPath(const std::string& finalPath);
    // The temporary name of a pending file of `finalName`.
    static std::string TemporaryName(std::string_view finalName, unsigned long process, unsigned counter);
    // For tests: behave as on a file system that refuses unnamed files.
    static void RefuseUnnamedFiles(bool refuse);

private:
    void NameAs(const std::string& path);
    std::string TemporaryPath();
    void SyncData();

    std::string finalPath_, folder_;
    std::string namedPath_; // empty while the file has no name
    File file_;
    bool sync_ = false, synced_ = false, committed_ = false, staged_ = false;
};

} // namespace pw
