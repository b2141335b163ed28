// The log and project-list targets: insertion against small generated packs
// that sit beside the run's target folder, so that relative entry lines and
// "#Source:" values ("../fx/src/MENU.fat") reach them.
#include <filesystem>
#include <map>

#include "core/Error.h"
#include "harness/Harness.h"
#include "harness/PackModel.h"
#include "harness/Support.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/Plan.h"
#include "packs/StatusSink.h"
#include "packs/TextLines.h"

namespace pwfuzz {

namespace {

// Relative to the workspace: the generated packs, entry files and logs.
std::map<std::string, std::string> FixtureFiles() {
    std::map<std::string, std::string> f;
    // The data file starts with a gap, so read as an index it has no entries.
    SamplePack menu = MakePack({{"title.tga", Pattern(3000, 1), 1},
                                {"empty.txt", "", 0},
                                {"a.txt", "Hello", 0, 9},
                                {"noext", Pattern(2049, 2), 2},
                                {"z.DAT", Pattern(2048, 3)}},
                               0xCAFE, "trailing");
    f["fx/src/MENU.fat"] = menu.fat;
    f["fx/src/MENU.mix"] = menu.mix;
    SamplePack empty = MakePack({}, 1, "only a tail");
    f["fx/src/EMPTY.fat"] = empty.fat;
    f["fx/src/EMPTY.mix"] = empty.mix;
    SamplePack bad = MakePack({{"a.b", "xy"}, {"c.d", "zz"}});
    f["fx/src/BAD.fat"] = bad.fat.substr(0, bad.fat.size() - 5); // short of its records
    f["fx/src/BAD.mix"] = bad.mix;
    SamplePack out = MakePack({{"in.txt", "inside"}, {"out.txt", Pattern(100, 4)}});
    f["fx/src/OUT.fat"] = out.fat;
    f["fx/src/OUT.mix"] = out.mix.substr(0, 2048 + 50); // the second entry reaches past the end
    f["fx/files/e0"] = "0123456789";
    f["fx/files/e1"] = "";
    f["fx/files/e2"] = Pattern(5000, 5);
    f["fx/logs/a.log"] =
        "#Format: FAT\r\n#Source: ../fx/src/MENU.fat\r\n../fx/files/e0\r\nNULL\r\n../fx/files/e2\r\n"
        "missing\r\n../fx/files/e1\r\n";
    f["fx/logs/b.log"] = "#Format: FAT\r\n#Source: ../fx/src/EMPTY.fat\r\n#Format: FAT\r\n"
                         "#Source: ../fx/src/OUT.fat\r\n../fx/files/e2\r\nNULL\r\n";
    return f;
}

const std::map<std::string, std::string>& Fixtures() {
    static const std::map<std::string, std::string> f = FixtureFiles();
    return f;
}

void PrepareFixtures(const std::string& ws) {
    static std::string prepared;
    if (prepared == ws && FileExists(ws + "/fx/files/dir")) return;
    ResetDir(ws + "/fx/src");
    ResetDir(ws + "/fx/files/dir");
    ResetDir(ws + "/fx/logs");
    for (const auto& [rel, bytes] : Fixtures()) WriteBytes(ws + "/" + rel, bytes);
    prepared = ws;
}

// After a run into ws/out: the fixtures are untouched, the error (if any) is
// one of the engine's, and every file in the target folder belongs to a
// complete, dense pack rebuilt from a fixture of its name.
void CheckInsertion(const std::string& ws, const std::string& error) {
    for (const auto& [rel, bytes] : Fixtures())
        Expect(ReadBytes(ws + "/" + rel) == bytes, "insertion changed " + rel);
    Expect(error.empty() || IsEngineMessage(error), "unknown error text: " + error);
    const std::string out = ws + "/out";
    for (const std::string& rel : ListTree(out)) {
        Expect(rel.find('/') == std::string::npos, "unexpected entry in the target folder: " + rel);
        const size_t dot = rel.rfind('.');
        const std::string stem = dot == std::string::npos ? rel : rel.substr(0, dot);
        const std::string ext = dot == std::string::npos ? "" : rel.substr(dot);
        Expect(ext == ".fat" || ext == ".mix", "unexpected file in the target folder: " + rel);
        const std::string other = out + "/" + stem + (ext == ".fat" ? ".mix" : ".fat");
        Expect(FileExists(other), "half a pack in the target folder: " + rel);
        if (ext != ".fat") continue;
        auto source = Fixtures().find("fx/src/" + rel);
        Expect(source != Fixtures().end(), "a pack from nowhere: " + rel);
        CheckRebuilt(ReadBytes(out + "/" + rel), ReadBytes(other), source->second, nullptr, rel);
    }
}

// Whether a listed name, read from the target folder as insertion reads it,
// is a file that an earlier pack of this run wrote: the plan, which writes
// nothing, cannot read what only the run makes.
bool NamesItsOwnOutput(const std::vector<std::string>& list, const std::string& out,
                       const std::vector<pw::PackPlan>& plan) {
    for (const std::string& name : list)
        for (const pw::PackPlan& p : plan)
            for (const std::string& written : {p.targetIndex, p.targetData}) {
                std::error_code ec;
                if (std::filesystem::equivalent(std::filesystem::path(out) / name, written, ec)) return true;
            }
    return false;
}

// The change plan of the run first: it writes nothing, and foresees the
// run's outcome (its message) and the new data files' sizes.
std::string RunInsertion(const std::string& ws, const std::vector<std::string>& list, uint8_t kind) {
    KeepCwd keepCwd;
    const std::string out = ws + "/out";
    RemoveTree(out);
    pw::PlainStatus status;
    pw::RunContext ctx(status);
    std::string planned;
    const std::vector<pw::PackPlan> plan = pw::PlanLogs(ctx, list, out, planned);
    Expect(!FileExists(out), "the plan made the target folder");
    std::string error;
    try {
        pw::RunList(ctx, list, kind, "", out);
    } catch (const pw::Error& e) {
        error = e.what();
    }
    if (NamesItsOwnOutput(list, out, plan)) return error;
    Expect(planned == error, "the plan foresaw \"" + planned + "\", insertion gave \"" + error + "\"");
    if (error.empty()) {
        std::map<std::string, int64_t> sizes; // a later pack of the same name replaces an earlier one
        for (const pw::PackPlan& p : plan) sizes[p.targetData] = p.newDataSize;
        for (const auto& [data, size] : sizes)
            Expect(int64_t(ReadBytes(data).size()) == size, "the plan foresaw another size of " + data);
    }
    return error;
}

} // namespace

void RunLogInput(const std::string& ws, std::string_view input) {
    PrepareFixtures(ws);
    WriteBytes(ws + "/in.log", input);
    const std::string error = RunInsertion(ws, {ws + "/in.log"}, pw::KindLogs);
    CheckInsertion(ws, error);
}

void RunListInput(const std::string& ws, std::string_view input) {
    PrepareFixtures(ws);
    WriteBytes(ws + "/in.lst", input);
    std::vector<std::string> lines;
    try {
        lines = pw::LoadLines(ws + "/in.lst");
    } catch (const pw::Error& e) {
        Violation(std::string("a readable list was refused: ") + e.what());
    }
    size_t breaks = 0;
    for (char c : input.substr(0, std::min(input.find('\0'), input.size())))
        if (c == '\n' || c == '\r') ++breaks;
    Expect(lines.size() <= breaks + 1, "more entries than lines");
    for (const std::string& l : lines)
        Expect(l.find_first_of(std::string("\r\n\0", 3)) == std::string::npos, "an entry holds a line break");
    // Saved and read again, a list is the same list.
    pw::SaveLines(ws + "/again.lst", lines);
    Expect(pw::LoadLines(ws + "/again.lst") == lines, "a saved list reads back differently");

    if (lines.size() > 16) lines.resize(16);
    const std::string error = RunInsertion(ws, lines, pw::KindProjectLists);
    CheckInsertion(ws, error);
}

} // namespace pwfuzz
