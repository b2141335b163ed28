#include "packs/PackReader.h"

#include "core/Error.h"
#include "core/PairCommit.h"

namespace pw {

File OpenPackData(const std::string& indexPath) {
    FinishInterruptedCommit(indexPath);
    return OpenReadNotShared(DataPathFor(indexPath));
}

// The data file first, as an extraction opens them: a missing pair names
// the data file.
PackReader::PackReader(const std::string& indexPath)
    : indexPath_(indexPath),
      data_(OpenPackData(indexPath)),
      index_(ReadWholeFile(indexPath, Pipes::Allow), indexPath),
      dataSize_(data_.Size()) {}

bool PackReader::Inside(size_t k) const {
    FatEntry e = index_.Entry(k);
    return e.Size == 0 || EntryInside(e.StartBlock, e.Size, dataSize_);
}

void PackReader::CopyEntry(size_t k, int fd) const {
    FatEntry e = index_.Entry(k);
    if (e.Size == 0) return;
    if (!Inside(k)) ThrowReadError();
    CopyRange(data_.Fd(), int64_t(e.StartBlock) * PackBlockSize, fd, e.Size);
}

} // namespace pw
