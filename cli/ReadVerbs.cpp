// list, cat and scan: what a pack's index holds, one entry's bytes, and what
// a directory scan finds. None writes a file, so Ctrl-C ends them as it ends
// any tool.

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/Json.h"
#include "cli/Verbs.h"
#include "core/Console.h"
#include "core/FileIO.h"
#include "packs/PackReader.h"
#include "packs/Scan.h"

namespace pw::cli {

namespace {

struct ListOptions {
    std::string pack;
    std::vector<std::string> only;
    std::string type;
    CLI::Option* typeGiven = nullptr;
    bool json = false;
};

int List(const ListOptions& o) {
    const EntryFilter filter = FilterOf(o.only, o.typeGiven->count() ? std::optional(o.type) : std::nullopt);
    const std::string path = FullPath(o.pack);
    PackIndex index(ReadPackIndex(path), path);
    std::optional<JsonListPrinter> json;
    if (o.json) json.emplace(Json{{"pack", path}}, "entries");
    for (size_t k = 0; k < index.Count(); ++k) {
        FatEntry e = index.Entry(k);
        if (!filter.Accepts(k, e.Name)) continue;
        if (json)
            json->Add({{"index", k}, {"name", e.Name}, {"type", EntryType(e.Name)}, {"startBlock", e.StartBlock},
                       {"size", e.Size}});
        else
            std::printf("%zu\t%s\t%d\t%d\n", k, e.Name.c_str(), e.StartBlock, e.Size);
    }
    if (json) json->Finish();
    return ExitOk;
}

struct CatOptions {
    std::string pack, entry;
};

// The entry is found and checked before a byte goes out: an error leaves
// nothing on stdout.
int Cat(const CatOptions& o) {
    PackReader pack(FullPath(o.pack));
    size_t k = FindEntry(pack.Index(), o.entry, pack.IndexPath());
    pack.CopyEntry(k, StdoutFd);
    return ExitOk;
}

struct ScanOptions {
    std::string dir;
    std::string type = "fat";
};

int Scan(const ScanOptions& o) {
    std::vector<std::string> found;
    ScanDirectory(FullPath(o.dir), "*." + o.type, found);
    for (const std::string& f : found) std::printf("%s\n", f.c_str());
    return ExitOk;
}

} // namespace

void AddReadVerbs(Tool& tool) {
    auto list = std::make_shared<ListOptions>();
    CLI::App& l = tool.AddVerb("list", "Print index, name, start block and size of each entry",
                               "packwright-cli list PACK.fat [--type TYPE] [--only PATTERN]... [--json]", false,
                               [list](Invocation&) { return List(*list); });
    l.add_option("PACK.fat", list->pack, "The pack's index file")->required();
    list->typeGiven = l.add_option("--type", list->type, "Only entries of this type (tga, TGA: any case)")
                          ->type_name("TYPE");
    AddOnlyOption(l, list->only, "Only the entries that match");
    l.add_flag("--json", list->json, "One JSON document instead of lines");
    l.callback([list] { FilterOf(list->only); });

    auto cat = std::make_shared<CatOptions>();
    CLI::App& c = tool.AddVerb("cat", "Write one entry's bytes to stdout",
                               "packwright-cli cat PACK.fat ENTRY", false,
                               [cat](Invocation&) { return Cat(*cat); });
    c.add_option("PACK.fat", cat->pack, "The pack's index file")->required();
    c.add_option("ENTRY", cat->entry, "An index (12, #12, #0xC) or a name, in any letter case")->required();

    auto scan = std::make_shared<ScanOptions>();
    CLI::App& s = tool.AddVerb("scan", "Print what a directory scan finds below DIR, in order",
                               "packwright-cli scan [--type fat|lst|log] DIR", false,
                               [scan](Invocation&) { return Scan(*scan); });
    s.add_option("DIR", scan->dir, "The folder to scan")->required();
    s.add_option("--type", scan->type, "The file type to look for (default fat)")
        ->type_name("fat|lst|log")
        ->check(CLI::IsMember({"fat", "lst", "log"}).description(""));
}

} // namespace pw::cli
