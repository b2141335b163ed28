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

[[noreturn]] void ThrowCannotOpen(const std::string& path);   // "Cannot open file %s"
[[noreturn]] void ThrowCannotCreate(const std::string& path); // "Cannot create file %s"
[[noreturn]] void ThrowReadError();                           // "Stream read error"
[[noreturn]] void ThrowWriteError();                          // "Stream write error"
[[noreturn]] void ThrowIndexError(long long index);           // "List index out of bounds (%d)"

// The text of the error box: a full stop is appended when the text is not
// empty and its last character has a code above that of ".".
std::string ErrorBoxText(const std::string& message);

} // namespace pw
