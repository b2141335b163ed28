#include "packs/PackReader.h"

#include "core/Error.h"
#include "core/PairCommit.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace pw {

namespace {

// How long a reader waits for a running rebuild's two renames at most.
constexpr auto PairWait = std::chrono::seconds(10);
// How long a reader waits for another that holds the data file.
constexpr auto HeldWait = std::chrono::milliseconds(200);

} // namespace

// The data file first, then the index: a missing pair names the data file.
// Then the journal, then both names again. A commit renames the data file,
// then the index, and records itself in the journal before the first
// rename and removes the record after the second: whichever of its steps
// fell between the two opens, the journal still holds its record or a name
// holds another file than the one read.
PackPair OpenPackPair(const std::string& indexPath, Pipes pipes, Unfinished unfinished) {
    const std::string dataPath = DataPathFor(indexPath);
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + PairWait, heldDeadline = start + HeldWait;
    for (int round = 0;; ++round) {
        if (unfinished == Unfinished::Finish) FinishInterruptedCommit(indexPath);
        PackPair pair;
        // A rebuild that has just put this pair in place holds its files for
        // a moment more: that is waited for too.
        FileInfo dataInfo;
        bool busy = false;
        pair.data = OpenReadNotSharedIfExists(dataPath, &dataInfo, &busy);
        if (!pair.data.IsOpen()) {
            if (!busy || std::chrono::steady_clock::now() > heldDeadline) ThrowCannotOpen(dataPath);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        FileInfo read;
        pair.index = ReadWholeFile(indexPath, pipes, &read);
        if (!read.regular) return pair; // a pipe the user named is no pack's index of a commit
        const CommitState state = PackCommitState(indexPath);
        if (state == CommitState::Interrupted && unfinished == Unfinished::Leave) return pair;
        if (state == CommitState::None && IdOfPath(dataPath) == pair.data.Id() && IdOfPath(indexPath) == read.id)
            return pair;
        if (std::chrono::steady_clock::now() > deadline) ThrowCannotOpen(dataPath);
        std::this_thread::sleep_for(std::chrono::microseconds(100 * std::min(round + 1, 100)));
    }
}

std::vector<unsigned char> ReadPackIndex(const std::string& indexPath, Pipes pipes) {
    FinishInterruptedCommit(indexPath);
    return ReadWholeFile(indexPath, pipes);
}

PackReader::PackReader(const std::string& indexPath, Pipes pipes)
    : PackReader(indexPath, OpenPackPair(indexPath, pipes)) {}

PackReader::PackReader(const std::string& indexPath, PackPair pair)
    : indexPath_(indexPath), data_(std::move(pair.data)), index_(std::move(pair.index), indexPath),
      dataSize_(data_.Size()) {}

bool PackReader::Inside(size_t k) const {
    FatEntry e = index_.Entry(k);
    return e.Size == 0 || EntryInside(e.StartBlock, e.Size, dataSize_);
}

int64_t PackReader::Offset(size_t k) const {
    if (!Inside(k)) ThrowReadError();
    return index_.Size(k) == 0 ? 0 : int64_t(index_.StartBlock(k)) * PackBlockSize;
}

void PackReader::CopyEntry(size_t k, int fd) const {
    const int64_t at = Offset(k);
    if (index_.Size(k) > 0) CopyRange(data_.Fd(), at, fd, index_.Size(k));
}

} // namespace pw
