// The fast paths of extraction must not change what a run leaves behind:
// the copy falls back to read/write where the kernel will not copy, and
// entries written on worker threads end exactly as if written in order.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/Error.h"
#include "packs/EntryWriter.h"
#include "core/FileIO.h"

namespace fs = std::filesystem;
using namespace pw;

namespace {

class TempDir {
public:
    explicit TempDir(const fs::path& base = fs::temp_directory_path()) {
        std::string pattern = (base / "pwfast-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(i * 131 + i / 7);
    return s;
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(CopyRange, FallsBackWhereTheKernelWillNotCopy) {
    TempDir dir;
    const std::string data = Pattern(700000);
    WriteFile(dir.path() / "src", data);
    File src(::open((dir.path() / "src").c_str(), O_RDONLY));

    // Into a pipe: copy_file_range refuses, the read/write loop does it.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    CopyRange(src.Fd(), 1000, fds[1], 5000);
    ::close(fds[1]);
    std::string got(5000, '\0');
    ASSERT_EQ(::read(fds[0], got.data(), got.size()), 5000);
    ::close(fds[0]);
    EXPECT_EQ(got, data.substr(1000, 5000));

    // Across file systems, where /dev/shm is one of its own.
    if (fs::is_directory("/dev/shm")) {
        TempDir shm("/dev/shm");
        File dst(::open((shm.path() / "dst").c_str(), O_WRONLY | O_CREAT, 0644));
        CopyRange(src.Fd(), 4096, dst.Fd(), int64_t(data.size()) - 4096);
        EXPECT_EQ(ReadFile(shm.path() / "dst"), data.substr(4096));
    }
}

TEST(CopyRange, ASourceThatEndsEarlyIsAReadError) {
    TempDir dir;
    WriteFile(dir.path() / "src", Pattern(100));
    File src(::open((dir.path() / "src").c_str(), O_RDONLY));
    File dst(::open((dir.path() / "dst").c_str(), O_WRONLY | O_CREAT, 0644));
    try {
        CopyRange(src.Fd(), 50, dst.Fd(), 51);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}

TEST(EntryWriter, AFailureEndsAsIfWrittenInIndexOrder) {
    for (unsigned threads : {0u, 1u, 4u}) {
        SCOPED_TRACE(threads);
        TempDir dir;
        const std::string data = Pattern(64 * 2048);
        WriteFile(dir.path() / "data", data);
        File src(::open((dir.path() / "data").c_str(), O_RDONLY));
        // Entry 40 cannot be created: its name is taken by a folder.
        fs::create_directory(dir.path() / "e40");
        EntryWriter writer(src.Fd(), {}, threads);
        for (size_t k = 0; k < 64; ++k)
            writer.Submit(k, (dir.path() / ("e" + std::to_string(k))).string(), int64_t(k) * 2048, 2048);
        std::exception_ptr error;
        ASSERT_EQ(writer.Finish(&error), 40u);
        try {
            std::rethrow_exception(error);
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir.path() / "e40").string());
        }
        for (size_t k = 0; k < 40; ++k)
            EXPECT_EQ(ReadFile(dir.path() / ("e" + std::to_string(k))), data.substr(k * 2048, 2048)) << k;
        for (size_t k = 41; k < 64; ++k)
            EXPECT_FALSE(fs::exists(dir.path() / ("e" + std::to_string(k)))) << k;
    }
}

TEST(EntryWriter, AnEarlierFailureFoundByTheCallerWins) {
    TempDir dir;
    WriteFile(dir.path() / "data", Pattern(8 * 2048));
    File src(::open((dir.path() / "data").c_str(), O_RDONLY));
    fs::create_directory(dir.path() / "e6");
    EntryWriter writer(src.Fd(), {}, 2);
    for (size_t k = 0; k < 8; ++k)
        if (k != 3) writer.Submit(k, (dir.path() / ("e" + std::to_string(k))).string(), int64_t(k) * 2048, 10);
    writer.Fail(3, std::make_exception_ptr(Error("Stream read error")));
    std::exception_ptr error;
    EXPECT_EQ(writer.Finish(&error), 3u);
    EXPECT_TRUE(fs::exists(dir.path() / "e2"));
    EXPECT_FALSE(fs::exists(dir.path() / "e4"));
    EXPECT_FALSE(fs::exists(dir.path() / "e7"));
}

TEST(EntryWriter, BatchesThatFailOutOfOrderReportTheFirstEntry) {
    // Entry 5 is large, so its batch is still being written when the next
    // batches fail; entries 10 (in that batch) and 70 (a later one) fail.
    for (unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        TempDir dir;
        const std::string data = Pattern(96 * 2048 + (8 << 20));
        WriteFile(dir.path() / "data", data);
        File src(::open((dir.path() / "data").c_str(), O_RDONLY));
        for (const char* taken : {"e10", "e70"}) fs::create_directory(dir.path() / taken);
        EntryWriter writer(src.Fd(), {}, threads);
        for (size_t k = 0; k < 96; ++k)
            writer.Submit(k, (dir.path() / ("e" + std::to_string(k))).string(), int64_t(k) * 2048,
                          k == 5 ? (8 << 20) : 2048);
        std::exception_ptr error;
        ASSERT_EQ(writer.Finish(&error), 10u);
        try {
            std::rethrow_exception(error);
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir.path() / "e10").string());
        }
        EXPECT_EQ(ReadFile(dir.path() / "e5"), data.substr(5 * 2048, 8 << 20));
        for (size_t k = 11; k < 96; ++k) {
            if (k == 70) continue;
            EXPECT_FALSE(fs::exists(dir.path() / ("e" + std::to_string(k)))) << k;
        }
    }
}
