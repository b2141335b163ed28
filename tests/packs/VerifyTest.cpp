// Verification of a pack: on its own (complete index, entries inside the
// data file, no overlaps, the layout told as information) and against the
// log that built it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/Error.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/PackFixtures.h"
#include "packs/Verify.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

std::vector<FindingKind> Kinds(const Verification& v) {
    std::vector<FindingKind> kinds;
    for (const Finding& f : v.findings) kinds.push_back(f.kind);
    return kinds;
}

std::vector<FindingKind> Faults(const Verification& v) {
    std::vector<FindingKind> kinds;
    for (const Finding& f : v.findings)
        if (f.Fault()) kinds.push_back(f.kind);
    return kinds;
}

std::string LayoutText(const Verification& v) {
    for (const Finding& f : v.findings)
        if (f.kind == FindingKind::Layout) return f.text;
    return "";
}

PackDesign ThreeEntries(Layout layout) {
    PackDesign pack;
    pack.Placement = layout;
    pack.Entries = {{"a.txt", "alpha"}, {"empty.dat", ""}, {"b.bin", Bytes(5000, 3)}};
    return pack;
}

void Overwrite(const std::string& path, int64_t at, const std::string& bytes) {
    std::string all = ReadFile(path);
    all.replace(size_t(at), bytes.size(), bytes);
    WriteFile(path, all);
}

} // namespace

TEST(Verify, SoundPacksDenseOrNot) {
    TempDir dir;
    // Dense positions, the gaps zero bytes.
    PackPaths dense = WritePack(dir / "D.fat", ThreeEntries(Layout::Dense));
    std::string data = ReadFile(dense.Data);
    data.replace(5, 2048 - 5, std::string(2048 - 5, '\0'));
    data.append(4 * 2048 - data.size(), '\0');
    WriteFile(dense.Data, data);
    Verification v = VerifyPack(dense.Index);
    EXPECT_TRUE(v.Sound());
    EXPECT_EQ(Kinds(v), std::vector<FindingKind>{FindingKind::Layout});
    EXPECT_EQ(LayoutText(v), "layout: dense, with zero padding");
    EXPECT_EQ(v.dataPath, dense.Data);

    // Sparse, reordered, a filler byte in the padding, a longer file: sound.
    for (Layout layout : {Layout::Sparse, Layout::Shuffled}) {
        PackPaths p = WritePack(dir / "S.fat", ThreeEntries(layout));
        v = VerifyPack(p.Index);
        EXPECT_TRUE(v.Sound());
        EXPECT_NE(LayoutText(v).find("not dense"), std::string::npos);
    }
    Overwrite(dense.Data, 5, "x");
    EXPECT_NE(LayoutText(VerifyPack(dense.Index)).find("not dense"), std::string::npos);
    Overwrite(dense.Data, 5, std::string(1, '\0'));
    WriteFile(dense.Data, data + std::string(2048, '\0'));
    v = VerifyPack(dense.Index);
    EXPECT_TRUE(v.Sound());
    EXPECT_NE(LayoutText(v).find("not dense"), std::string::npos);
}

TEST(Verify, OverlapsAreFaultsEmptyEntriesNever) {
    TempDir dir;
    PackDesign pack;
    pack.Entries = {{"a.txt", Bytes(3000, 1), {}, 0},
                    {"b.txt", Bytes(100, 2), {}, 1},     // inside a's second block
                    {"c.txt", Bytes(10, 3), {}, 4},
                    {"d.txt", "", 0, 1},                  // empty: never overlaps
                    {"e.txt", "", 0, 999999},             // empty: never outside
                    {"f.txt", Bytes(10, 3), {}, 4}};      // the same place as c
    PackPaths p = WritePack(dir / "O.fat", pack);
    Verification v = VerifyPack(p.Index);
    EXPECT_FALSE(v.Sound());
    EXPECT_EQ(Faults(v), (std::vector<FindingKind>{FindingKind::Overlap, FindingKind::Overlap}));
    EXPECT_EQ(v.findings[0].text, "entries 0 (a.txt) and 1 (b.txt) overlap: bytes 2048 to 2148");
    EXPECT_EQ(v.findings[1].text, "entries 2 (c.txt) and 5 (f.txt) overlap: bytes 8192 to 8202");

    // Many entries on one place: each one after the first is told once.
    PackDesign many;
    for (int k = 0; k < 2000; ++k) many.Entries.push_back({"x.bin", "12345678", {}, 0});
    p = WritePack(dir / "M.fat", many);
    EXPECT_EQ(VerifyPack(p.Index).findings.size(), 1999u + 1u);
}

TEST(Verify, DamagedPacks) {
    TempDir dir;
    PackPaths p = WritePack(dir / "P.fat", ThreeEntries(Layout::Dense));
    const std::string index = ReadFile(p.Index), data = ReadFile(p.Data);

    // A data file cut short: the index does not match it.
    WriteFile(p.Data, data.substr(0, 4096 + 100));
    Verification v = VerifyPack(p.Index);
    EXPECT_EQ(Faults(v), (std::vector<FindingKind>{FindingKind::IndexDataMismatch, FindingKind::Outside}));
    EXPECT_EQ(v.findings[0].text, "index does not match its data file: its entries need 7048 bytes, "
                                  "the data file has 4196");
    EXPECT_EQ(v.findings[1].text, "entry 2 (b.bin) lies outside the data file: bytes 2048 to 7048 of 4196");
    WriteFile(p.Data, data);

    // An index cut inside its last record: the complete ones are still checked.
    WriteFile(p.Index, index.substr(0, 8 + 28 * 2 + 5));
    v = VerifyPack(p.Index);
    EXPECT_EQ(Faults(v), std::vector<FindingKind>{FindingKind::IncompleteIndex});
    EXPECT_EQ(v.findings[0].text, "index is incomplete: 3 entries need 92 bytes, the file has 69");
    WriteFile(p.Index, "abc");
    EXPECT_EQ(VerifyPack(p.Index).findings[0].text, "index is incomplete: 3 bytes, shorter than its 8-byte header");

    // Negative fields.
    PackDesign neg;
    neg.Entries = {{"n.txt", "", -5, 0}, {"s.txt", "abc", {}, -1}};
    p = WritePack(dir / "N.fat", neg);
    v = VerifyPack(p.Index);
    EXPECT_EQ(Faults(v), (std::vector<FindingKind>{FindingKind::Outside, FindingKind::Outside}));
    EXPECT_EQ(v.findings[0].text, "entry 0 (n.txt) has a negative Size");

    ::unlink(p.Data.c_str());
    EXPECT_EQ(ErrorOf([&] { VerifyPack(p.Index); }), "Cannot open file " + p.Data);
}

namespace {

// A pack extracted and rebuilt from its result log with some edits.
struct Rebuilt : RunFolders {
    PackPaths src;
    std::string log, built;
    Rebuilt() {
        PackDesign pack = ThreeEntries(Layout::Shuffled);
        pack.Entries.push_back({"c.txt", "charlie"});
        src = WritePack(game + "/MENU.fat", pack);
        RunList(ctx, {src.Index}, KindPacks, "FAT", out);
        log = out + "/result.log";
        WriteFile(out + "/MENU/TXT/00000000.txt", "edited alpha");
        ::unlink((out + "/MENU/TXT/00000003.txt").c_str()); // kept
        RunList(ctx, {log}, KindLogs, "", dir / "new");
        built = dir / "new/MENU.fat";
    }
};

} // namespace

TEST(VerifyWithLog, ARebuildDidWhatTheLogAsked) {
    Rebuilt r;
    Verification v = VerifyPackWithLog(r.built, r.log);
    EXPECT_TRUE(v.Sound()) << (v.findings.empty() ? "" : v.findings[0].text);
    EXPECT_EQ(LayoutText(v), "layout: dense, with zero padding");
    // The source checked against the log that extracted it is its own source:
    // it holds its files' bytes except for the edit.
    v = VerifyPackWithLog(r.src.Index, r.log);
    EXPECT_EQ(Faults(v), std::vector<FindingKind>{FindingKind::Content});
    EXPECT_EQ(v.findings[0].text,
              "entry 0 (a.txt) does not hold the bytes of " + r.out + "/MENU/TXT/00000000.txt");
}

TEST(VerifyWithLog, AnEditTheLogDoesNotExplain) {
    Rebuilt r;
    WriteFile(r.out + "/MENU/BIN/00000002.bin", Bytes(5000, 4)); // edited after the rebuild
    Verification v = VerifyPackWithLog(r.built, r.log);
    EXPECT_EQ(Faults(v), std::vector<FindingKind>{FindingKind::Content});
    EXPECT_EQ(v.findings[0].text, "entry 2 (b.bin) does not hold the bytes of " + r.out + "/MENU/BIN/00000002.bin");
    // A file made where the log names a kept entry.
    WriteFile(r.out + "/MENU/TXT/00000003.txt", "charlie, new");
    EXPECT_EQ(Faults(VerifyPackWithLog(r.built, r.log)).size(), 2u);
}

TEST(VerifyWithLog, OneByteChangedInTheNewPack) {
    Rebuilt r;
    const std::string data = r.dir / "new/MENU.mix";
    // The kept entry c.txt is the fourth: in block 4 of the dense data file
    // (a.txt 0, b.bin 1 to 3).
    std::string bytes = ReadFile(data);
    bytes[4 * 2048 + 3] ^= 0x20;
    WriteFile(data, bytes);
    Verification v = VerifyPackWithLog(r.built, r.log);
    EXPECT_EQ(Faults(v), std::vector<FindingKind>{FindingKind::Content});
    EXPECT_EQ(v.findings[0].text, "entry 3 (c.txt) does not hold its source entry's bytes");
    // The layout still looks dense: only the content check sees it.
    EXPECT_TRUE(VerifyPack(r.built).Sound());

    // A name changed in the index.
    Overwrite(r.built, 8, "A");
    v = VerifyPackWithLog(r.built, r.log);
    EXPECT_EQ(Faults(v), (std::vector<FindingKind>{FindingKind::Source, FindingKind::Content}));
    EXPECT_EQ(v.findings[0].text, "the index differs from its source " + r.src.Index +
                                      " outside StartBlock and Size, first at byte 8");
}

TEST(VerifyWithLog, APackTheLogDoesNotBuild) {
    Rebuilt r;
    PackPaths other = WritePack(r.dir / "OTHER.fat", ThreeEntries(Layout::Dense));
    EXPECT_EQ(ErrorOf([&] { VerifyPackWithLog(other.Index, r.log); }),
              "No block of " + r.log + " builds OTHER.fat");
}
