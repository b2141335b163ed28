// The pack target: extraction of a pack made from the input, then a rebuild
// from the result log it wrote.
#include <cstdlib>
#include <set>

#include "core/Error.h"
#include "harness/Harness.h"
#include "harness/PackModel.h"
#include "harness/Support.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/StatusSink.h"

namespace pwfuzz {

namespace {

// Files and folders the extraction of `entries` may leave: the entry files
// (with their folders) of entries before `limit`.
std::set<std::string> AllowedOutputs(const std::vector<ModelEntry>& entries, size_t limit) {
    std::set<std::string> allowed;
    for (size_t k = 0; k < limit && k < entries.size(); ++k) {
        if (entries[k].size == 0) continue;
        std::string rel = EntryFileName("MENU", entries[k].name, uint32_t(k));
        allowed.insert(rel);
        for (size_t s = rel.find('/'); s != std::string::npos; s = rel.find('/', s + 1))
            allowed.insert(rel.substr(0, s + 1));
    }
    return allowed;
}

} // namespace

void RunPackInput(const std::string& ws, std::string_view input) {
    if (input.size() < 3) return;
    const uint8_t flags = uint8_t(input[0]);
    const size_t fatLen = std::min(size_t(uint8_t(input[1]) | uint8_t(input[2]) << 8), input.size() - 3);
    const std::string fat(input.substr(3, fatLen));
    const std::string mix(input.substr(3 + fatLen));

    KeepCwd keepCwd;
    const std::string src = ws + "/src", out = ws + "/out", neu = ws + "/new";
    ResetDir(src);
    RemoveTree(out);
    RemoveTree(neu);
    WriteBytes(src + "/MENU.fat", fat);
    WriteBytes(src + "/MENU.mix", mix);

    pw::PlainStatus status;
    pw::RunContext ctx(status);
    std::string error;
    try {
        pw::RunList(ctx, {src + "/MENU.fat"}, pw::KindPacks, "FAT", out);
    } catch (const pw::Error& e) {
        error = e.what();
    }
    Expect(ReadBytes(src + "/MENU.fat") == fat && ReadBytes(src + "/MENU.mix") == mix,
           "extraction changed its source pack");

    // What a careful reader expects of this pack.
    auto entries = ParseIndex(fat);
    size_t firstBad = entries ? entries->size() : 0;
    if (entries)
        for (size_t k = 0; k < entries->size(); ++k)
            if ((*entries)[k].size != 0 && !EntryData((*entries)[k], mix)) {
                firstBad = k;
                break;
            }

    const std::vector<std::string> tree = ListTree(out);
    for (const std::string& rel : tree) {
        Expect(!IsEngineTemp(rel), "temporary file left: " + rel);
        Expect(LiesUnder(out + "/" + rel, out), "output outside the target folder: " + rel);
    }

    if (!error.empty()) {
        Expect(IsEngineMessage(error), "unknown error text: " + error);
        if (!entries) {
            Expect(error == "Damaged pack index " + src + "/MENU.fat", "damaged index gave: " + error);
        } else if (error.rfind("Cannot create file ", 0) == 0) {
            // Only where an entry file meets a folder of the same name
            // (an entry without extension beside a type named like digits).
            const std::string path = error.substr(19);
            size_t clash = entries->size();
            for (size_t k = 0; k < entries->size() && clash == entries->size(); ++k)
                if ((*entries)[k].size != 0 &&
                    path == out + "/" + EntryFileName("MENU", (*entries)[k].name, uint32_t(k)))
                    clash = k;
            Expect(clash < entries->size() && clash <= firstBad,
                   "cannot create an entry file in a fresh folder: " + error);
            firstBad = clash; // the files before it are checked below
        } else {
            Expect(firstBad < entries->size() && error == "Stream read error",
                   "a readable pack failed with: " + error);
        }
        Expect(!FileExists(out + "/result.log"), "result log written by a failed run");
        const std::set<std::string> allowed = entries ? AllowedOutputs(*entries, firstBad) : std::set<std::string>{};
        for (const std::string& rel : tree) {
            Expect(allowed.count(rel) > 0, "unexpected file after a failed run: " + rel);
            if (rel.back() == '/') continue;
            // Entry files that remain are complete.
            for (size_t k = 0; k < firstBad; ++k)
                if (rel == EntryFileName("MENU", (*entries)[k].name, uint32_t(k)))
                    Expect(ReadBytes(out + "/" + rel) == *EntryData((*entries)[k], mix),
                           "incomplete entry file left: " + rel);
        }
        return;
    }

    Expect(entries.has_value(), "a damaged index was accepted");
    Expect(firstBad == entries->size(), "an entry outside the data file was accepted");
    const size_t n = entries->size();
    Expect(ctx.ResultLines.size() == n + 2, "result lines do not match the entries");
    std::set<std::string> written = {"result.log"};
    for (size_t k = 0; k < n; ++k) {
        const ModelEntry& e = (*entries)[k];
        const std::string& line = ctx.ResultLines[k + 2];
        if (e.size == 0) {
            Expect(line == "NULL", "empty entry not logged as NULL");
            continue;
        }
        const std::string rel = EntryFileName("MENU", e.name, uint32_t(k));
        Expect(line == out + "/" + rel, "entry " + std::to_string(k) + " logged as " + line);
        Expect(ReadBytes(line) == *EntryData(e, mix), "entry file holds the wrong data: " + rel);
        written.insert(rel);
    }
    for (const std::string& rel : tree)
        Expect(rel.back() == '/' || written.count(rel), "unexpected file: " + rel);
    std::string log;
    for (const std::string& l : ctx.ResultLines) log += l + "\r\n";
    Expect(ReadBytes(out + "/result.log") == log, "result log differs from the lines");

    // Edit as a user would, then insert the log.
    std::vector<std::string> expected;
    for (size_t k = 0; k < n; ++k) {
        const ModelEntry& e = (*entries)[k];
        expected.push_back(*EntryData(e, mix));
        if (e.size == 0) continue;
        const std::string path = ctx.ResultLines[k + 2];
        if ((flags & 4) && k % 2 == 1) {
            std::remove(path.c_str()); // keeps its old data
        } else if ((flags & 8) && k == 0) {
            expected[k] += Pattern(2049, unsigned(k));
            WriteBytes(path, expected[k]);
        }
    }
    pw::PlainStatus status2;
    pw::RunContext ctx2(status2);
    try {
        pw::RunList(ctx2, {out + "/result.log"}, pw::KindLogs, "", neu);
    } catch (const pw::Error& e) {
        Violation(std::string("inserting an unchanged result log failed: ") + e.what());
    }
    for (const std::string& rel : ListTree(neu))
        Expect(rel == "MENU.fat" || rel == "MENU.mix", "unexpected file in the new pack's folder: " + rel);
    CheckRebuilt(ReadBytes(neu + "/MENU.fat"), ReadBytes(neu + "/MENU.mix"), fat, &expected, "rebuilt pack");
    Expect(ReadBytes(src + "/MENU.fat") == fat && ReadBytes(src + "/MENU.mix") == mix,
           "insertion changed its source pack");
}

} // namespace pwfuzz
