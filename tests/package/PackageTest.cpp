// What the package installs beside the programs stays true to them: the
// manual pages name every verb and option the programs' help lists, the
// bash completion offers every verb, every verb's options and the files each
// option takes, and the version is the CMake project's everywhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

#include "packs/PackFixtures.h"

using namespace pwtest;
using Words = std::set<std::string>;

namespace {

// Runs a shell command line; its stdout, and the exit status in `status`.
std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int rc = ::pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The names of a help section's items ("Verbs:", "Options:"): the first
// word of each, an item's names split at commas ("-q,--quiet").
Words Items(const std::string& help, const std::string& section) {
    Words words;
    std::istringstream in(help);
    std::string line;
    bool on = false;
    while (std::getline(in, line)) {
        if (line == section + ":") {
            on = true;
        } else if (on && line.empty()) {
            break;
        } else if (on && line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != ' ') {
            std::istringstream names(line.substr(2, line.find(' ', 2) - 2));
            for (std::string name; std::getline(names, name, ',');) words.insert(name);
        }
    }
    return words;
}

std::string CliHelp(const std::string& verb = "") {
    return Shell(Quote(CLI_PATH) + (verb.empty() ? "" : " " + verb) + " --help");
}

// The text of a manual page, roff's escapes for "-" and fonts taken out.
std::string PageText(const std::string& path) {
    std::string page = ReadFile(path);
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    return std::regex_replace(page, std::regex(R"(\\f[BIRP])"), "");
}

// What the completion offers for a command line whose last word is being
// typed, run by bash in `dir`.
Words Complete(const std::vector<std::string>& words, const std::string& dir) {
    std::string script = "source " + Quote(COMPLETION_PATH) + "\nCOMP_WORDS=(" + Quote(CLI_PATH);
    for (const std::string& w : words) script += " " + Quote(w);
    script += ")\nCOMP_CWORD=" + std::to_string(words.size()) +
              "\n_packwright_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
    WriteFile(dir + "/.complete.sh", script);
    std::istringstream out(Shell("cd " + Quote(dir) + " && bash .complete.sh"));
    Words offered;
    for (std::string line; std::getline(out, line);)
        if (!line.empty()) offered.insert(line);
    return offered;
}

TEST(ManPage, NamesEveryVerbAndOptionOfTheHelp) {
    const std::string page = PageText(CLI_MANPAGE);
    const Words verbs = Items(CliHelp(), "Verbs");
    ASSERT_GE(verbs.size(), 7u);
    for (const std::string& option : Items(CliHelp(), "Options")) EXPECT_NE(page.find(option), std::string::npos);
    for (const std::string& verb : verbs) {
        EXPECT_NE(page.find(".SS " + verb + "\n"), std::string::npos) << verb;
        EXPECT_NE(page.find("packwright-cli " + verb + " "), std::string::npos) << verb; // its synopsis
        const Words options = Items(CliHelp(verb), "Options");
        EXPECT_GE(options.size(), 3u) << verb;
        // Each option in the verb's own subsection, not only somewhere on the page.
        const size_t from = page.find(".SS " + verb + "\n");
        const size_t to = page.find(".SS ", from + 1);
        const std::string part = page.substr(from, to == std::string::npos ? std::string::npos : to - from);
        for (const std::string& option : options) EXPECT_NE(part.find(option), std::string::npos) << verb << " " << option;
    }
    EXPECT_NE(page.find("\"Packwright " PROJECT_VERSION "\""), std::string::npos);
}

// A verb or option added later (a patch's verbs, say) reaches the page
// without anyone writing it there: the page is made from whatever the help says.
TEST(ManPage, MadeFromWhateverTheHelpSays) {
    TempDir dir;
    WriteFile(dir / "tool", R"(#!/bin/sh
if [ "$1" = --version ]; then echo "tool 9.8"; exit 0; fi
if [ "$1" = apply ]; then cat <<'EOF'
usage: tool apply --to DIR PATCH.pwpatch

Apply a patch

Positionals:
  PATCH.pwpatch         The patch
Options:
  -h,--help             Print this help and exit
  --to DIR              Where the packs are, with a description long enough to
                        go on in a second line
  -n,--dry-run          Say what would change
EOF
exit 0; fi
cat <<'EOF'
usage: tool apply --to DIR PATCH.pwpatch
       tool (--help | --version)

Does things
.like this, and
'quotes' with \backslashes.

Options:
  -h,--help             Print this help and exit

Verbs:
  apply                 Apply a patch
EOF
)");
    Shell("chmod +x " + Quote(dir / "tool"));
    int status = -1;
    Shell(Quote(MANPAGE_SCRIPT) + " " + Quote(dir / "tool") + " tool 'a tool' 2026-01-02 '' " + Quote(dir / "tool.1"),
        &status);
    ASSERT_EQ(status, 0);
    const std::string page = PageText(dir / "tool.1");
    for (const char* text : {".SS apply\n", "--to DIR", "-n,--dry-run", "--dry-run", "PATCH.pwpatch",
                             "go on in a second line", "\"Packwright 9.8\"", "2026-01-02", "tool - a tool"})
        EXPECT_NE(page.find(text), std::string::npos) << text;
    // Lines that roff would take for requests are escaped; man renders the page without a warning.
    EXPECT_NE(page.find("\n\\&.like this"), std::string::npos);
    EXPECT_NE(page.find("\n\\&'quotes'"), std::string::npos);
    EXPECT_EQ(Shell("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l " + Quote(dir / "tool.1") + " 2>&1 >/dev/null"), "");
    EXPECT_NE(Shell("MANWIDTH=80 man -l " + Quote(dir / "tool.1") + " 2>/dev/null").find("\\backslashes"),
              std::string::npos);
}

TEST(ManPage, WindowPageFromItsHelp) {
#ifdef APP_PATH
    const std::string page = PageText(APP_MANPAGE);
    EXPECT_NE(page.find("FILE..."), std::string::npos);
    EXPECT_NE(page.find("--version"), std::string::npos);
    EXPECT_NE(page.find("packwright-cli(1)"), std::string::npos) << "SEE ALSO";
#else
    GTEST_SKIP() << "built without the window";
#endif
}

TEST(Completion, OffersEveryVerbAndEachVerbsOptions) {
    TempDir dir;
    const Words verbs = Items(CliHelp(), "Verbs");
    EXPECT_EQ(Complete({""}, dir.Path()), verbs);
    EXPECT_EQ(Complete({"--"}, dir.Path()), (Words{"--help", "--version"}));
    EXPECT_EQ(Complete({"ex"}, dir.Path()), (Words{"extract"}));
    for (const std::string& verb : verbs) {
        Words options = Items(CliHelp(verb), "Options");
        EXPECT_EQ(Complete({verb, "-"}, dir.Path()), options) << verb;
        std::erase_if(options, [](const std::string& o) { return o.rfind("--", 0) != 0; });
        EXPECT_EQ(Complete({verb, "--"}, dir.Path()), options) << verb;
    }
}

TEST(Completion, FilesByTheExtensionEachOptionTakes) {
    TempDir dir;
    for (const char* name : {"a.fat", "B.FAT", "c.log", "d.lst", "e.txt", "fat"}) WriteFile(dir / name, "");
    MakeDir(dir / "sub");
    const std::string d = dir.Path();
    EXPECT_EQ(Complete({"extract", ""}, d), (Words{"a.fat", "B.FAT", "sub"}));
    EXPECT_EQ(Complete({"extract", "--target", ""}, d), (Words{"sub"}));
    EXPECT_EQ(Complete({"extract", "--target", "sub", "-q", ""}, d), (Words{"a.fat", "B.FAT", "sub"}));
    EXPECT_EQ(Complete({"extract", "--only", ""}, d), Words{}); // a pattern, not a file
    EXPECT_EQ(Complete({"insert", ""}, d), (Words{"c.log", "sub"}));
    EXPECT_EQ(Complete({"insert", "--list", ""}, d), (Words{"d.lst", "sub"}));
    EXPECT_EQ(Complete({"plan", "--list", "d"}, d), (Words{"d.lst"}));
    EXPECT_EQ(Complete({"verify", "a.fat", "--log", ""}, d), (Words{"c.log", "sub"}));
    EXPECT_EQ(Complete({"scan", "--type", ""}, d), (Words{"fat", "lst", "log"}));
    EXPECT_EQ(Complete({"scan", ""}, d), (Words{"sub"}));
    EXPECT_EQ(Complete({"cat", ""}, d), (Words{"a.fat", "B.FAT", "sub"}));
    EXPECT_EQ(Complete({"cat", "a.fat", ""}, d), Words{}); // an entry, not a file
    EXPECT_EQ(Complete({"list", "--", ""}, d), (Words{"a.fat", "B.FAT", "sub"}));
}

TEST(Version, TheProjectsEverywhere) {
    EXPECT_EQ(Shell(Quote(CLI_PATH) + " --version"), "packwright-cli " PROJECT_VERSION "\n");
    EXPECT_NE(ReadFile(METAINFO_PATH).find("<release version=\"" PROJECT_VERSION "\""), std::string::npos);
#ifdef APP_PATH
    // Without a display: --help and --version answer before the window would need one.
    int status = -1;
    EXPECT_EQ(Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quote(APP_PATH) + " --version", &status),
              "packwright " PROJECT_VERSION "\n");
    EXPECT_EQ(status, 0);
    const std::string help = Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quote(APP_PATH) + " -h", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(help.rfind("usage: packwright [FILE...]\n", 0), 0u) << help;
#endif
}

} // namespace
