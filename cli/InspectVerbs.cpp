// list and scan: what a pack's index holds, and what a directory scan finds.
// Neither writes a file, so Ctrl-C ends them as it ends any tool.
#include <cstdio>
#include <memory>

#include "cli/Json.h"
#include "cli/Verbs.h"
#include "core/FileIO.h"
#include "packs/PackIndex.h"
#include "packs/Scan.h"

namespace pw::cli {

namespace {

struct ListOptions {
    std::string pack;
    bool json = false;
};

int List(const ListOptions& o) {
    const std::string path = FullPath(o.pack);
    PackIndex index(ReadWholeFile(path, Pipes::Allow), path);
    nlohmann::json entries = nlohmann::json::array();
    for (size_t k = 0; k < index.Count(); ++k) {
        FatEntry e = index.Entry(k);
        if (o.json)
            entries.push_back({{"index", k}, {"name", e.Name}, {"startBlock", e.StartBlock}, {"size", e.Size}});
        else
            std::printf("%zu\t%s\t%d\t%d\n", k, e.Name.c_str(), e.StartBlock, e.Size);
    }
    if (o.json) PrintJson({{"pack", path}, {"entries", entries}});
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

void AddInspectVerbs(Tool& tool) {
    auto list = std::make_shared<ListOptions>();
    CLI::App& l = tool.AddVerb("list", "Print index, name, start block and size of each entry",
                               "packwright-cli list PACK.fat [--json]", false,
                               [list](Invocation&) { return List(*list); });
    l.add_option("PACK.fat", list->pack, "The pack's index file")->required();
    l.add_flag("--json", list->json, "One JSON document instead of lines");

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
