// Byte comparisons in bounded pieces, through a sliding mapping too: spans
// that cross a piece or a mapping window, and reads past a file's end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/Compare.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;

namespace {

// A sparse file of `size` bytes with `bytes` at `at`.
void SparseFile(const std::string& path, int64_t size, int64_t at, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    ::close(fd);
}

} // namespace

TEST(Compare, SpansAcrossPiecesAndMappingWindows) {
    TempDir dir;
    const int64_t size = (20 << 20), edge = (8 << 20) - 3000; // across the first window's end
    const std::string bytes = Bytes(3 << 20, 4);
    SparseFile(dir / "a", size, edge, bytes);
    SparseFile(dir / "b", int64_t(bytes.size()) + 10, 10, bytes);
    File a = OpenReadNotShared(dir / "a"), b = OpenReadNotShared(dir / "b");
    ByteCompare compare;
    MappedWindow view(a.Fd());
    EXPECT_EQ(view.Size(), size);
    EXPECT_TRUE(compare.Same(a.Fd(), edge, b.Fd(), 10, int64_t(bytes.size())));
    EXPECT_TRUE(compare.Same(view, edge, b.Fd(), 10, int64_t(bytes.size())));
    EXPECT_TRUE(compare.Zero(view, 0, edge));
    EXPECT_TRUE(compare.Zero(a.Fd(), edge + int64_t(bytes.size()), 4096));
    EXPECT_FALSE(compare.Zero(view, edge - 10, 11));
    // Back to the start after the window moved on.
    EXPECT_TRUE(compare.Zero(view, 0, 100));

    // One byte different in the last piece.
    std::string other = bytes;
    other[other.size() - 1] ^= 1;
    SparseFile(dir / "c", int64_t(other.size()), 0, other);
    File c = OpenReadNotShared(dir / "c");
    EXPECT_FALSE(compare.Same(view, edge, c.Fd(), 0, int64_t(bytes.size())));
    EXPECT_FALSE(compare.Same(a.Fd(), edge, c.Fd(), 0, int64_t(bytes.size())));
    EXPECT_TRUE(compare.Same(view, edge, c.Fd(), 0, int64_t(bytes.size()) - 1));

    // Past the end: an error, never a read outside the file.
    EXPECT_EQ(ErrorOf([&] { compare.Zero(view, size - 10, 11); }), "Stream read error");
    EXPECT_EQ(ErrorOf([&] { compare.Same(c.Fd(), 0, c.Fd(), 0, int64_t(other.size()) + 1); }), "Stream read error");
    const unsigned char small[] = {1, 2, 3};
    EXPECT_FALSE(compare.Holds(c.Fd(), small, 3));
}
