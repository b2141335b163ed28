#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/Error.h"
#include "targa/Targa.h"

namespace pw {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes HeaderOf(int width, int height, int depth, uint8_t idLength = 0, uint8_t descriptor = 0) {
    return {idLength, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
            uint8_t(height), uint8_t(height >> 8), uint8_t(depth), descriptor};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes Footer = Bytes(8, 0) + Bytes{'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N', '-',
                                         'X', 'F', 'I', 'L', 'E', '.', 0};

class TargaFile : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
    Bytes Read(const char* name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const char* name, const Bytes& bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    QTemporaryDir dir;
};

TEST_F(TargaFile, SavesHeaderRowsAndFooterByteExactly) {
    TTarga t;
    t.SetDepth(32);
    std::memcpy(t.Image->scanLine(0), "\1\2\3\4", 4);  // stored row 0 goes first
    t.SaveToFile(Path("new.tga"));
    const Bytes file = Read("new.tga");
    ASSERT_EQ(file.size(), 262188u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 22), HeaderOf(256, 256, 32, 0, 8) + Bytes({1, 2, 3, 4}));
    EXPECT_EQ(Bytes(file.end() - 26, file.end()), Footer);

    for (int depth : {15, 16, 24}) {  // rows back to back, descriptor 8 whatever the depth
        TTarga small;
        small.SetWidth(3);
        small.SetHeight(2);
        small.SetDepth(depth);
        small.SaveToFile(Path("small.tga"));
        const Bytes bytes = Read("small.tga");
        ASSERT_EQ(bytes.size(), 18 + 3 * 2 * (depth == 24 ? 3u : 2u) + 26) << depth;
        EXPECT_EQ(bytes[17], 8);
    }
}

TEST_F(TargaFile, RowsLoadInFileOrderAndSaveUnchanged) {
    Bytes pixels;
    for (uint8_t i = 1; i <= 18; ++i) pixels.push_back(i);
    Write("in.tga", HeaderOf(3, 2, 24, 0, 0x20) + pixels);
    TTarga t;
    t.LoadFromFile(Path("in.tga"));
    EXPECT_EQ(t.Header[17], 0x20);  // taken as it is, not acted on
    EXPECT_EQ(Bytes(t.Image->constScanLine(1), t.Image->constScanLine(1) + 9),
              Bytes(pixels.begin() + 9, pixels.end()));
    EXPECT_EQ(t.Image->pixel(0, 0), qRgb(3, 2, 1));
    t.SaveToFile(Path("out.tga"));
    EXPECT_EQ(Read("out.tga"), HeaderOf(3, 2, 24, 0, 8) + pixels + Footer);

    // An image ID is neither skipped nor written: its bytes are pixels.
    const Bytes id = {'I', 'D', 'I', 'D', '!', 10, 11, 12};
    Write("id.tga", HeaderOf(2, 1, 32, 5) + id);
    t.LoadFromFile(Path("id.tga"));
    t.SaveToFile(Path("id2.tga"));
    EXPECT_EQ(Read("id2.tga"), HeaderOf(2, 1, 32, 5, 8) + id + Footer);
}

TEST_F(TargaFile, ShortFilesLoadPartlyBlankAndBadOnesChangeNothing) {
    Write("short.tga", HeaderOf(2, 2, 32) + Bytes{1, 2, 3, 4, 5, 6});
    TTarga t;
    t.LoadFromFile(Path("short.tga"));
    EXPECT_EQ(Bytes(t.Image->constScanLine(0), t.Image->constScanLine(0) + 8),
              (Bytes{1, 2, 3, 4, 5, 6, 0xFF, 0xFF}));
    EXPECT_EQ(t.Image->pixel(0, 1), 0xFFFFFFFFu);
    Write("tiny.tga", {7, 0, 2});  // overwrites only the header bytes it has
    t.LoadFromFile(Path("tiny.tga"));
    EXPECT_EQ(t.Header[0], 7);
    EXPECT_EQ(t.Image->size(), QSize(2, 2));

    const auto header = t.Header;
    const QImage* image = t.Image.get();
    try {
        t.LoadFromFile(Path("missing.tga"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), "Cannot open file " + Path("missing.tga"));
    }
    EXPECT_THROW(t.LoadFromFile(dir.path().toStdString()), Error);
    Write("huge.tga", HeaderOf(65535, 65535, 32) + Bytes{1, 2, 3});
    EXPECT_THROW(t.LoadFromFile(Path("huge.tga")), Error);
    EXPECT_EQ(t.Header, header);
    EXPECT_EQ(t.Image.get(), image);
}

TEST_F(TargaFile, SavingWithoutAnImageLeavesAnExistingFileAlone) {
    Write("keep.tga", {1, 2, 3});
    TTarga t;
    EXPECT_THROW(t.SaveToFile(Path("keep.tga")), Error);
    EXPECT_EQ(Read("keep.tga"), (Bytes{1, 2, 3}));
    t.Reset();
    EXPECT_THROW(t.SaveToFile(Path("no/such/folder.tga")), Error);
}

// A save that fails half-way (here: the disk takes only 1000 bytes) leaves
// the earlier file whole and no temporary file beside it. The save runs in
// a child process, where the file-size limit cannot disturb the tests.
TEST_F(TargaFile, AFailedSaveKeepsTheEarlierFile) {
    Write("keep.tga", {1, 2, 3});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TTarga t;
        t.SetDepth(32);
        try {
            t.SaveToFile(Path("keep.tga"));
        } catch (const Error& e) {
            ::_exit(std::strcmp(e.what(), "Stream write error") == 0 ? 0 : 2);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read("keep.tga"), (Bytes{1, 2, 3}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"keep.tga"});
}

TEST_F(TargaFile, OtherDepthsNeverTransferBeyondARow) {
    const Bytes grey = {10, 20, 30, 40, 50, 60};  // 8 bits: one byte a pixel
    Write("grey.tga", HeaderOf(3, 2, 8) + grey);
    TTarga t;
    t.LoadFromFile(Path("grey.tga"));
    t.SaveToFile(Path("grey2.tga"));
    EXPECT_EQ(Read("grey2.tga"), HeaderOf(3, 2, 8, 0, 8) + grey + Footer);

    // 64 bits: file rows of 16 bytes; the image keeps the first 8 of each
    // and a save fills the rest of the row with zeros.
    Bytes wide;
    for (uint8_t i = 1; i <= 32; ++i) wide.push_back(i);
    Write("wide.tga", HeaderOf(2, 2, 64) + wide);
    t.LoadFromFile(Path("wide.tga"));
    t.SaveToFile(Path("wide2.tga"));
    EXPECT_EQ(Read("wide2.tga"), HeaderOf(2, 2, 64, 0, 8) + Bytes(wide.begin(), wide.begin() + 8) +
                                     Bytes(8, 0) + Bytes(wide.begin() + 16, wide.begin() + 24) +
                                     Bytes(8, 0) + Footer);
}

} // namespace
} // namespace pw
