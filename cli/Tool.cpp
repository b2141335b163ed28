#include "cli/Tool.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/TextLines.h"

namespace pw::cli {

namespace {

// CLI11's help with the tool's own usage lines in place of its generated
// one: usage, what it does, its arguments and options, its verbs, a footer.
class Formatter : public CLI::Formatter {
public:
    explicit Formatter(const Tool& tool) : tool_(tool) { column_width(24); }
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
        if (mode == CLI::AppFormatMode::Sub) return make_expanded(app);
        std::string out = tool_.UsageOf(app) + "\n" + app->get_description() + "\n";
        out += make_positionals(app) + make_groups(app, mode) + make_subcommands(app, mode);
        if (!app->get_footer().empty()) out += "\n" + app->get_footer() + "\n";
        return out;
    }
    std::string make_option_opts(const CLI::Option* opt) const override {
        if (opt->get_positional()) return opt->get_items_expected_max() > 1 ? "..." : "";
        return opt->get_type_size() == 0 ? "" : " " + opt->get_type_name();
    }

private:
    const Tool& tool_;
};

constexpr const char* ExitStatusText =
    "Exit status: 0 done, 1 a file error (the message on stderr), 2 a usage error,\n"
    "130 stopped by Ctrl-C.";

// "usage: " before the first line, its width of blanks before the others.
std::string UsageLines(const std::string& lines) {
    std::string out;
    size_t start = 0;
    while (start < lines.size()) {
        size_t end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        out += out.empty() ? "usage: " : "       ";
        out.append(lines, start, end - start);
        out += '\n';
        start = end + 1;
    }
    return out;
}

} // namespace

Tool::Tool() : app_("Extracts the entries of game data packs and builds new packs from edited files.",
                    "packwright-cli") {
    app_.formatter(std::make_shared<Formatter>(*this));
    app_.set_help_flag("-h,--help", "Print this help and exit");
    app_.set_version_flag("--version", std::string("packwright-cli ") + PACKWRIGHT_VERSION,
                          "Print the version and exit");
    app_.require_subcommand(1);
    // An option given twice: the last one counts.
    app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app_.footer(std::string(ExitStatusText) + "\n'packwright-cli VERB --help' describes one verb.");
}

CLI::App& Tool::AddVerb(const std::string& name, const std::string& description, const std::string& synopsis,
                        bool isRun, std::function<int(Invocation&)> action) {
    auto verb = std::make_unique<Verb>();
    verb->name = name;
    verb->synopsis = synopsis;
    verb->isRun = isRun;
    verb->action = std::move(action);
    verb->command = app_.add_subcommand(name, description);
    verb->command->set_help_flag("-h,--help", "Print this help and exit");
    verb->command->group("Verbs");
    verb->command->footer(ExitStatusText);
    verb->command->add_flag("-q,--quiet", quiet_, "No progress line and no summary on stderr");
    CLI::App& command = *verb->command;
    verbs_.push_back(std::move(verb));
    return command;
}

const Verb& Tool::Parse(int argc, char** argv) {
    if (argc < 2) throw UsageError{""};
    // A first word that names no verb is an unknown command, not an extra argument.
    const std::string first = argv[1];
    if (!first.empty() && first[0] != '-') {
        bool known = false;
        for (const auto& v : verbs_) known = known || v->name == first;
        if (!known) throw UsageError{"unknown command " + first};
    }
    try {
        app_.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app_.help().c_str(), stdout);
        throw Done{};
    } catch (const CLI::CallForAllHelp&) {
        std::fputs(app_.help("", CLI::AppFormatMode::All).c_str(), stdout);
        throw Done{};
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        throw Done{};
    } catch (const CLI::ParseError& e) {
        throw UsageError{e.what()};
    }
    for (const auto& v : verbs_)
        if (v->command->parsed()) return *v;
    throw UsageError{""};
}

std::string Tool::UsageText() const { return UsageOf(&app_); }

std::string Tool::UsageOf(const CLI::App* app) const {
    std::string lines;
    for (const auto& v : verbs_)
        if (app == &app_ || app == v->command) lines += v->synopsis + "\n";
    if (app == &app_) lines += "packwright-cli (--help | --version | VERB --help)\n";
    return UsageLines(lines);
}

std::string FullPath(const std::string& path) {
    std::string p = PathText(std::filesystem::absolute(FsPath(path)).lexically_normal());
    // A root keeps its separator: "C:\" without it would be "C:", the
    // current folder of drive C.
    const size_t root = std::max<size_t>(PathRootLength(p), 1);
    while (p.size() > root && p.back() == PathDelim) p.pop_back();
    return p;
}

std::vector<std::string> LogsOf(const std::vector<std::string>& logs, const std::string& listFile) {
    if (!listFile.empty()) return LoadLines(FullPath(listFile), Pipes::Allow);
    std::vector<std::string> full;
    for (const std::string& p : logs) full.push_back(FullPath(p));
    return full;
}

void PrintSummary(Invocation& run, const std::string& whatWasDone) {
    run.status.Finish();
    if (run.quiet) return;
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - run.started;
    std::fprintf(stderr, "%s in %.2f s.\n", whatWasDone.c_str(), took.count());
}

EntryFilter FilterOf(const std::vector<std::string>& only, std::optional<std::string> type) {
    try {
        return EntryFilter(only, std::move(type));
    } catch (const Error& e) {
        throw UsageError{e.what()};
    }
}

CLI::Option* AddOnlyOption(CLI::App& verb, std::vector<std::string>& only, const std::string& description) {
    verb.footer("PATTERN: an entry name in which * stands for any characters and ? for one, letters\n"
                "in any case; or #N / #0xN, the entry with that index.\n\n" +
                verb.get_footer());
    return verb.add_option("--only", only, description + " (repeatable)")
        ->type_name("PATTERN")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
}

void RequireOneOf(const std::vector<std::string>& inputs, const std::string& alternative, const char* message) {
    if (alternative.empty() == inputs.empty()) throw UsageError{message};
}

std::string Count(uint64_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

} // namespace pw::cli
