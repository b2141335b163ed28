#pragma once
// A file written beside its final name and renamed into place only when it
// is complete. Until then an earlier file of that name stays as it was; a
// pending file that is not committed is removed.
#include <string>

#include "core/FileIO.h"

namespace pw {

class PendingFile {
public:
    // "Cannot create file <finalPath>" when the folder takes no new file.
    explicit PendingFile(std::string finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int Fd() const { return file_.Fd(); }
    FileId Id() const { return file_.Id(); }
    const std::string& FinalPath() const { return finalPath_; }
    // Renames it into place; "Cannot create file <finalPath>" on failure.
    void Commit();

private:
    std::string finalPath_, tempPath_;
    File file_;
    bool committed_ = false;
};

} // namespace pw
