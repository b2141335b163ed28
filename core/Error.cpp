#include "core/Error.h"

#include <atomic>
#include <cstdio>

namespace pw {

namespace {
std::atomic<NoticeSink> noticeSink{nullptr};
} // namespace

void SetNoticeSink(NoticeSink sink) { noticeSink.store(sink); }

void Notice(const std::string& text) {
    if (NoticeSink sink = noticeSink.load())
        sink(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

void ThrowCannotOpen(const std::string& path) { throw Error("Cannot open file " + path); }
void ThrowCannotCreate(const std::string& path) { throw Error("Cannot create file " + path); }
void ThrowReadError() { throw Error("Stream read error"); }
void ThrowWriteError() { throw Error("Stream write error"); }
void ThrowIndexError(long long index) {
    throw Error("List index out of bounds (" + std::to_string(index) + ")");
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.' && message.back() != '?')
        return message + ".";
    return message;
}

} // namespace pw
