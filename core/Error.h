#pragma once
// The one error type of the program. Its text is the message shown to the
// user, word for word; the edge (the window's error box, the tool's stderr)
// shows it once.
#include <stdexcept>
#include <string>

namespace pw {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A stop asked for by the user (Ctrl-C) while the run waited where it
// cannot look at the stop request itself (a named pipe that has no writer):
// the edge ends the run as stopped, not as failed.
class Interrupted : public Error {
public:
    Interrupted() : Error("Operation stopped!") {}
};

// A word to the user that is no error: the run goes on. It goes to stderr
// unless a sink is set.
using NoticeSink = void (*)(const std::string&);
void SetNoticeSink(NoticeSink sink);
void Notice(const std::string& text);

[[noreturn]] void ThrowCannotOpen(const std::string& path);   // "Cannot open file %s"
[[noreturn]] void ThrowCannotCreate(const std::string& path); // "Cannot create file %s"
[[noreturn]] void ThrowReadError();                           // "Stream read error"
[[noreturn]] void ThrowWriteError();                          // "Stream write error"
[[noreturn]] void ThrowIndexError(long long index);           // "List index out of bounds (%d)"

// The text of the error box: a full stop is appended when the text is not
// empty and its last character has a code above that of "." (a question
// mark ends it as it is).
std::string ErrorBoxText(const std::string& message);

} // namespace pw
