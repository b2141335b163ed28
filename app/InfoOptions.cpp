#include "app/InfoOptions.h"

#include <cstdio>
#include <cstring>

namespace {

// The wording follows packwright-cli's help, so that both manual pages read alike.
constexpr const char* HelpText =
    "usage: packwright [FILE...]\n"
    "       packwright (--help | --version)\n"
    "\n"
    "Extracts the entries of game data packs and builds new packs from edited files, in a window.\n"
    "\n"
    "Positionals:\n"
    "  FILE...               Data packs (*.fat), logs (*.log), a project list (*.lst) or patches\n"
    "                        (*.pwpatch), added to the list as the add-files command adds them; a\n"
    "                        single pack also opens its contents window; a mod list (*.pwmods)\n"
    "                        opens the Mods window with it\n"
    "\n"
    "Options:\n"
    "  -h,--help             Print this help and exit\n"
    "  --version             Print the version and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME or -style NAME, are taken too.\n"
    "Without a display the program says so and ends with status 1;\n"
    "packwright-cli does the same work from a terminal.\n";

} // namespace

bool AnswerInfoOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false; // file names follow
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(HelpText, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("packwright " PACKWRIGHT_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}
