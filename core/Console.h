#pragma once
// What a command-line tool needs of its console: its arguments as UTF-8,
// whether a person watches stderr, and Ctrl-C turned into a stop request.
#include <atomic>
#include <string>
#include <vector>

namespace pw {

// The descriptor of standard output, on both systems.
inline constexpr int StdoutFd = 1;

// The program's arguments as UTF-8 text (argv on POSIX systems; on Windows
// the UTF-16 command line, since argv holds the ANSI code page). Also makes
// the console show UTF-8 output.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Whether stderr is a terminal (a console window on Windows).
bool StderrIsTerminal();

// From now on Ctrl-C (SIGINT; the console's Ctrl-C and Ctrl-Break on
// Windows) only sets `flag`, which the run looks at before each entry.
void StopOnInterrupt(std::atomic<bool>& flag);
// Whether Ctrl-C has been pressed since StopOnInterrupt: for waits that
// cannot look at the run's flag themselves (an open of a named pipe that
// has no writer yet), which then end with pw::Interrupted.
bool InterruptRequested();

} // namespace pw
